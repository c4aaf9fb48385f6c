#!/usr/bin/env python3
"""Writes the sprite benchmark's 32x32 image: a filled circle with a soft rim, the same pixels the
minimal program and the LOVE peer make for themselves. Usage: make_sprite.py OUT.png"""
import math, os, sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from png import write_png

rows = []
for y in range(32):
    row = []
    for x in range(32):
        d = math.hypot(x + 0.5 - 16, y + 0.5 - 16)
        a = 255 if d < 14 else (int((16 - d) * 127) if d < 16 else 0)
        row += [0xF0, 0xC0, 0x40, a]
    rows.append(row)
write_png(sys.argv[1], 32, 32, rows)
