#!/usr/bin/env python3
"""Writes gate.png: 16x16, opaque red in columns 0-3 and 12-15, fully transparent between (the
builder keeps the whole frame: its opaque pixels span it). Run it to remake the file."""
import os, struct, zlib

def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

raw = b"".join(b"\0" + b"".join(bytes([255, 0, 0, 255] if x < 4 or x > 11 else [0, 0, 0, 0]) for x in range(16))
               for y in range(16))
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "gate.png"), "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
