#!/usr/bin/env python3
"""Writes the physics benchmark's 10x10 box image (opaque, one colour with a darker rim), the same
pixels the LOVE peer makes for itself. Usage: make_box.py OUT.png"""
import os, sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from png import write_png

rows = []
for y in range(10):
    row = []
    for x in range(10):
        rim = x in (0, 9) or y in (0, 9)
        row += [0x60, 0x90, 0xF0, 255] if not rim else [0x20, 0x40, 0x90, 255]
    rows.append(row)
write_png(sys.argv[1], 10, 10, rows)
