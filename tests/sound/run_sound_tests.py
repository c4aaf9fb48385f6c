#!/usr/bin/env python3
"""Sound end-to-end: builds small games whose sounds are made here, runs them in real time (not
-nosleep) with OpenAL Soft's wave-file back end capturing the mix, and measures the capture.

Levels are RMS over windows placed relative to the first sound heard (the capture starts when the
output opens, a little before the game's first step). A sine of amplitude A has RMS A / sqrt(2).
"""
import argparse, json, math, os, pathlib, subprocess, sys

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import wavtools  # noqa: E402

TONE_RMS = 0.5 / math.sqrt(2)  # the test tone: amplitude 0.5


def build(work, pack, manifest, code, files):
    work.mkdir(parents=True, exist_ok=True)
    for name, text in code.items():
        (work / name).write_text(text)
    for name, make in files.items():
        make(work / name)
    (work / "game.json").write_text(json.dumps(manifest))
    out = work / "game.win"
    p = subprocess.run([pack, str(work), "-o", str(out)], capture_output=True, text=True)
    if p.returncode != 0:
        raise SystemExit("tessera-pack failed:\n" + p.stdout + p.stderr)
    return out


def run(runner, datafile, work, channels, frames):
    capture = work / "capture.wav"
    if capture.exists():
        capture.unlink()
    conf = work / "wave.conf"
    conf.write_text(f"[general]\ndrivers = wave\nchannels = {channels}\nsample-type = int16\nfrequency = 44100\n"
                    f"[wave]\nfile = {capture}\n")
    env = dict(os.environ, ALSOFT_CONF=str(conf), XDG_DATA_HOME=str(work / "xdg"))
    env.pop("ALSOFT_DRIVERS", None)
    r = subprocess.run([runner, "-game", str(datafile), "-headless", "-frames", str(frames)],
                       capture_output=True, text=True, cwd=work, env=env, timeout=60)
    if r.returncode != 0:
        raise SystemExit(f"the game failed ({r.returncode}):\n{r.stdout}{r.stderr}")
    return r.stdout, wavtools.read_capture(capture)


def onset(samples, level=0.02):
    for i, x in enumerate(samples):
        if abs(x) > level:
            return i
    raise AssertionError("the capture is silent")


def level(rate, samples, start, end):
    return wavtools.rms(samples[int(start * rate):int(end * rate)])


class Checks:
    def __init__(self, name):
        self.name, self.failures = name, []

    def near(self, what, got, want, tolerance):
        ok = abs(got - want) <= tolerance
        print(f"  {'ok ' if ok else 'BAD'} {what}: {got:.4f} (expected {want:.4f} +- {tolerance:.4f})")
        if not ok:
            self.failures.append(what)

    def true(self, what, cond, detail=""):
        print(f"  {'ok ' if cond else 'BAD'} {what} {detail}")
        if not cond:
            self.failures.append(what)


def obj(events):
    return {"objects": [{"name": "obj", "events": events}],
            "rooms": [{"name": "rm", "speed": 30, "instances": [{"object": "obj", "x": 0, "y": 0}]}]}


def case_classic(a, work):
    """Loop at the sound's volume 0.5, sound_volume to 1 at step 10, sound_stop at step 20 (room speed
    30: a step is 1/30 s). Mono output: a centred mono source is heard at its gain."""
    c = Checks("classic")
    m = {"name": "classic", "sounds": [{"name": "snd_tone", "file": "tone.wav", "volume": 0.5}], **obj(
        {"create": "create.tss", "step": "step.tss"})}
    code = {"create.tss": "n = 0; sound_loop(snd_tone);\n",
            "step.tss": "n += 1;\nif (n == 10) sound_volume(snd_tone, 1);\n"
                        "if (n == 20) { sound_stop(snd_tone); show_debug_message(sound_isplaying(snd_tone)); }\n"}
    out = build(work, a.pack, m, code, {"tone.wav": lambda p: wavtools.write_tone(p, 0.25)})
    stdout, (rate, left, _) = run(a.runner, out, work, "mono", 28)
    t0 = onset(left) / rate
    # The tone is 0.25 s long: still heard at 0.25-0.3 s because it loops.
    c.near("volume 0.5 (0.08-0.30 s)", level(rate, left, t0 + 0.08, t0 + 0.30), 0.5 * TONE_RMS, 0.02)
    c.near("volume 1 (0.40-0.60 s)", level(rate, left, t0 + 0.40, t0 + 0.60), TONE_RMS, 0.03)
    c.near("stopped (0.75-0.85 s)", level(rate, left, t0 + 0.75, t0 + 0.85), 0.0, 0.005)
    c.true("sound_isplaying after sound_stop is 0", "\n0\n" in stdout)
    return c


