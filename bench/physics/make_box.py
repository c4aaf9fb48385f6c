#!/usr/bin/env python3
"""Writes the physics benchmark's 10x10 box image (opaque, one colour with a darker rim), the same
pixels the LOVE peer makes for itself. Usage: make_box.py OUT.png"""
import struct, sys, zlib

def png(path, w, h, rows):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(r) for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

rows = []
for y in range(10):
    row = []
    for x in range(10):
        rim = x in (0, 9) or y in (0, 9)
        row += [0x60, 0x90, 0xF0, 255] if not rim else [0x20, 0x40, 0x90, 255]
    rows.append(row)
png(sys.argv[1], 10, 10, rows)
