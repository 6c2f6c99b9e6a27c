#!/usr/bin/env python3
"""Sonivane stand-in web server.

Imitates, on loopback only, the outside web services Sonivane talks to, so the
tests and the offline demo never need the real network.

Usage:
    standin.py --state-dir DIR [--host 127.0.0.1] [--http-port N]
               [--https-port N] [--log-body-max BYTES] [--exit-on-stdin-eof]

Start-up creates DIR if needed and, only when missing, a test CA (ca.pem,
ca.key) and a server certificate signed by it (server.pem, server.key) valid
for "localhost" and "127.0.0.1". It then listens with plain HTTP and HTTPS
(ports 0 = any free port) and prints exactly one line:

    READY http=127.0.0.1:PORT https=127.0.0.1:PORT ca=/abs/path/ca.pem

The same information is written to DIR/ready.json. Clients verify HTTPS
against ca.pem. Stop the server with SIGTERM/SIGINT, POST /__standin/shutdown,
or (with --exit-on-stdin-eof) by closing its stdin.

Both listeners serve the same routes. A request whose target is in absolute
form ("GET http://host:port/path?q HTTP/1.1", as sent to a plain HTTP proxy)
is served as if it had been sent directly; CONNECT is not supported.

Every request except control requests is logged to DIR/requests.jsonl and kept
in memory. A log entry holds: seq, scheme, method, target (raw, as received),
path and query (from the URL for absolute-form targets), proxied (true for
absolute-form targets), version, headers ([name, value] pairs as sent),
body_length, body_sha256 (hex), body_b64 (null when the body is longer than
--log-body-max, default 1048576), route, status (null when no answer was sent)
and multipart (what the upload route parsed, otherwise null).

Control routes, served on both listeners and never logged:

    GET  /__standin/requests      JSON array of the logged requests
    POST /__standin/reset         clear log, faults, scripts, the search
                                  override, sign-in sessions and uploads
    POST /__standin/fault         {"route": NAME|"*", "mode": MODE, "delay": s,
                                   "status": code, "count": n}
    POST /__standin/script        {"path": "/p", "status": code,
                                   "headers": [[name, value], ...],
                                   "body_b64": "...", "count": n}
    POST /__standin/search-reply  raw body: the search route answers with
                                  exactly these bytes until reset
    POST /__standin/shutdown      stop the server

Fault modes: none, silent (never answer), slow (wait `delay`, then answer),
status (answer `status` with an HTML page), close (drop the connection without
an answer), drip (normal headers, then the body one byte every `delay`).

A script makes every request for its path (any method, query ignored) get
exactly that status, those header lines in that order and that body, before any
built-in route is tried. The stand-in adds only Date, Server, Content-Length
and, when closing, Connection; scripts may not set those (nor
Transfer-Encoding) themselves, and no Content-Type is added for them. With
"count" the script serves n requests and is then dropped; a new script for the
same path replaces the old one.

Service routes (route names are what faults refer to):

    scripted   any request for a scripted path (see above)
    search     GET /fcgi-bin/fcg_weixin_music_search.fcg?...&w=NAME+SINGER...
    signin     POST /signin, form username=...&password=...&remember=...
               -> {"ok":true} and cookies portal_session (32 hex digits,
               HttpOnly) and portal_user (the user name, percent-escaped
               where a cookie value cannot carry it)
    file-stat  POST /bucket/file-stat, form bucket=...&key=...
               -> {"signed_in": a portal_session cookie from /signin was sent,
                   "exists": an object with that key was uploaded}
    upload     POST / as multipart/form-data with fields name, token, key and
               file -> {"key": KEY, "hash": SHA-1 hex of the file}; stores
               the file under KEY; 400 with {"error": ...} when a field is
               missing or the body is not valid multipart
    mp3        GET|HEAD /<uploaded key> or /<song id>.mp3, audio/mpeg
               (single-range requests supported)
    notfound   anything else -> 404

To add a route, write a method on StandIn returning a Response (or None to let
the later routes have the request) and add a Route entry to StandIn.routes.
"""

import argparse
import base64
import datetime
import email.utils
import hashlib
import http
import ipaddress
import json
import os
import re
import secrets
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import urllib.parse
from dataclasses import dataclass, field
from typing import Callable, Optional

CONTROL_PREFIX = "/__standin/"
IDLE_TIMEOUT = 120.0        # seconds a keep-alive connection may sit idle
HANDSHAKE_TIMEOUT = 10.0
MAX_LINE = 65536
MAX_HEADERS = 200
BODY_CHUNK = 1 << 20        # request bodies are read in pieces of this size
DEFAULT_LOG_BODY_MAX = 1 << 20
TOKEN = re.compile(r"[!#$%&'*+.^_`|~0-9A-Za-z-]+")
# Scheme and authority of an absolute-form target, as sent to a proxy.
ABSOLUTE_TARGET = re.compile(r"(?i)https?://[^/?#]*")

