#!/usr/bin/env python3
"""Writes the loading screen's pictures: image.png (60x40 green, its top-left pixel white),
back.png (1x1 opaque blue) and front.png (2x1: opaque red, then transparent). Run it to remake them."""
import os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))

def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

def write(name, width, height, pixel):
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    with open(os.path.join(here, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

write("image.png", 60, 40, lambda x, y: [255, 255, 255, 255] if (x, y) == (0, 0) else [0, 255, 0, 255])
write("back.png", 1, 1, lambda x, y: [0, 0, 255, 255])
write("front.png", 2, 1, lambda x, y: [255, 0, 0, 255] if x == 0 else [0, 0, 0, 0])
