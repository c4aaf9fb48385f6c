#!/usr/bin/env python3
"""Writes the sprite benchmark's 32x32 image: a filled circle with a soft rim, the same pixels the
minimal program and the LOVE peer make for themselves. Usage: make_sprite.py OUT.png"""
import math, struct, sys, zlib

def png(path, w, h, rows):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(r) for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

rows = []
for y in range(32):
    row = []
    for x in range(32):
        d = math.hypot(x + 0.5 - 16, y + 0.5 - 16)
        a = 255 if d < 14 else (int((16 - d) * 127) if d < 16 else 0)
        row += [0xF0, 0xC0, 0x40, a]
    rows.append(row)
png(sys.argv[1], 32, 32, rows)