SEARCH_PATH = "/fcgi-bin/fcg_weixin_music_search.fcg"
SEARCH_CONTENT_TYPE = "application/x-javascript; charset=utf-8"
# Clients look for the song id right after this, near the start of the reply.
SEARCH_ID_MARKER = b", list:[ {id:"
SEARCH_MARKER_WINDOW = 180


@dataclass(frozen=True)
class Song:
    id: int
    name: str
    singer: str
    album: str
    interval: int  # length in seconds, as the search service reports it


CATALOGUE = [
    Song(97773, "晴天", "乐队", "午后的雨", 269),
    Song(10234, "海边的风", "林小雨", "潮汐", 231),
    Song(20481, "Night Drive", "The Lanterns", "Neon Roads", 204),
    Song(30007, "月光小路", "Echo Tree", "Moonwalks", 247),
    Song(41999, "Paper Boats", "陈一帆", "Harbour", 188),
]
SONGS_BY_ID = {song.id: song for song in CATALOGUE}


# --------------------------------------------------------------------------
# Certificates

CA_FILES = ("ca.pem", "ca.key")
SERVER_FILES = ("server.pem", "server.key")

OPENSSL_CONFIG = """\
[ req ]
distinguished_name = req_dn
prompt = no
[ req_dn ]
CN = unused

[ ca ]
default_ca = standin_ca
[ standin_ca ]
dir = {workdir}
database = $dir/index.txt
new_certs_dir = $dir
serial = $dir/serial
default_md = sha256
policy = policy_any
unique_subject = no
copy_extensions = none
email_in_dn = no
[ policy_any ]
commonName = supplied
organizationName = optional

[ v3_ca ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always

[ v3_server ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid, issuer
"""


