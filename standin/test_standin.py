#!/usr/bin/env python3
"""Tests for the stand-in web server; each class runs its own server process."""

import base64
import hashlib
import http.client
import json
import re
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "standin.py")
SEARCH = "/fcgi-bin/fcg_weixin_music_search.fcg"


def start_server(state_dir, *extra):
    proc = subprocess.Popen(
        [sys.executable, SERVER, "--state-dir", state_dir, "--exit-on-stdin-eof", *extra],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    if not line.startswith("READY "):
        proc.kill()
        raise RuntimeError("no READY line: %r %s" % (line, proc.stderr.read()))
    fields = dict(part.split("=", 1) for part in line.split()[1:])
    return proc, fields


def stop_server(proc):
    proc.terminate()
    code = proc.wait(timeout=5)
    proc.stdin.close()
    proc.stdout.close()
    proc.stderr.close()
    return code


def split_addr(addr):
    host, port = addr.rsplit(":", 1)
    return host, int(port)


class ServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.proc, cls.ready = start_server(os.path.join(cls.tmp.name, "state"))
        cls.http_addr = split_addr(cls.ready["http"])
        cls.https_addr = split_addr(cls.ready["https"])
        cls.tls = ssl.create_default_context(cafile=cls.ready["ca"])
        cls.tls.check_hostname = True

    @classmethod
    def tearDownClass(cls):
        code = stop_server(cls.proc)
        cls.tmp.cleanup()
        assert code == 0, "server exited with %r" % code

    def setUp(self):
        self.request("POST", "/__standin/reset")

    def connect(self, tls=True, host=None, timeout=5):
        if tls:
            host = host or self.https_addr[0]
            return http.client.HTTPSConnection(host, self.https_addr[1], timeout=timeout,
                                               context=self.tls)
        return http.client.HTTPConnection(*self.http_addr, timeout=timeout)

    def request(self, method, target, body=None, headers=None, tls=True, timeout=5):
        conn = self.connect(tls, timeout=timeout)
        try:
            conn.request(method, target, body=body, headers=headers or {})
            resp = conn.getresponse()
            return resp.status, dict(resp.getheaders()), resp.read()
        finally:
            conn.close()

    def raw(self, data, tls=False):
        """Send raw bytes, return everything the server sends until it closes."""
        sock = socket.create_connection(self.https_addr if tls else self.http_addr, timeout=5)
        if tls:
            sock = self.tls.wrap_socket(sock, server_hostname="127.0.0.1")
        with sock:
            sock.sendall(data)
            chunks = []
            while chunk := sock.recv(65536):
                chunks.append(chunk)
        return b"".join(chunks)

    def script(self, **settings):
        status, _, body = self.request("POST", "/__standin/script", json.dumps(settings))
        self.assertEqual(status, 200, body)

    def fault(self, **settings):
        status, _, body = self.request("POST", "/__standin/fault", json.dumps(settings))
        self.assertEqual(status, 200, body)

    def logged(self):
        status, _, body = self.request("GET", "/__standin/requests", tls=False)
        self.assertEqual(status, 200)
        return json.loads(body)

    def search(self, words_escaped, **kw):
        return self.request("GET", SEARCH + "?ct=24&qqmusic_ver=1298&w=" + words_escaped + "&p=1", **kw)

    def mp3(self, song_id=97773):
        status, _, body = self.request("GET", "/%d.mp3" % song_id)
        self.assertEqual(status, 200)
        return body


class SearchTest(ServerTest):
    def assert_hit(self, body, song_id, name):
        marker = b", list:[ {id:%d,songname:" % song_id
        self.assertIn(marker, body[:180])
        self.assertIn(('songname:"%s"' % name).encode("utf-8"), body)

    def test_hits_and_misses(self):
        esc = lambda s: urllib.parse.quote(s, safe="")
        cases = [
            # (w as sent, expected id or None)
            (esc("晴天乐队"), 97773),
            (esc("晴天"), 97773),
            ("Night%20DriveThe%20Lanterns", 20481),
            (esc("Paper Boats陈一帆"), 41999),
            ("Night+DriveThe+Lanterns", None),   # '+' is not a blank here
            (esc("乐队晴天"), None),
            (esc("晴天乐"), None),
            ("", None),
        ]
        for w, song_id in cases:
            with self.subTest(w=w):
                status, headers, body = self.search(w, tls=song_id is not None)
                self.assertEqual(status, 200)
                self.assertEqual(headers["Content-Type"], "application/x-javascript; charset=utf-8")
                self.assertTrue(body.startswith(b"searchCallback({code:0,data:{song:{"))
                self.assertTrue(body.endswith(b"}})"))
                if song_id is None:
                    self.assertIn(b"totalnum:0,list:[]}", body)
                else:
                    self.assert_hit(body, song_id, next(
                        n for i, n in [(97773, "晴天"), (20481, "Night Drive"), (41999, "Paper Boats")]
                        if i == song_id))

    def test_raw_blanks_and_raw_utf8_in_target(self):
        for words, song_id, name in [("Night DriveThe Lanterns", 20481, "Night Drive"),
                                     ("晴天乐队", 97773, "晴天")]:
            with self.subTest(words=words):
                target = (SEARCH + "?w=" + words + "&p=1").encode("utf-8")
                reply = self.raw(b"GET " + target + b" HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
                self.assertTrue(reply.startswith(b"HTTP/1.1 200 "), reply[:60])
                self.assert_hit(reply.partition(b"\r\n\r\n")[2], song_id, name)
                entry = self.logged()[-1]
                self.assertEqual(entry["target"].encode("latin-1"), target)
                self.assertEqual(entry["version"], "HTTP/1.1")

    def test_search_reply_override_until_reset(self):
        canned = "searchCallback({code:1}) \xff".encode("latin-1")
        self.request("POST", "/__standin/search-reply", canned)
        self.assertEqual(self.search("anything")[2], canned)
        self.assertEqual(self.search("%E6%99%B4%E5%A4%A9")[2], canned)
        self.request("POST", "/__standin/reset")
        self.assertIn(b"{id:97773,", self.search("%E6%99%B4%E5%A4%A9")[2])


class RequestLogTest(ServerTest):
    def test_log_keeps_request_as_sent(self):
        self.raw(b"POST /some/where?b=2&a=%201 HTTP/1.0\r\nX-Zeta: 1\r\nHost: h\r\n"
                 b"x-alpha:  two words \r\nContent-Length: 5\r\n\r\nhello", tls=True)
        self.raw(b"PUT /chunky HTTP/1.1\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                 b"3\r\nabc\r\n4;ext=1\r\ndefg\r\n0\r\nTrailer: x\r\n\r\n")
        self.request("GET", "/__standin/requests")  # control requests stay out of the log
        first, second = self.logged()
        self.assertEqual({k: first[k] for k in ("seq", "scheme", "method", "target", "path",
                                                "query", "version", "status")},
                         {"seq": 1, "scheme": "https", "method": "POST",
                          "target": "/some/where?b=2&a=%201", "path": "/some/where",
                          "query": "b=2&a=%201", "version": "HTTP/1.0", "status": 404})
        self.assertEqual(first["headers"], [["X-Zeta", "1"], ["Host", "h"],
                                            ["x-alpha", "two words"], ["Content-Length", "5"]])
        self.assertEqual(base64.b64decode(first["body_b64"]), b"hello")
        self.assertEqual((second["seq"], second["method"], base64.b64decode(second["body_b64"])),
                         (2, "PUT", b"abcdefg"))
        with open(os.path.join(self.tmp.name, "state", "requests.jsonl")) as f:
            self.assertEqual([json.loads(line) for line in f], [first, second])

    def test_malformed_request_lines_are_answered_and_logged(self):
        cases = [
            (b"GET /a\xe4b c HTTP/1.1\r\nConnection: close\r\n\r\n", b"HTTP/1.1 404 ", "/a\xe4b c"),
            (b"GET /no-version\r\n\r\n", b"HTTP/1.1 400 ", "/no-version"),
            (b"G(T / HTTP/1.1\r\n\r\n", b"HTTP/1.1 400 ", "/"),
        ]
        for line, status_line, target in cases:
            with self.subTest(line=line):
                self.assertTrue(self.raw(line).startswith(status_line))
                entry = self.logged()[-1]
                self.assertEqual(entry["target"], target)
                self.assertEqual(entry["status"], int(status_line.split()[1]))

    def test_reset_clears_log(self):
        self.request("GET", "/x")
        self.assertEqual(len(self.logged()), 1)
        self.request("POST", "/__standin/reset")
        self.assertEqual(self.logged(), [])


class Mp3Test(ServerTest):
    def test_mp3_is_parseable(self):
        data = self.mp3(97773)
        self.assertEqual(data[:5], b"ID3\x04\x00")
        size_bytes = data[6:10]
        self.assertTrue(all(b < 0x80 for b in size_bytes))
        tag_size = sum(b << (7 * (3 - i)) for i, b in enumerate(size_bytes))
        tag = data[10:10 + tag_size]
        self.assertIn(b"TIT2\x00\x00\x00\x07\x00\x00\x03" + "晴天".encode(), tag)
        self.assertIn(b"TPE1", tag)
        pos, frames = 10 + tag_size, 0
        while pos < len(data):
            header = data[pos:pos + 4]
            self.assertEqual(header[:3], b"\xff\xfb\x90", "frame %d" % frames)
            self.assertEqual(header[3] >> 6, 3, "mono")
            pos += 417 + ((header[2] >> 1) & 1)
            frames += 1
        self.assertEqual(pos, len(data))
        self.assertAlmostEqual(frames * 1152 / 44100, 3.0, delta=0.1)

    def test_unknown_id_is_404(self):
        self.assertEqual(self.request("GET", "/12345.mp3")[0], 404)
        self.assertEqual(self.request("GET", "/97773.mp3x")[0], 404)

    def test_ranges_on_one_keep_alive_connection(self):
        full = self.mp3()
        n = len(full)
        cases = [
            # (Range header, status, expected body slice, Content-Range)
            (None, 200, slice(None), None),
            ("bytes=0-99", 206, slice(0, 100), "bytes 0-99/%d" % n),
            ("bytes=100-", 206, slice(100, None), "bytes 100-%d/%d" % (n - 1, n)),
            ("bytes=-50", 206, slice(n - 50, None), "bytes %d-%d/%d" % (n - 50, n - 1, n)),
            ("bytes=-%d" % (n + 10), 206, slice(None), "bytes 0-%d/%d" % (n - 1, n)),
            ("bytes=%d-%d" % (n - 5, n + 100), 206, slice(n - 5, None), "bytes %d-%d/%d" % (n - 5, n - 1, n)),
            ("bytes=%d-" % n, 416, None, "bytes */%d" % n),
            ("bytes=-0", 416, None, "bytes */%d" % n),
            ("bytes=0-1,5-6", 200, slice(None), None),
            ("bytes=5-2", 200, slice(None), None),
            ("pages=1-2", 200, slice(None), None),
        ]
        conn = self.connect()
        sock_ids = set()
        for method in ("GET", "HEAD"):
            for rng, status, part, content_range in cases:
                with self.subTest(method=method, range=rng):
                    conn.request(method, "/97773.mp3", headers={"Range": rng} if rng else {})
                    sock_ids.add(id(conn.sock))
                    resp = conn.getresponse()
                    body = resp.read()
                    self.assertEqual(resp.status, status)
                    self.assertEqual(resp.getheader("Content-Range"), content_range)
                    self.assertEqual(resp.getheader("Accept-Ranges"), "bytes")
                    if part is not None:
                        self.assertEqual(resp.getheader("Content-Type"), "audio/mpeg")
                        self.assertEqual(int(resp.getheader("Content-Length")), len(full[part]))
                        self.assertEqual(body, full[part] if method == "GET" else b"")
        conn.close()
        self.assertEqual(len(sock_ids), 1, "connection was not kept alive")

    def test_connection_closes_when_asked(self):
        for request in (b"GET /97773.mp3 HTTP/1.0\r\nRange: bytes=0-9\r\n\r\n",
                        b"GET /97773.mp3 HTTP/1.1\r\nRange: bytes=0-9\r\nConnection: close\r\n\r\n"):
            with self.subTest(request=request):
                reply = self.raw(request)  # returns only once the server closes
                self.assertTrue(reply.startswith(b"HTTP/1.1 206 "))
                self.assertEqual(len(reply.partition(b"\r\n\r\n")[2]), 10)


class FaultTest(ServerTest):
    def test_status_with_count_reverts(self):
        self.fault(route="search", mode="status", status=503, count=2)
        self.fault(route="mp3", mode="status", status=500)
        self.assertEqual(self.mp3_status(), 500)
        for expected in (503, 503, 200):
            status, headers, body = self.search("x")
            self.assertEqual(status, expected)
        self.assertIn(b"<html>", self.request("GET", "/97773.mp3")[2])
        self.fault(route="mp3", mode="none")
        self.assertEqual(self.mp3_status(), 200)
        self.assertEqual([e["status"] for e in self.logged()], [500, 503, 503, 200, 500, 200])

    def mp3_status(self):
        return self.request("GET", "/97773.mp3")[0]

    def test_wildcard_applies_to_every_route(self):
        self.fault(route="*", mode="status", status=502, count=3)
        self.assertEqual([self.search("x")[0], self.mp3_status(), self.request("GET", "/nope")[0],
                          self.mp3_status()], [502, 502, 502, 200])

    def test_close_drops_connection_after_logging(self):
        self.fault(route="mp3", mode="close", count=1)
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError, ssl.SSLError)):
            self.request("GET", "/97773.mp3")
        self.assertEqual(self.mp3_status(), 200)
        self.assertEqual([e["status"] for e in self.logged()], [None, 200])

    def test_slow_and_drip_delay_the_answer(self):
        self.request("POST", "/__standin/search-reply", b"abcde")
        self.fault(route="search", mode="slow", delay=0.3, count=1)
        t0 = time.monotonic()
        self.assertEqual(self.search("x")[2], b"abcde")
        self.assertGreaterEqual(time.monotonic() - t0, 0.3)

        self.fault(route="search", mode="drip", delay=0.1, count=1)
        conn = self.connect()
        t0 = time.monotonic()
        conn.request("GET", SEARCH + "?w=x")
        resp = conn.getresponse()
        headers_after = time.monotonic() - t0
        self.assertEqual(resp.read(), b"abcde")
        self.assertLess(headers_after, 0.3)
        self.assertGreaterEqual(time.monotonic() - t0, 0.5)
        conn.close()

    def test_silent_never_answers_but_blocks_nobody(self):
        self.fault(route="search", mode="silent", count=1)
        with self.assertRaises(TimeoutError):
            self.search("x", timeout=0.5)
        self.assertEqual(self.search("x", timeout=2)[0], 200)
        self.assertEqual([e["status"] for e in self.logged()], [None, 200])

    def test_bad_fault_settings_rejected(self):
        for settings in ({"mode": "silent"}, {"route": "search", "mode": "explode"},
                     {"route": "search", "mode": "status", "status": 99},
                     {"route": "search", "mode": "slow", "count": 0}):
            with self.subTest(settings=settings):
                self.assertEqual(self.request("POST", "/__standin/fault", json.dumps(settings))[0], 400)

    def test_reset_clears_faults(self):
        self.fault(route="*", mode="status", status=500)
        self.request("POST", "/__standin/reset")
        self.assertEqual(self.mp3_status(), 200)


def split_reply(reply):
    """(status line, [(name, value), ...], body) of a raw HTTP/1.1 reply."""
    head, _, body = reply.partition(b"\r\n\r\n")
    status_line, *lines = head.decode("latin-1").split("\r\n")
    return status_line, [tuple(line.split(": ", 1)) for line in lines], body


class ScriptedTest(ServerTest):
    def test_reply_is_sent_as_scripted(self):
        filler = [["X-Filler-%02d" % i, "f" * 60] for i in range(30)]
        cookies = [["Set-Cookie", "a=1; path=/"], ["Set-Cookie", "b=2"],
                   ["set-cookie", "c=3; Domain=localhost; HttpOnly"]]
        headers = [["Content-Type", "text/plain; charset=gbk"]] + filler + cookies
        body = b"\x00scripted\r\n\xff"
        self.script(path="/portal/landing", status=302, headers=headers,
                    body_b64=base64.b64encode(body).decode())
        for tls, request in [
                (False, b"GET /portal/landing?x=1 HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n"),
                (True, b"POST /portal/landing HTTP/1.0\r\nContent-Length: 2\r\n\r\nhi")]:
            with self.subTest(tls=tls):
                reply = self.raw(request, tls=tls)
                status_line, lines, got_body = split_reply(reply)
                self.assertEqual(status_line, "HTTP/1.1 302 Found")
                self.assertGreater(len(reply.partition(b"\r\n\r\n")[0]), 2048)
                names = [n.lower() for n, _ in lines]
                self.assertEqual([n for n, _ in lines[:2]], ["Date", "Server"])
                self.assertEqual(lines[2:2 + len(headers)], [tuple(h) for h in headers])
                self.assertEqual(lines[2 + len(headers):],
                                 [("Content-Length", str(len(body))), ("Connection", "close")])
                self.assertEqual(names.count("content-type"), 1)
                self.assertEqual(got_body, body)
        # The client side sees every Set-Cookie line, in order.
        conn = self.connect()
        conn.request("HEAD", "/portal/landing")
        resp = conn.getresponse()
        self.assertEqual([v for n, v in resp.getheaders() if n.lower() == "set-cookie"],
                         [v for _, v in cookies])
        conn.close()
        self.assertEqual({e["route"] for e in self.logged()}, {"scripted"})

    def test_count_replace_and_precedence(self):
        song = "/97773.mp3"
        self.script(path=song, status=503, body_b64=base64.b64encode(b"old").decode())
        self.script(path=song, status=500, body_b64=base64.b64encode(b"new").decode(), count=2)
        self.script(path="/other", status=200, body_b64=base64.b64encode(b"other").decode())
        got = [self.request("GET", song)[::2], self.request("GET", "/other")[::2],
               self.request("HEAD", song)[::2],
               self.request("GET", song, headers={"Range": "bytes=0-2"})[::2],
               self.request("GET", "/other", tls=False)[::2]]
        self.assertEqual(got, [(500, b"new"), (200, b"other"), (500, b""), (206, b"ID3"), (200, b"other")])
        self.assertEqual([e["route"] for e in self.logged()],
                         ["scripted", "scripted", "scripted", "mp3", "scripted"])
        self.request("POST", "/__standin/reset")
        self.assertEqual(self.request("GET", "/other")[0], 404)

    def test_faults_apply_to_scripted_replies(self):
        self.script(path="/s", status=200, body_b64=base64.b64encode(b"ok").decode())
        self.fault(route="scripted", mode="status", status=502, count=1)
        self.fault(route="*", mode="close", count=1)
        self.assertEqual(self.request("GET", "/s")[0], 502)
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError, ssl.SSLError)):
            self.request("GET", "/s")
        self.assertEqual(self.request("GET", "/s")[::2], (200, b"ok"))

    def test_bad_scripts_rejected(self):
        for settings in ({"status": 200}, {"path": "no-slash"}, {"path": "/a?b=1"},
                         {"path": "/__standin/requests"}, {"path": "/a", "status": 99},
                         {"path": "/a", "count": 0}, {"path": "/a", "body_b64": "%%%"},
                         {"path": "/a", "headers": [["Bad Name", "x"]]},
                         {"path": "/a", "headers": [["X", "a\r\nInjected: 1"]]},
                         {"path": "/a", "headers": [["X", "\u6674"]]},
                         {"path": "/a", "headers": ["XY"]},
                         {"path": "/a", "headers": [["Content-Length", "3"]]}):
            with self.subTest(settings=settings):
                self.assertEqual(self.request("POST", "/__standin/script", json.dumps(settings))[0], 400)
        self.assertEqual(self.request("GET", "/a")[0], 404)


