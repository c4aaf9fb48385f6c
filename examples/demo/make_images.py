#!/usr/bin/env python3
"""Draws the demo's images with simple shapes and writes them as PNG files into images/.
The images are committed; run this again after changing it."""
import math, os, random, struct, zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Image:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = list(c)

    def ellipse(self, cx, cy, rx, ry, c):
        for y in range(self.h):
            for x in range(self.w):
                if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1:
                    self.put(x, y, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def save(self, name):
        raw = b"".join(b"\0" + bytes(v for p in self.px[y * self.w:(y + 1) * self.w] for v in p)
                       for y in range(self.h))

        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
        with open(os.path.join(HERE, "images", name), "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def grass():
    rnd = random.Random(7)
    img = Image(64, 64, (86, 160, 64, 255))
    for _ in range(180):
        x, y = rnd.randrange(64), rnd.randrange(64)
        shade = rnd.choice([(70, 140, 52, 255), (104, 178, 76, 255), (92, 150, 58, 255)])
        img.put(x, y, shade)
        img.put(x, (y + 1) % 64, shade)
    img.save("grass.png")


def tiles():
    # A 32x32 flower and a 32x32 rock side by side: the tile set.
    img = Image(64, 32)
    for a in range(5):
        t = a * 2 * math.pi / 5
        img.ellipse(16 + 6 * math.cos(t), 16 + 6 * math.sin(t), 4, 4, (240, 230, 250, 255))
    img.ellipse(16, 16, 3.5, 3.5, (250, 200, 40, 255))
    img.ellipse(48, 19, 13, 9, (120, 120, 128, 255))
    img.ellipse(45, 16, 8, 5, (150, 150, 160, 255))
    img.save("tiles.png")


def rabbit_strip():
    # Two frames of 24x24: sitting and mid-hop.
    img = Image(48, 24)
    for f, lift in ((0, 0), (1, 3)):
        ox = f * 24
        body = (225, 220, 210, 255)
        img.ellipse(ox + 12, 15 - lift, 8, 6, body)
        img.ellipse(ox + 18, 10 - lift, 4.5, 4, body)
        img.ellipse(ox + 17, 4 - lift, 1.5, 4, body)
        img.ellipse(ox + 20, 4 - lift, 1.5, 4, body)
        img.put(ox + 20, 9 - lift, (30, 30, 30, 255))
        img.ellipse(ox + 5, 14 - lift, 2.5, 2.5, (255, 255, 255, 255))
    img.save("rabbit_strip.png")


def fox_strip():
    # Two frames of 32x24: legs together and apart.
    img = Image(64, 24)
    for f in (0, 1):
        ox = f * 32
        fur = (220, 110, 40, 255)
        img.ellipse(ox + 15, 13, 10, 5.5, fur)
        img.ellipse(ox + 26, 9, 5, 4.5, fur)
        img.ellipse(ox + 24, 4, 1.5, 2.5, fur)
        img.ellipse(ox + 28, 4, 1.5, 2.5, fur)
        img.ellipse(ox + 4, 11, 5, 2.5, fur)
        img.ellipse(ox + 1, 11, 2, 2, (250, 250, 250, 255))
        img.put(ox + 28, 8, (20, 20, 20, 255))
        legs = (8, 20) if f == 0 else (6, 22)
        for lx in legs:
            img.rect(ox + lx, 17, ox + lx + 2, 23, (90, 40, 20, 255))
    img.save("fox_strip.png")


if __name__ == "__main__":
    os.makedirs(os.path.join(HERE, "images"), exist_ok=True)
    grass()
    tiles()
    rabbit_strip()
    fox_strip()