def _openssl(*args):
    result = subprocess.run(("openssl",) + args, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("openssl %s failed:\n%s" % (args[0], result.stderr))


def _cert_dates():
    # "openssl req -x509" in OpenSSL 3.0 cannot backdate, so certificates go
    # through "openssl ca", which takes explicit start and end dates.
    now = datetime.datetime.now(datetime.timezone.utc)
    fmt = "%Y%m%d%H%M%SZ"
    start = now - datetime.timedelta(days=1)
    end = now + datetime.timedelta(days=3650)
    return start.strftime(fmt), end.strftime(fmt)


def ensure_certificates(state_dir):
    """Create the test CA and server certificate unless they already exist."""
    have = lambda names: all(os.path.exists(os.path.join(state_dir, n)) for n in names)
    need_ca = not have(CA_FILES)
    need_server = need_ca or not have(SERVER_FILES)
    if not need_server:
        return
    with tempfile.TemporaryDirectory(prefix="standin-ca-") as work:
        config = os.path.join(work, "openssl.cnf")
        with open(config, "w") as f:
            f.write(OPENSSL_CONFIG.format(workdir=work))
        open(os.path.join(work, "index.txt"), "w").close()
        with open(os.path.join(work, "serial"), "w") as f:
            f.write("%032x\n" % int.from_bytes(os.urandom(15), "big"))
        start, end = _cert_dates()
        dates = ("-startdate", start, "-enddate", end)

        def new_key(path):
            _openssl("genpkey", "-algorithm", "EC", "-pkeyopt",
                     "ec_paramgen_curve:P-256", "-out", path)

        ca_pem, ca_key = (os.path.join(work if need_ca else state_dir, n) for n in CA_FILES)
        if need_ca:
            csr = os.path.join(work, "ca.csr")
            new_key(ca_key)
            _openssl("req", "-new", "-config", config, "-key", ca_key,
                     "-subj", "/O=Sonivane/CN=Sonivane Stand-in Test CA", "-out", csr)
            _openssl("ca", "-batch", "-config", config, "-selfsign", "-notext",
                     "-keyfile", ca_key, "-in", csr, "-out", ca_pem,
                     "-extensions", "v3_ca", *dates)
        server_pem, server_key = (os.path.join(work, n) for n in SERVER_FILES)
        csr = os.path.join(work, "server.csr")
        new_key(server_key)
        _openssl("req", "-new", "-config", config, "-key", server_key,
                 "-subj", "/O=Sonivane/CN=localhost", "-out", csr)
        _openssl("ca", "-batch", "-config", config, "-notext", "-cert", ca_pem,
                 "-keyfile", ca_key, "-in", csr, "-out", server_pem,
                 "-extensions", "v3_server", *dates)
        produced = (CA_FILES if need_ca else ()) + SERVER_FILES
        for name in produced:
            os.replace(os.path.join(work, name), os.path.join(state_dir, name))


# --------------------------------------------------------------------------
# MP3 generation (no encoder: an ID3v2.4 tag and silent MPEG-1 Layer III frames)

MP3_FRAME_HEADER = bytes([0xFF, 0xFB, 0x90, 0xC4])  # MPEG-1 L3, 128 kbit/s, 44.1 kHz, mono
MP3_FRAME_LENGTH = 144 * 128000 // 44100            # 417 bytes, no padding
MP3_SIDE_INFO_LENGTH = 17                           # mono
MP3_SAMPLES_PER_FRAME = 1152
MP3_SECONDS = 3


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3_text_frame(frame_id, text):
    payload = b"\x03" + text.encode("utf-8")  # 3 = UTF-8
    return frame_id.encode("ascii") + syncsafe(len(payload)) + b"\x00\x00" + payload


def build_mp3(song):
    frames = b"".join([
        id3_text_frame("TIT2", song.name),
        id3_text_frame("TPE1", song.singer),
        id3_text_frame("TALB", song.album),
    ])
    tag = b"ID3\x04\x00\x00" + syncsafe(len(frames)) + frames
    # All-zero side info and main data decode to silence.
    frame = MP3_FRAME_HEADER + bytes(MP3_FRAME_LENGTH - len(MP3_FRAME_HEADER))
    count = round(MP3_SECONDS * 44100 / MP3_SAMPLES_PER_FRAME)
    return tag + frame * count


# --------------------------------------------------------------------------
# HTTP plumbing

@dataclass
class Request:
    scheme: str
    method: str = ""
    target: str = ""
    version: str = ""
    headers: list = field(default_factory=list)
    body: bytes = b""
    multipart: Optional[dict] = None  # filled in by the upload route for the log

    @property
    def proxied(self):
        return ABSOLUTE_TARGET.match(self.target) is not None

    @property
    def origin_target(self):
        """The target in origin form: absolute-form targets lose scheme and host."""
        m = ABSOLUTE_TARGET.match(self.target)
        if not m:
            return self.target
        rest = self.target[m.end():]
        return rest if rest.startswith("/") else "/" + rest

    @property
    def path(self):
        return self.origin_target.partition("?")[0]

    @property
    def query(self):
        return self.origin_target.partition("?")[2]

    @property
    def route_path(self):
        """Path used for routing."""
        return self.path

    def header(self, name):
        value = None
        for n, v in self.headers:
            if n.lower() == name.lower():
                value = v
        return value

    def wants_close(self):
        if self.version != "HTTP/1.1":
            return True
        tokens = (self.header("Connection") or "").lower().split(",")
        return "close" in (t.strip() for t in tokens)

    def log_entry(self, seq, route, status, body_max):
        body = self.body
        return {
            "seq": seq, "scheme": self.scheme, "method": self.method,
            "target": self.target, "path": self.path, "query": self.query,
            "proxied": self.proxied,
            "version": self.version, "headers": [list(h) for h in self.headers],
            "body_length": len(body), "body_sha256": hashlib.sha256(body).hexdigest(),
            "body_b64": base64.b64encode(body).decode("ascii") if len(body) <= body_max else None,
            "route": route, "status": status, "multipart": self.multipart,
        }


@dataclass
class Response:
    status: int
    body: bytes = b""
    content_type: Optional[str] = None
    headers: list = field(default_factory=list)


class BadRequest(Exception):
    def __init__(self, request, reason):
        super().__init__(reason)
        self.request = request


def reason_phrase(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Unknown"


def html_page(status, detail=""):
    title = "%d %s" % (status, reason_phrase(status))
    body = "<html><head><title>%s</title></head><body><h1>%s</h1>%s</body></html>\n" % (
        title, title, "<p>%s</p>" % detail if detail else "")
    return Response(status, body.encode("utf-8"), "text/html; charset=utf-8")


def json_reply(value, status=200):
    return Response(status, json.dumps(value).encode("utf-8"), "application/json")


def read_request(rfile, wfile, scheme):
    """Read one request; None on a cleanly closed connection."""
    line = b"\r\n"
    while line in (b"\r\n", b"\n"):  # stray blank lines before a request are allowed
        line = rfile.readline(MAX_LINE + 1)
    if not line:
        return None
    req = Request(scheme)
    text = line.decode("latin-1").rstrip("\r\n")
    # The target sits between the first and the last blank, so a target that
    # arrives with raw blanks in it is still taken whole.
    req.method, _, rest = text.partition(" ")
    target, _, version = rest.rpartition(" ")
    if re.fullmatch(r"HTTP/\d\.\d", version):
        req.target, req.version = target, version
    else:
        req.target = rest
    if len(line) > MAX_LINE or not line.endswith(b"\n"):
        raise BadRequest(req, "request line too long")
    if not req.version or not req.target or not TOKEN.fullmatch(req.method):
        raise BadRequest(req, "malformed request line")

    while True:
        line = rfile.readline(MAX_LINE + 1)
        if not line:
            raise BadRequest(req, "connection closed inside the headers")
        if line in (b"\r\n", b"\n"):
            break
        if len(req.headers) >= MAX_HEADERS or not line.endswith(b"\n"):
            raise BadRequest(req, "too many or too long headers")
        name, colon, value = line.decode("latin-1").rstrip("\r\n").partition(":")
        if not colon:
            raise BadRequest(req, "header without a colon")
        req.headers.append((name, value.strip(" \t")))

    if (req.header("Expect") or "").lower() == "100-continue" and req.version == "HTTP/1.1":
        wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n")
    if "chunked" in (req.header("Transfer-Encoding") or "").lower():
        req.body = read_chunked(rfile, req)
    elif req.header("Content-Length") is not None:
        length = req.header("Content-Length").strip()
        if not length.isdigit():
            raise BadRequest(req, "bad Content-Length")
        req.body = read_exactly(rfile, int(length))
        if len(req.body) != int(length):
            raise BadRequest(req, "body shorter than Content-Length")
    return req


def read_exactly(rfile, length):
    """Read `length` bytes, fewer only if the peer stops sending. Large pieces
    keep big uploads fast; no buffer is sized from the client's word alone."""
    body = bytearray()
    while len(body) < length:
        piece = rfile.read(min(BODY_CHUNK, length - len(body)))
        if not piece:
            break
        body += piece
    return bytes(body)


def read_chunked(rfile, req):
    body = bytearray()
    while True:
        line = rfile.readline(MAX_LINE)
        try:
            size = int(line.split(b";")[0].strip(), 16)
        except ValueError:
            raise BadRequest(req, "bad chunk size") from None
        if size == 0:
            break
        chunk = read_exactly(rfile, size)
        if len(chunk) != size or rfile.readline(MAX_LINE) not in (b"\r\n", b"\n"):
            raise BadRequest(req, "truncated chunk")
        body += chunk
    while rfile.readline(MAX_LINE) not in (b"\r\n", b"\n", b""):
        pass  # trailers are read and dropped
    return bytes(body)


def parse_query(query):
    """Split a raw query on '&' and '='; values stay percent-encoded."""
    params = {}
    for part in query.split("&"):
        name, _, value = part.partition("=")
        params.setdefault(name, value)
    return params


def percent_decode(raw):
    """%XX escapes to UTF-8 text; '+' stays '+', raw blanks and bytes stay as sent."""
    return urllib.parse.unquote_to_bytes(raw.encode("latin-1")).decode("utf-8", "replace")


def byte_range(header, total):
    """(start, end) inclusive for a satisfiable single range, "unsatisfiable",
    or None when the header is absent, malformed or asks for several ranges."""
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header or "")
    if not m or (not m.group(1) and not m.group(2)):
        return None
    first, last = m.group(1), m.group(2)
    if not first:                        # bytes=-n: the last n bytes
        n = int(last)
        return (max(total - n, 0), total - 1) if n > 0 and total > 0 else "unsatisfiable"
    start = int(first)
    end = int(last) if last else total - 1
    if last and end < start:
        return None
    if start >= total:
        return "unsatisfiable"
    return start, min(end, total - 1)


def parse_form(body):
    """An application/x-www-form-urlencoded body as a dict; first value wins."""
    form = {}
    for name, value in urllib.parse.parse_qsl(body.decode("utf-8", "replace"),
                                              keep_blank_values=True, errors="replace"):
        form.setdefault(name, value)
    return form


def request_cookies(req):
    """(name, value) pairs from every Cookie header of the request."""
    pairs = []
    for name, value in req.headers:
        if name.lower() == "cookie":
            for part in value.split(";"):
                n, eq, v = part.strip().partition("=")
                if eq:
                    pairs.append((n.strip(), v.strip()))
    return pairs


# Characters a cookie value may carry as they are, less '%' so that escaping
# stays unambiguous.
COOKIE_SAFE = "!#$&'()*+-./:<=>?@[]^_`{|}~"


def cookie_value(text):
    return urllib.parse.quote(text, safe=COOKIE_SAFE)


@dataclass
class Part:
    name: str
    filename: Optional[str]
    content_type: Optional[str]
    data: bytes


# What may follow "--boundary" on a delimiter line: "--" closes the body,
# otherwise optional blanks and the line break.
DELIMITER_TAIL = re.compile(rb"--|[ \t]*\r\n")
HEADER_PARAM = re.compile(r';\s*([^\s=;]+)\s*=\s*(?:"((?:[^"\\]|\\.)*)"|([^;]*))')


def header_params(value):
    """("main value" lower-cased, {param: value}) for headers such as
    Content-Disposition."""
    main = value.split(";", 1)[0].strip().lower()
    params = {}
    for m in HEADER_PARAM.finditer(value):
        if m.group(2) is not None:
            params.setdefault(m.group(1).lower(), re.sub(r'\\(["\\])', r"\1", m.group(2)))
        else:
            params.setdefault(m.group(1).lower(), m.group(3).strip())
    return main, params


def find_delimiter(body, dash, start):
    """(begin, end) of the next delimiter "CRLF--boundary" at or after start;
    at the very start of the body the line break is not needed."""
    if start == 0 and body.startswith(dash) and DELIMITER_TAIL.match(body, len(dash)):
        return 0, len(dash)
    needle = b"\r\n" + dash
    while (i := body.find(needle, start)) >= 0:
        end = i + len(needle)
        if DELIMITER_TAIL.match(body, end):
            return i, end
        start = i + 1  # the boundary text inside content, not a delimiter line
    return None


def parse_part(raw):
    if raw.startswith(b"\r\n"):
        head, data = b"", raw[2:]
    else:
        head, sep, data = raw.partition(b"\r\n\r\n")
        if not sep:
            raise ValueError("part headers not followed by a blank line")
    headers = {}
    for line in head.decode("utf-8", "replace").split("\r\n") if head else ():
        name, colon, value = line.partition(":")
        if not colon:
            raise ValueError("part header without a colon")
        headers.setdefault(name.strip().lower(), value.strip())
    kind, params = header_params(headers.get("content-disposition", ""))
    if kind != "form-data" or "name" not in params:
        raise ValueError("part without Content-Disposition: form-data; name=...")
    return Part(params["name"], params.get("filename"), headers.get("content-type"), data)


def parse_multipart(content_type, body):
    """The parts of a multipart/form-data body; ValueError if it is not one.
    Part content is taken byte for byte."""
    kind, params = header_params(content_type or "")
    if kind != "multipart/form-data":
        raise ValueError("Content-Type is not multipart/form-data")
    boundary = params.get("boundary", "")
    if not 1 <= len(boundary) <= 70:
        raise ValueError("missing or bad boundary parameter")
    dash = b"--" + boundary.encode("latin-1", "replace")
    found = find_delimiter(body, dash, 0)
    if found is None:
        raise ValueError("no boundary in the body")
    parts = []
    while True:
        end = found[1]
        if body.startswith(b"--", end):
            return parts  # the close delimiter; anything after it is ignored
        start = body.index(b"\r\n", end) + 2
        found = find_delimiter(body, dash, start)
        if found is None:
            raise ValueError("body ends without the closing boundary")
        parts.append(parse_part(body[start:found[0]]))


# --------------------------------------------------------------------------
# The stand-in: state, routes, faults

@dataclass
class Route:
    name: str
    methods: frozenset
    pattern: "re.Pattern"
    handler: Callable  # (request, match) -> Response


@dataclass
class Fault:
    mode: str
    delay: float = 0.0
    status: int = 503
    remaining: Optional[int] = None  # None = until changed or reset


@dataclass
class Script:
    status: int
    headers: list
    body: bytes
    remaining: Optional[int] = None  # None = until replaced or reset


FAULT_MODES = ("none", "silent", "slow", "status", "close", "drip")
NOT_FOUND_ROUTE = "notfound"
SCRIPTED_ROUTE = "scripted"
# Headers the stand-in writes itself; scripts may not bring their own.
SERVER_HEADERS = frozenset({"date", "server", "content-length", "connection", "transfer-encoding"})
SESSION_COOKIE = "portal_session"
USER_COOKIE = "portal_user"
UPLOAD_FIELDS = ("name", "token", "key", "file")


class StandIn:
    def __init__(self, state_dir, log_body_max=DEFAULT_LOG_BODY_MAX):
        self.state_dir = state_dir
        self.log_path = os.path.join(state_dir, "requests.jsonl")
        self.log_body_max = log_body_max
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.log = []
        self.faults = {}
        self.scripts = {}    # path -> Script
        self.search_override = None
        self.sessions = set()  # portal_session values handed out by /signin
        self.uploads = {}    # key -> file content
        self.mp3s = {song.id: build_mp3(song) for song in CATALOGUE}
        open(self.log_path, "w").close()

        self.routes = [
            Route("search", frozenset({"GET"}), re.compile(re.escape(SEARCH_PATH)), self.search),
            Route("signin", frozenset({"POST"}), re.compile(r"/signin"), self.signin),
            Route("file-stat", frozenset({"POST"}), re.compile(r"/bucket/file-stat"), self.file_stat),
            Route("upload", frozenset({"POST"}), re.compile(r"/"), self.upload),
            Route("mp3", frozenset({"GET", "HEAD"}), re.compile(r"/(.+)"), self.mp3),
        ]
        self.control_routes = {
            ("GET", "requests"): self.control_requests,
            ("POST", "reset"): self.control_reset,
            ("POST", "fault"): self.control_fault,
            ("POST", "script"): self.control_script,
            ("POST", "search-reply"): self.control_search_reply,
            ("POST", "shutdown"): self.control_shutdown,
        }

    # -- dispatch

    def match(self, req):
        """(route name, response) for a service request."""
        scripted = self.take_script(req.route_path)
        if scripted is not None:
            return SCRIPTED_ROUTE, scripted
        for route in self.routes:
            m = route.pattern.fullmatch(req.route_path)
            if m and req.method in route.methods:
                resp = route.handler(req, m)
                if resp is not None:
                    return route.name, resp
        return NOT_FOUND_ROUTE, html_page(404)

    def take_script(self, path):
        """The scripted reply for this path, counting the script down if limited."""
        with self.lock:
            script = self.scripts.get(path)
            if script is None:
                return None
            if script.remaining is not None:
                script.remaining -= 1
                if script.remaining <= 0:
                    del self.scripts[path]
        return Response(script.status, script.body, None, list(script.headers))

    def control(self, req):
        name = req.route_path[len(CONTROL_PREFIX):]
        handler = self.control_routes.get((req.method, name))
        return handler(req) if handler else html_page(404, "unknown control request")

    def record(self, req, route, status):
        with self.lock:
            entry = req.log_entry(len(self.log) + 1, route, status, self.log_body_max)
            self.log.append(entry)
            with open(self.log_path, "a") as f:
                f.write(json.dumps(entry) + "\n")

    def take_fault(self, route):
        """The fault to apply to this request, counting it down if limited."""
        with self.lock:
            for key in (route, "*"):
                fault = self.faults.get(key)
                if fault is None:
                    continue
                if fault.remaining is not None:
                    fault.remaining -= 1
                    if fault.remaining <= 0:
                        del self.faults[key]
                return fault
        return None

    # -- service routes

    def search(self, req, match):
        if self.search_override is not None:
            return Response(200, self.search_override, SEARCH_CONTENT_TYPE)
        words = percent_decode(parse_query(req.query).get("w", "")).strip()
        # w is the song name directly followed by the singer, or the name alone.
        hit = next((s for s in CATALOGUE if words in (s.name + s.singer, s.name)), None)
        keyword = json.dumps(words, ensure_ascii=False)
        if hit is None:
            body = ('searchCallback({code:0,data:{song:{curnum:0,curpage:1,totalnum:0,'
                    'list:[]},keyword:%s}})' % keyword).encode("utf-8")
            return Response(200, body, SEARCH_CONTENT_TYPE)
        q = lambda s: json.dumps(s, ensure_ascii=False)
        body = ('searchCallback({code:0,data:{song:{curnum:1,curpage:1,totalnum:1, list:[ '
                '{id:%d,songname:%s,singername:%s,albumname:%s,interval:%d}]},keyword:%s}})'
                % (hit.id, q(hit.name), q(hit.singer), q(hit.album), hit.interval, keyword)
                ).encode("utf-8")
        marker = SEARCH_ID_MARKER + str(hit.id).encode() + b",songname:"
        pos = body.find(marker)
        assert 0 <= pos and pos + len(marker) <= SEARCH_MARKER_WINDOW, "id marker too late"
        return Response(200, body, SEARCH_CONTENT_TYPE)

    def mp3(self, req, match):
        key = match.group(1)
        with self.lock:
            data = self.uploads.get(key)
            if data is None:
                data = self.uploads.get(percent_decode(key))
        if data is None:
            song = re.fullmatch(r"(\d+)\.mp3", key)
            if song is None:
                return None  # neither an upload nor a song: not found
            data = self.mp3s.get(int(song.group(1)))
        if data is None:
            return html_page(404)
        total = len(data)
        common = [("Accept-Ranges", "bytes")]
        wanted = byte_range(req.header("Range"), total)
        if wanted is None:
            return Response(200, data, "audio/mpeg", common)
        if wanted == "unsatisfiable":
            page = html_page(416)
            page.headers = common + [("Content-Range", "bytes */%d" % total)]
            return page
        start, end = wanted
        return Response(206, data[start:end + 1], "audio/mpeg",
                        common + [("Content-Range", "bytes %d-%d/%d" % (start, end, total))])

    def signin(self, req, match):
        form = parse_form(req.body)
        username = form.get("username")
        if not username or "password" not in form:
            return json_reply({"ok": False, "error": "username and password are required"}, 400)
        session = secrets.token_hex(16)
        with self.lock:
            self.sessions.add(session)
        resp = json_reply({"ok": True})
        resp.headers = [
            ("Set-Cookie", "%s=%s; Path=/; HttpOnly" % (SESSION_COOKIE, session)),
            ("Set-Cookie", "%s=%s; Path=/" % (USER_COOKIE, cookie_value(username))),
        ]
        return resp

    def file_stat(self, req, match):
        form = parse_form(req.body)
        if "bucket" not in form or "key" not in form:
            return json_reply({"error": "bucket and key are required"}, 400)
        with self.lock:
            signed_in = any(name == SESSION_COOKIE and value in self.sessions
                            for name, value in request_cookies(req))
            exists = form["key"] in self.uploads
        return json_reply({"signed_in": signed_in, "exists": exists})

    def upload(self, req, match):
        try:
            parts = parse_multipart(req.header("Content-Type"), req.body)
        except ValueError as e:
            return json_reply({"error": "bad multipart body: %s" % e}, 400)
        first = {}
        for part in parts:
            first.setdefault(part.name, part)
        text = lambda name: first[name].data.decode("utf-8", "replace") if name in first else None
        file = first.get("file")
        req.multipart = {
            "fields": {name: text(name) for name in UPLOAD_FIELDS if name != "file"},
            "file": file and {"filename": file.filename, "content_type": file.content_type,
                              "length": len(file.data),
                              "sha256": hashlib.sha256(file.data).hexdigest()},
        }
        missing = [name for name in UPLOAD_FIELDS if name not in first]
        if missing:
            return json_reply({"error": "missing field(s): " + ", ".join(missing)}, 400)
        key = text("key")
        if not key:
            return json_reply({"error": "empty key"}, 400)
        with self.lock:
            self.uploads[key] = file.data
        return json_reply({"key": key, "hash": hashlib.sha1(file.data).hexdigest()})

    # -- control routes

    def control_requests(self, req):
        with self.lock:
            return json_reply(list(self.log))

    def control_reset(self, req):
        with self.lock:
            self.log.clear()
            self.faults.clear()
            self.scripts.clear()
            self.search_override = None
            self.sessions.clear()
            self.uploads.clear()
            open(self.log_path, "w").close()
        return json_reply({"ok": True})

    def control_fault(self, req):
        try:
            settings = json.loads(req.body.decode("utf-8"))
            route = settings["route"]
            mode = settings.get("mode", "none")
            delay = float(settings.get("delay", 0.0))
            status = int(settings.get("status", 503))
            count = settings.get("count")
            if not isinstance(route, str) or mode not in FAULT_MODES:
                raise ValueError("route must be a name or '*', mode one of %s" % ", ".join(FAULT_MODES))
            if delay < 0 or not 200 <= status <= 599:
                raise ValueError("delay must be >= 0 and status within 200..599")
            if count is not None and (not isinstance(count, int) or count < 1):
                raise ValueError("count must be a positive integer")
        except (ValueError, KeyError, TypeError, AttributeError) as e:
            return json_reply({"ok": False, "error": str(e)}, 400)
        with self.lock:
            if mode == "none":
                self.faults.pop(route, None)
            else:
                self.faults[route] = Fault(mode, delay, status, count)
        return json_reply({"ok": True})

    def control_script(self, req):
        try:
            settings = json.loads(req.body.decode("utf-8"))
            path = settings["path"]
            status = settings.get("status", 200)
            headers = settings.get("headers", [])
            body = base64.b64decode(settings.get("body_b64", ""), validate=True)
            count = settings.get("count")
            if not isinstance(path, str) or not path.startswith("/") or "?" in path \
                    or path.startswith(CONTROL_PREFIX):
                raise ValueError("path must start with '/', carry no query and not be a control path")
            if not isinstance(status, int) or not 200 <= status <= 599:
                raise ValueError("status must be an integer within 200..599")
            if count is not None and (not isinstance(count, int) or count < 1):
                raise ValueError("count must be a positive integer")
            if not isinstance(headers, list):
                raise ValueError("headers must be a list of [name, value] pairs")
            lines = []
            for header in headers:
                name, value = header if isinstance(header, list) and len(header) == 2 else (None, None)
                if not isinstance(name, str) or not TOKEN.fullmatch(name) \
                        or not isinstance(value, str) or re.search(r"[\r\n]", value):
                    raise ValueError("bad header %r" % (header,))
                if name.lower() in SERVER_HEADERS:
                    raise ValueError("%s is written by the stand-in itself" % name)
                value.encode("latin-1")
                lines.append((name, value))
        except (ValueError, KeyError, TypeError, AttributeError) as e:
            return json_reply({"ok": False, "error": str(e)}, 400)
        with self.lock:
            self.scripts[path] = Script(status, lines, body, count)
        return json_reply({"ok": True})

    def control_search_reply(self, req):
        with self.lock:
            self.search_override = req.body
        return json_reply({"ok": True})

    def control_shutdown(self, req):
        threading.Timer(0.05, self.stopping.set).start()  # answer first
        return json_reply({"ok": True})


class Connection(socketserver.StreamRequestHandler):
    """One client connection; serves requests until it should close."""

    timeout = IDLE_TIMEOUT

    def handle(self):
        app = self.server.app
        try:
            while not app.stopping.is_set():
                try:
                    req = read_request(self.rfile, self.wfile, self.server.scheme)
                except BadRequest as e:
                    app.record(e.request, "badrequest", 400)
                    self.send(e.request, html_page(400, str(e)), close=True)
                    return
                if req is None or not self.answer(req):
                    return
        except OSError:
            return  # peer went away, idle time-out, TLS trouble

    def answer(self, req):
        """Serve one request; True if the connection stays open."""
        app = self.server.app
        if req.route_path.startswith(CONTROL_PREFIX):
            return self.send(req, app.control(req))
        route, resp = app.match(req)
        fault = app.take_fault(route)
        mode = fault.mode if fault else "none"
        if mode == "status":
            resp = html_page(fault.status, "fault injected by the stand-in")
        app.record(req, route, None if mode in ("silent", "close") else resp.status)
        if mode == "silent":
            app.stopping.wait()  # hold the connection until the server stops
            return False
        if mode == "close":
            self.connection.shutdown(socket.SHUT_RDWR)
            return False
        if mode == "slow" and app.stopping.wait(fault.delay):
            return False
        return self.send(req, resp, drip=fault.delay if mode == "drip" else None)

    def send(self, req, resp, close=False, drip=None):
        close = close or req.wants_close()
        body = resp.body
        if resp.status in (204, 304):
            body = b""
        lines = ["HTTP/1.1 %d %s" % (resp.status, reason_phrase(resp.status)),
                 "Date: " + email.utils.formatdate(usegmt=True),
                 "Server: sonivane-standin"]
        if resp.content_type:
            lines.append("Content-Type: " + resp.content_type)
        lines += ["%s: %s" % h for h in resp.headers]
        if resp.status != 204:
            lines.append("Content-Length: %d" % len(body))
        if close:
            lines.append("Connection: close")
        head = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")
        if req.method == "HEAD":
            body = b""
        if drip is None:
            self.wfile.write(head + body)
        else:
            self.wfile.write(head)
            for i in range(len(body)):
                if self.server.app.stopping.wait(drip):
                    return False
                self.wfile.write(body[i:i + 1])
        return not close


class Listener(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    block_on_close = False
    allow_reuse_address = True

    def __init__(self, address, app, scheme, ssl_context=None):
        self.address_family = socket.AF_INET6 if ":" in address[0] else socket.AF_INET
        self.app = app
        self.scheme = scheme
        self.ssl_context = ssl_context
        super().__init__(address, Connection)

    def finish_request(self, request, client_address):
        if self.ssl_context is None:
            return super().finish_request(request, client_address)
        # The handshake runs here, in the connection's own thread, so a slow
        # or broken client cannot hold up accepting others.
        request.settimeout(HANDSHAKE_TIMEOUT)
        try:
            tls = self.ssl_context.wrap_socket(request, server_side=True)
        except OSError:
            return
        try:
            Connection(tls, client_address, self)
        finally:
            tls.close()

    def handle_error(self, request, client_address):
        if isinstance(sys.exc_info()[1], OSError):
            return
        super().handle_error(request, client_address)


# --------------------------------------------------------------------------
# Start-up

def loopback_host(host):
    if host == "localhost":
        return "127.0.0.1"
    try:
        if ipaddress.ip_address(host).is_loopback:
            return host
    except ValueError:
        pass
    return None


def main(argv=None):
    parser = argparse.ArgumentParser(description="Sonivane stand-in web server (loopback only).")
    parser.add_argument("--state-dir", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--http-port", type=int, default=0)
    parser.add_argument("--https-port", type=int, default=0)
    parser.add_argument("--log-body-max", type=int, default=DEFAULT_LOG_BODY_MAX, metavar="BYTES",
                        help="log request bodies up to this size in full (default %(default)s)")
    parser.add_argument("--exit-on-stdin-eof", action="store_true",
                        help="stop when stdin reaches end of file")
    args = parser.parse_args(argv)

    host = loopback_host(args.host)
    if host is None:
        parser.error("--host must be a loopback address, not %r" % args.host)
    state_dir = os.path.abspath(args.state_dir)
    os.makedirs(state_dir, exist_ok=True)
    try:
        ensure_certificates(state_dir)
    except (RuntimeError, OSError) as e:
        print("standin: cannot create certificates: %s" % e, file=sys.stderr)
        return 1

    app = StandIn(state_dir, args.log_body_max)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(state_dir, "server.pem"),
                            os.path.join(state_dir, "server.key"))
    listeners = [Listener((host, args.http_port), app, "http"),
                 Listener((host, args.https_port), app, "https", context)]
    for listener in listeners:
        threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()

    def stop(signum, frame):
        app.stopping.set()
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.exit_on_stdin_eof:
        def watch_stdin():
            # os.read, not sys.stdin: a daemon thread blocked inside a buffered
            # reader aborts the interpreter at exit.
            while os.read(sys.stdin.fileno(), 4096):
                pass
            app.stopping.set()
        threading.Thread(target=watch_stdin, daemon=True).start()

    fmt = "[%s]:%d" if ":" in host else "%s:%d"
    http_addr, https_addr = (fmt % (host, l.server_address[1]) for l in listeners)
    ca = os.path.join(state_dir, "ca.pem")
    ready_tmp = os.path.join(state_dir, "ready.json.tmp")
    with open(ready_tmp, "w") as f:
        json.dump({"http": http_addr, "https": https_addr, "ca": ca}, f)
    os.replace(ready_tmp, os.path.join(state_dir, "ready.json"))
    print("READY http=%s https=%s ca=%s" % (http_addr, https_addr, ca), flush=True)

    while not app.stopping.wait(0.5):
        pass
    for listener in listeners:
        listener.shutdown()
        listener.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