class ProxyFormTest(ServerTest):
    def test_absolute_targets_are_served_and_logged(self):
        cases = [
            # (target as sent, tls, status, part of the body, path, query)
            ("http://127.0.0.1:9/97773.mp3?from=proxy", False, 200, b"ID3", "/97773.mp3", "from=proxy"),
            ("HTTP://example.invalid" + SEARCH + "?w=%E6%99%B4%E5%A4%A9", False, 200,
             b"{id:97773,", SEARCH, "w=%E6%99%B4%E5%A4%A9"),
            ("https://localhost:1/nowhere", True, 404, b"<html>", "/nowhere", ""),
            ("http://example.invalid?x=1", False, 404, b"<html>", "/", "x=1"),
        ]
        for target, tls, status, part, path, query in cases:
            with self.subTest(target=target):
                reply = self.raw(b"GET %s HTTP/1.1\r\nHost: example.invalid\r\nConnection: close\r\n\r\n"
                                 % target.encode(), tls=tls)
                status_line, _, body = split_reply(reply)
                self.assertEqual(int(status_line.split()[1]), status)
                self.assertIn(part, body)
                entry = self.logged()[-1]
                self.assertEqual((entry["target"], entry["path"], entry["query"], entry["proxied"]),
                                 (target, path, query, True))
        self.request("GET", "/97773.mp3?x")
        self.assertFalse(self.logged()[-1]["proxied"])