def case_audio(a, work):
    """The audio system in stereo: a sound played at (0, 0, 1) with falloff reference 1 (gain 1),
    then at (0, 0, 4) (inverse distance: 1/4), then from an emitter at (4, 0, 0), which with the
    listener's orientation (at 0,0,1; up 0,1,0) lies to the left."""
    c = Checks("audio")
    m = {"name": "audio", "options": {"new_audio": True}, "sounds": [{"name": "snd_tone", "file": "tone.wav"}],
         **obj({"create": "create.tss", "step": "step.tss"})}
    code = {"create.tss": "n = 0; v = audio_play_sound_at(snd_tone, 0, 0, 1, 1, true, 1);\n",
            "step.tss": "n += 1;\n"
                        "if (n == 8) { audio_stop_sound(v); v = audio_play_sound_at(snd_tone, 0, 0, 4, 1, true, 1); }\n"
                        "if (n == 16) { audio_stop_sound(v); e = audio_emitter_create(); audio_emitter_position(e, 4, 0, 0);\n"
                        "  v = audio_play_sound_on(e, snd_tone, true, 1); }\n"
                        "if (n == 24) audio_stop_all();\n"}
    out = build(work, a.pack, m, code, {"tone.wav": lambda p: wavtools.write_tone(p, 0.25)})
    _, (rate, left, right) = run(a.runner, out, work, "stereo", 30)
    # Each placement lasts 8 frames (0.27 s); the levels are read in the middle 0.13 s of each, so that
    # a game step made late by a busy machine does not move a change into the window.
    t0 = onset(left) / rate
    near = level(rate, left, t0 + 0.07, t0 + 0.20)
    far = level(rate, left, t0 + 0.34, t0 + 0.47)
    c.near("distance 4 / distance 1 (inverse distance)", far / near, 0.25, 0.03)
    side_l = level(rate, left, t0 + 0.60, t0 + 0.73)
    side_r = level(rate, right, t0 + 0.60, t0 + 0.73)
    c.true("the emitter at +x is heard on the left", side_l > 3 * side_r, f"(left {side_l:.3f}, right {side_r:.3f})")
    c.near("stopped", level(rate, left, t0 + 0.87, t0 + 0.95), 0.0, 0.005)
    return c


def case_music(a, work):
    """A MIDI piece written byte by byte plays as music through the classic system."""
    c = Checks("music")
    m = {"name": "music", "sounds": [{"name": "mus", "file": "tune.mid"}],
         **obj({"create": "create.tss", "step": "step.tss"})}
    code = {"create.tss": "sound_play(mus); show_debug_message(sound_isplaying(mus));\n",
            "step.tss": ""}
    out = build(work, a.pack, m, code, {"tune.mid": write_midi})
    stdout, (rate, left, _) = run(a.runner, out, work, "mono", 15)
    c.true("sound_isplaying while the music plays", "\n1\n" in stdout)
    c.true("the music is heard", level(rate, left, 0, len(left) / rate) > 0.01)
    return c


def write_midi(path):
    """One track: C4, E4, G4 as quarter notes at 120 beats a minute (0.5 s each)."""
    events = b"\x00\xc0\x00"  # piano
    for note in (60, 64, 67):
        events += b"\x00\x90" + bytes([note, 100]) + b"\x83\x60\x80" + bytes([note, 0])  # 480 ticks
    events += b"\x00\xff\x2f\x00"
    path.write_bytes(b"MThd" + (6).to_bytes(4, "big") + (0).to_bytes(2, "big") + (1).to_bytes(2, "big") +
                     (480).to_bytes(2, "big") + b"MTrk" + len(events).to_bytes(4, "big") + events)


CASES = {"classic": case_classic, "audio": case_audio, "music": case_music}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--pack", required=True)
    ap.add_argument("--runner", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("case", choices=sorted(CASES))
    a = ap.parse_args()
    print(a.case)
    checks = CASES[a.case](a, pathlib.Path(a.work) / a.case)
    if checks.failures:
        print("failed: " + ", ".join(checks.failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
