#!/usr/bin/env python3
"""Makes the demo's assets: images drawn with simple shapes (PNG files in images/), a short chirp
(WAV) and a looping tune (MIDI) in sounds/. The files are committed; run this again after changing it."""
import math, os, random, struct, wave, zlib

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


def chirp():
    # 0.15 s rising from 600 to 1200 Hz, fading out: a fox catching a rabbit.
    rate, n = 22050, 3307
    frames = bytearray()
    phase = 0.0
    for i in range(n):
        t = i / n
        phase += 2 * math.pi * (600 + 600 * t) / rate
        frames += struct.pack("<h", int(12000 * (1 - t) * math.sin(phase)))
    with wave.open(os.path.join(HERE, "sounds", "catch.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def tune():
    # A quiet eight-bar melody on a flute over a plucked bass, 100 beats a minute, as a format-0 MIDI file.
    melody = [67, 69, 71, 74, 71, 69, 67, 64, 62, 64, 67, 69, 67, 64, 62, 60]
    bass = [43, 43, 40, 40, 36, 36, 38, 38]
    events = []  # (tick, bytes)
    events.append((0, bytes([0xC0, 73])))  # channel 0: flute
    events.append((0, bytes([0xC1, 45])))  # channel 1: pizzicato strings
    for k, note in enumerate(melody):
        events.append((k * 480, bytes([0x90, note, 70])))
        events.append((k * 480 + 440, bytes([0x80, note, 0])))
    for k, note in enumerate(bass):
        events.append((k * 960, bytes([0x91, note, 60])))
        events.append((k * 960 + 900, bytes([0x81, note, 0])))
    events.sort(key=lambda e: e[0])

    def vlq(v):
        out = [v & 0x7F]
        v >>= 7
        while v:
            out.insert(0, (v & 0x7F) | 0x80)
            v >>= 7
        return bytes(out)
    track = bytearray(b"\x00\xFF\x51\x03" + (600000).to_bytes(3, "big"))
    last = 0
    for tick, data in events:
        track += vlq(tick - last) + data
        last = tick
    track += b"\x00\xFF\x2F\x00"
    with open(os.path.join(HERE, "sounds", "meadow.mid"), "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(track)) + track)


if __name__ == "__main__":
    os.makedirs(os.path.join(HERE, "images"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "sounds"), exist_ok=True)
    chirp()
    tune()
    grass()
    tiles()
    rabbit_strip()
    fox_strip()