class BodyLogTest(ServerTest):
    def test_body_digest_and_cut_off(self):
        pattern = bytes(range(256)) * 4096   # 1 MiB
        cases = [
            # (body, tls, kept in the log in full)
            (b"", False, True),
            (pattern, False, True),            # exactly the default limit
            (pattern + b"x", True, False),
            (pattern * 2, False, False),
            (pattern * 10, True, False),
        ]
        for body, tls, kept in cases:
            with self.subTest(length=len(body), tls=tls):
                t0 = time.monotonic()
                status, _, _ = self.request("PUT", "/sink", body, tls=tls)
                self.assertEqual(status, 404)
                self.assertLess(time.monotonic() - t0, 3.0)
                entry = self.logged()[-1]
                self.assertEqual(entry["body_length"], len(body))
                self.assertEqual(entry["body_sha256"], hashlib.sha256(body).hexdigest())
                logged = entry["body_b64"]
                self.assertEqual(None if logged is None else base64.b64decode(logged),
                                 body if kept else None)


def multipart(parts, boundary="----sonivane7MA4YWxkTrZu0gW"):
    """A multipart/form-data body from (name, value) and (name, filename, type, data)."""
    out = []
    for part in parts:
        if len(part) == 2:
            name, value = part
            out.append(b'--%s\r\nContent-Disposition: form-data; name="%s"\r\n\r\n%s\r\n'
                       % (boundary.encode(), name.encode(), value.encode()))
        else:
            name, filename, ctype, data = part
            out.append(b'--%s\r\nContent-Disposition: form-data; name="%s"; filename="%s"\r\n'
                       b'Content-Type: %s\r\n\r\n%s\r\n'
                       % (boundary.encode(), name.encode(), filename.encode(), ctype.encode(), data))
    out.append(b"--%s--\r\n" % boundary.encode())
    return b"".join(out), "multipart/form-data; boundary=" + boundary


