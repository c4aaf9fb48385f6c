"""Writing test sounds and measuring captured ones, with the standard library only."""
import math, struct, wave


def write_tone(path, seconds, freq=440.0, amp=0.5, rate=44100, channels=1):
    """A sine tone as 16-bit PCM."""
    n = int(seconds * rate)
    with wave.open(str(path), "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        frames = bytearray()
        for i in range(n):
            v = int(round(amp * 32767 * math.sin(2 * math.pi * freq * i / rate)))
            frames += struct.pack("<h", v) * channels
        w.writeframes(bytes(frames))


def read_capture(path):
    """Reads a capture (PCM or WAVE_FORMAT_EXTENSIBLE, 16-bit or float): (rate, [left], [right])
    as floats from -1 to 1; a mono capture gives the same list twice."""
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a WAV file")
    at, fmt, body = 12, None, None
    while at + 8 <= len(data):
        kind, length = struct.unpack("<4sI", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        if kind == b"fmt ":
            fmt = struct.unpack("<HHIIHH", chunk[:16])
            if fmt[0] == 0xFFFE:
                fmt = (struct.unpack("<H", chunk[24:26])[0],) + fmt[1:]
        elif kind == b"data":
            body = chunk
        at += 8 + length + (length & 1)
    tag, channels, rate, _, _, bits = fmt
    if tag == 3 and bits == 32:
        values = struct.unpack("<%df" % (len(body) // 4), body[:len(body) // 4 * 4])
    elif tag == 1 and bits == 16:
        values = [v / 32768.0 for v in struct.unpack("<%dh" % (len(body) // 2), body[:len(body) // 2 * 2])]
    else:
        raise ValueError(f"unsupported capture: format {tag}, {bits} bits")
    left = list(values[0::channels])
    right = list(values[1::channels]) if channels > 1 else left
    return rate, left, right


def rms(samples):
    return math.sqrt(sum(x * x for x in samples) / len(samples)) if samples else 0.0


def windows(rate, samples, seconds):
    """RMS of consecutive windows of the given length."""
    n = max(1, int(rate * seconds))
    return [rms(samples[i:i + n]) for i in range(0, len(samples) - n + 1, n)]
