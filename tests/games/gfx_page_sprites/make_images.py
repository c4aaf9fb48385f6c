#!/usr/bin/env python3
"""Writes box.png: an 8x8 frame, transparent but for a 4x4 red block at (2,2)..(5,5) whose top-left
pixel is blue. The builder crops it to the block (offset 2,2, size 4x4). Run it to remake the file."""
import os, struct, zlib

rows = []
for y in range(8):
    row = []
    for x in range(8):
        if 2 <= x <= 5 and 2 <= y <= 5:
            row += [0, 0, 255, 255] if (x, y) == (2, 2) else [255, 0, 0, 255]
        else:
            row += [0, 0, 0, 0]
    rows.append(row)

def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

raw = b"".join(b"\0" + bytes(r) for r in rows)
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "box.png"), "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 8, 8, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