class StorageTest(ServerTest):
    def form(self, target, fields, cookie=None, tls=True):
        headers = {"Content-Type": "application/x-www-form-urlencoded"}
        if cookie:
            headers["Cookie"] = cookie
        conn = self.connect(tls)
        conn.request("POST", target, urllib.parse.urlencode(fields), headers)
        resp = conn.getresponse()
        reply = resp.status, resp.getheaders(), resp.read()
        conn.close()
        return reply

    def upload(self, key, data, filename="song.mp3", tls=True, fields=None):
        fields = fields if fields is not None else [("name", filename), ("token", "tok:en=="), ("key", key)]
        body, ctype = multipart(fields + [("file", filename, "application/octet-stream", data)])
        return self.request("POST", "/", body, {"Content-Type": ctype}, tls=tls)

    def file_stat(self, key, cookie=None, tls=True):
        status, _, body = self.form("/bucket/file-stat", {"bucket": "music", "key": key}, cookie, tls)
        self.assertEqual(status, 200)
        return json.loads(body)

    def test_signin_then_file_stat(self):
        status, headers, body = self.form("/signin", {"username": "张三 a@b;c", "password": "p&w=",
                                                      "remember": "true"})
        self.assertEqual((status, json.loads(body)), (200, {"ok": True}))
        cookies = [v for n, v in headers if n == "Set-Cookie"]
        self.assertEqual(len(cookies), 2, headers)
        m = re.fullmatch(r"portal_session=([0-9a-f]{32}); Path=/; HttpOnly", cookies[0])
        self.assertTrue(m, cookies[0])
        self.assertEqual(cookies[1], "portal_user=%E5%BC%A0%E4%B8%89%20a@b%3Bc; Path=/")
        session = m.group(1)
        self.upload("20144198533456789.mp3", b"data")
        cases = [
            # (Cookie header, key, tls, expected)
            (None, "20144198533456789.mp3", True, {"signed_in": False, "exists": True}),
            ("portal_session=" + session, "nope.mp3", True, {"signed_in": True, "exists": False}),
            ("a=1; portal_session=%s; portal_user=x" % session, "20144198533456789.mp3", False,
             {"signed_in": True, "exists": True}),
            ("portal_session=" + "0" * 32, "20144198533456789.mp3", True,
             {"signed_in": False, "exists": True}),
            ("portal_user=" + session, "nope.mp3", True, {"signed_in": False, "exists": False}),
        ]
        for cookie, key, tls, expected in cases:
            with self.subTest(cookie=cookie, key=key):
                self.assertEqual(self.file_stat(key, cookie, tls), expected)
        self.request("POST", "/__standin/reset")
        self.assertEqual(self.file_stat("20144198533456789.mp3", "portal_session=" + session),
                         {"signed_in": False, "exists": False})

    def test_upload_is_byte_exact_and_downloadable(self):
        boundary_like = b"\r\n------sonivane7MA4YWxkTrZu0gWX\r\n--"
        files = [
            ("20144198533456789.mp3",
             b"ID3\x00\r\n\r\n\x00\xff" + boundary_like + bytes(range(256)) + b"\r\n"),
            ("20144198533400000.mp3", b""),
        ]
        for key, data in files:
            with self.subTest(key=key):
                status, _, body = self.upload(key, data, tls=key.endswith("9.mp3"))
                self.assertEqual((status, json.loads(body)),
                                 (200, {"key": key, "hash": hashlib.sha1(data).hexdigest()}))
                entry = self.logged()[-1]
                self.assertEqual((entry["route"], entry["multipart"]), ("upload", {
                    "fields": {"name": "song.mp3", "token": "tok:en==", "key": key},
                    "file": {"filename": "song.mp3", "content_type": "application/octet-stream",
                             "length": len(data), "sha256": hashlib.sha256(data).hexdigest()}}))
        data = files[0][1]
        n = len(data)
        cases = [
            # (method, key, Range, status, body, Content-Range)
            ("GET", files[0][0], None, 200, data, None),
            ("GET", files[0][0], "bytes=3-12", 206, data[3:13], "bytes 3-12/%d" % n),
            ("HEAD", files[0][0], "bytes=-4", 206, b"", "bytes %d-%d/%d" % (n - 4, n - 1, n)),
            ("GET", files[1][0], None, 200, b"", None),
            ("GET", files[1][0], "bytes=0-", 416, None, "bytes */0"),
            ("GET", "20144198533411111.mp3", None, 404, None, None),
        ]
        for method, key, rng, status, body, content_range in cases:
            with self.subTest(method=method, key=key, range=rng):
                conn = self.connect(tls=False)
                conn.request(method, "/" + key, headers={"Range": rng} if rng else {})
                resp = conn.getresponse()
                got = resp.read()
                conn.close()
                self.assertEqual(resp.status, status)
                self.assertEqual(resp.getheader("Content-Range"), content_range)
                if body is not None:
                    self.assertEqual(got, body)
                    self.assertEqual(resp.getheader("Content-Type"), "audio/mpeg")
        self.assertEqual(self.request("GET", "/97773.mp3", headers={"Range": "bytes=0-2"})[2], b"ID3")

    def test_bad_uploads_answer_400(self):
        good, ctype = multipart([("name", "a"), ("token", "t"), ("key", "k"),
                                 ("file", "a.mp3", "audio/mpeg", b"x")])
        cases = [
            # (Content-Type, body, expected fields in the log or None)
            ("application/octet-stream", good, None),
            ("multipart/form-data", good, None),
            (ctype, good[:-30], None),                                   # no closing boundary
            (ctype, good.replace(b"form-data; ", b"", 1), None),         # part without a name
            (ctype, multipart([("name", "a"), ("key", "k"), ("file", "a.mp3", "audio/mpeg", b"x")])[0],
             {"name": "a", "token": None, "key": "k"}),
            (ctype, multipart([("name", "a"), ("token", "t"), ("key", "k")])[0],
             {"name": "a", "token": "t", "key": "k"}),
        ]
        for content_type, body, fields in cases:
            with self.subTest(content_type=content_type, body=body[-40:]):
                status, headers, reply = self.request("POST", "/", body, {"Content-Type": content_type})
                self.assertEqual(status, 400)
                self.assertIn("error", json.loads(reply))
                multipart_log = self.logged()[-1]["multipart"]
                self.assertEqual(multipart_log and multipart_log["fields"], fields)
        self.assertEqual(self.request("GET", "/k")[0], 404)


