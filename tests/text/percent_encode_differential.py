#!/usr/bin/env python3
"""Checks percent-encode against Python's own GBK codec.

Usage: percent_encode_differential.py FILTER_PROGRAM [COUNT] [SEED]

Random texts mix ASCII (letters, digits, blank, the escaped punctuation and
control bytes) with two-byte GBK characters; the expected encoding is worked
out here independently: escaped ASCII as %XX, other ASCII as itself, every
two-byte character as the escapes of its UTF-8 bytes.
"""
import random
import subprocess
import sys

ESCAPED = set(range(0x21, 0x30)) | set(range(0x3A, 0x41)) | set(range(0x5B, 0x61)) | set(range(0x7B, 0x7F)) | {9, 10, 13}


def random_gbk_char(rng):
    while True:
        lead = rng.randint(0x81, 0xFE)
        trail = rng.choice([b for b in range(0x40, 0xFF) if b != 0x7F])
        raw = bytes([lead, trail])
        try:
            char = raw.decode("gbk")
        except UnicodeDecodeError:
            continue
        # Keep only pairs that this codec and the Windows code page agree on.
        if char.encode("gbk") == raw and len(char) == 1:
            return raw, char


def random_case(rng):
    raw = bytearray()
    expected = []
    for _ in range(rng.randint(0, 24)):
        if rng.random() < 0.5:
            encoded, char = random_gbk_char(rng)
            raw += encoded
            expected.append("".join("%%%02X" % b for b in char.encode("utf-8")))
        else:
            byte = rng.choice([9, 10, 13, 1, 0x1F, 0x7F] + list(range(0x20, 0x7F)))
            raw.append(byte)
            expected.append("%%%02X" % byte if byte in ESCAPED else chr(byte))
    return bytes(raw), "".join(expected)


def main():
    program = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20141
    rng = random.Random(seed)
    cases = [random_case(rng) for _ in range(count)]
    feed = "".join(raw.hex() + "\n" for raw, _ in cases)
    result = subprocess.run([program], input=feed.encode("ascii"), capture_output=True, check=True)
    outputs = result.stdout.decode("latin-1").split("\n")
    failures = 0
    for (raw, expected), got in zip(cases, outputs):
        if got != expected:
            failures += 1
            if failures <= 5:
                print("MISMATCH input=%s expected=%r got=%r" % (raw.hex(), expected, got))
    if len(outputs) < len(cases):
        print("filter returned %d lines for %d cases" % (len(outputs), len(cases)))
        failures += 1
    print("%d cases, seed %d: %d passed, %d failed" % (count, seed, count - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