class LifecycleTest(unittest.TestCase):
    def test_start_stop_and_reuse_of_state_dir(self):
        with tempfile.TemporaryDirectory() as tmp:
            state = os.path.join(tmp, "new", "state")
            proc, ready = start_server(state)
            with open(os.path.join(state, "ready.json")) as f:
                self.assertEqual(json.load(f), ready)
            self.assertEqual(ready["ca"], os.path.join(state, "ca.pem"))
            # The certificate verifies under both names it is issued for.
            ctx = ssl.create_default_context(cafile=ready["ca"])
            port = split_addr(ready["https"])[1]
            for host in ("127.0.0.1", "localhost"):
                with self.subTest(host=host):
                    conn = http.client.HTTPSConnection(host, port, context=ctx, timeout=5)
                    conn.request("GET", "/97773.mp3", headers={"Range": "bytes=0-2"})
                    self.assertEqual(conn.getresponse().read(), b"ID3")
                    conn.close()
            with open(ready["ca"], "rb") as f:
                ca = f.read()
            proc.stdin.close()  # --exit-on-stdin-eof
            self.assertEqual(proc.wait(timeout=5), 0)
            proc.stdout.close()
            proc.stderr.close()

            proc, _ = start_server(state)
            self.assertEqual(stop_server(proc), 0)
            with open(os.path.join(state, "ca.pem"), "rb") as f:
                self.assertEqual(f.read(), ca, "existing CA was replaced")

    def test_refuses_non_loopback_host(self):
        result = subprocess.run([sys.executable, SERVER, "--state-dir", "/nonexistent/x",
                                 "--host", "0.0.0.0"], capture_output=True, timeout=10)
        self.assertNotEqual(result.returncode, 0)
        self.assertNotIn(b"READY", result.stdout)


if __name__ == "__main__":
    unittest.main()
