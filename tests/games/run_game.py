#!/usr/bin/env python3
"""Builds one game folder with tessera-pack, runs it headless and checks what the folder expects.

A game folder holds game.json, its code files and:
  expect.txt     the exact console output of the game (required): what follows the start-up
                 line "Run_Start", without the runner's own fixed lines
  args.txt       extra runner switches on one line (optional; default "-frames 1")
  exitcode.txt   the expected exit code (optional; default 0)
  pack_args.txt  extra tessera-pack switches (optional)
  forms.txt      the forms to build, one per line: "bytecode" (the default) and/or "source"
                 (tessera-pack --source); every form must give the same results
  expect_pack_fail.txt  if present, packing must fail with exit code 1, write nothing, and its
                 stderr must contain this text
  expect_pack_warning.txt  each line is a text the builder's stderr must contain (warnings)
  expect_pixels.txt  pixels of the screenshot: lines "x y r g b a [tolerance]" ("#" starts a
                 comment); args.txt must then write "-screenshot shot.png" (in the work folder)
  expect_files.txt   files the game must have written (relative to the work folder): lines
                 "FILE" (it exists), "FILE size W H" (a PNG of that size) or "FILE x y r g b a"
  server.txt     start a local web server on 127.0.0.1 for the run; "{port}" in args.txt becomes
                 its port. It answers GET /hello with "hello from the test server", GET /status/N
                 with status N, POST /echo with "posted: " and the body; it closes when the run ends
  (the driver's --native option names the test library libtessera_test.so, copied beside every
  game so that "tessera_test.dll" finds it)
  window.txt     run in a real window under Xvfb instead of headless: the first line is the screen
                 size "WxH" and the seconds after the main loop's start when the screen is captured; the other lines are
                 pixels "x y r g b" of the screen. args.txt applies; -nosleep is not passed
  playback.txt   the input of the run: the driver writes it as "input.rec" in the work folder, one
                 record a line, in the input record layout (see write_playback); args.txt then
                 passes "-playback input.rec"
  roundtrip.txt  run twice: recording ("-record input.rec"), then replaying that recording while
                 recording it again ("-playback input.rec -record input.rec": the switches share
                 one file name); both runs must print expect.txt and the second recording must
                 equal the first byte for byte
  expect_second.txt  run twice with the same save folder (emptied before the first run): the
                 first run prints expect.txt, the second this
  window_input.txt   with window.txt: xdotool commands sent to the game's window while it runs, one
                 line each ("key Left", "mousemove 10 20", "click 1", "sleep 0.5", "type abc");
                 a line "capture" takes the screen capture there instead of after the last line
"""
import argparse, os, pathlib, shlex, shutil, signal, struct, subprocess, sys, zlib


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--pack", required=True)
    ap.add_argument("--runner", required=True)
    ap.add_argument("--game", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--native", help="the test library, copied beside the game (libtessera_test.so)")
    a = ap.parse_args()
    game = pathlib.Path(a.game)
    forms = ["bytecode"]
    if (game / "forms.txt").exists():
        forms = (game / "forms.txt").read_text().split()
    ok = True
    for form in forms:
        if form not in ("bytecode", "source"):
            print(f"forms.txt: unknown form {form!r}")
            return 1
        work = pathlib.Path(a.work) / form if len(forms) > 1 else pathlib.Path(a.work)
        if not run_form(a, game, work, ["--source"] if form == "source" else []):
            print(f"(in the {form} form)" if len(forms) > 1 else "")
            ok = False
    return 0 if ok else 1


def run_form(a, game, work, form_args):
    """Packs and runs the game in one form; True when everything is as the folder expects."""
    work.mkdir(parents=True, exist_ok=True)
    if getattr(a, "native", None):
        shutil.copyfile(a.native, work / pathlib.Path(a.native).name)
    out = work / "game.win"
    if out.exists():
        out.unlink()
    pack_args = shlex.split((game / "pack_args.txt").read_text()) if (game / "pack_args.txt").exists() else []
    p = subprocess.run([a.pack, str(game), "-o", str(out), *pack_args, *form_args], capture_output=True, text=True)
    fail = game / "expect_pack_fail.txt"
    if fail.exists():
        want = fail.read_text().strip()
        if p.returncode != 1 or want not in p.stderr:
            print(f"packing should fail with {want!r} and exit code 1; got rc={p.returncode} stderr={p.stderr!r}")
            return False
        if out.exists():
            print("a failed pack left its output file behind")
            return False
        return True
    if p.returncode != 0:
        print("tessera-pack failed:\n" + p.stdout + p.stderr)
        return False
    want_warn = game / "expect_pack_warning.txt"
    if want_warn.exists():
        for line in want_warn.read_text().splitlines():
            if line.strip() and line.strip() not in p.stderr:
                print(f"packing should warn {line.strip()!r}; got stderr={p.stderr!r}")
                return False
    args = shlex.split((game / "args.txt").read_text()) if (game / "args.txt").exists() else ["-frames", "1"]
    if (game / "playback.txt").exists():
        (work / "input.rec").write_bytes(write_playback((game / "playback.txt").read_text()))
    if (game / "server.txt").exists():
        server = start_server()
        try:
            args = [x.replace("{port}", str(server.server_address[1])) for x in args]
            return run_checks(a, game, work, out, args)
        finally:
            server.shutdown()
            server.server_close()
    return run_checks(a, game, work, out, args)


def start_server():
    """A small web server on a free port of 127.0.0.1, serving from a thread."""
    import http.server, threading

    class Handler(http.server.BaseHTTPRequestHandler):
        def reply(self, code, text):
            body = text.encode()
            self.send_response(code)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if self.path == "/hello":
                self.reply(200, "hello from the test server")
            elif self.path.startswith("/status/") and self.path[8:].isdigit():
                self.reply(int(self.path[8:]), "status " + self.path[8:])
            else:
                self.reply(404, "not found")

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            data = self.rfile.read(length).decode(errors="replace")
            self.reply(200 if self.path == "/echo" else 404, "posted: " + data)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def run_checks(a, game, work, out, args):
    """Runs the packed game headless (or in a window) and checks what the folder expects."""
    env = dict(os.environ, XDG_DATA_HOME=str(work / "xdg"), TMPDIR=str(work))
    window = game / "window.txt"
    if window.exists():
        return run_in_window(a.runner, out, args, work, env, window.read_text(), game)
    if (game / "roundtrip.txt").exists():
        # The two switches share one file name: the replay re-records the file it replays.
        rec = work / "input.rec"
        if rec.exists():
            rec.unlink()
        ok = run_headless(a, game, work, out, env, [*args, "-record", "input.rec"], "the recording run")
        first = rec.read_bytes() if rec.exists() else None
        ok = run_headless(a, game, work, out, env, [*args, "-playback", "input.rec", "-record", "input.rec"],
                          "the replay") and ok
        if first is None or not first or rec.read_bytes() != first:
            print("the replay's recording differs from the recording it replayed")
            ok = False
        return ok
    if (game / "expect_second.txt").exists():
        shutil.rmtree(work / "xdg", ignore_errors=True)
        ok = run_headless(a, game, work, out, env, args, "the first run")
        return run_headless(a, game, work, out, env, args, "the second run", "expect_second.txt") and ok
    return run_headless(a, game, work, out, env, args, None)


def run_headless(a, game, work, out, env, args, what, expect_name="expect.txt"):
    """One headless run, checked against the folder's expectations."""
    r = subprocess.run([a.runner, "-game", str(out), "-headless", "-nosleep", *args],
                       capture_output=True, text=True, cwd=work, env=env, timeout=100)
    want_rc = int((game / "exitcode.txt").read_text()) if (game / "exitcode.txt").exists() else 0
    expect = (game / expect_name).read_text()
    got = filter_output(r.stdout, out)
    ok = True
    if r.returncode != want_rc:
        print(f"exit code {r.returncode}, expected {want_rc}")
        ok = False
    if got != expect:
        import difflib
        print("console output differs:")
        sys.stdout.writelines(difflib.unified_diff(expect.splitlines(True), got.splitlines(True),
                                                   "expected", "got"))
        ok = False
    pixels = game / "expect_pixels.txt"
    if pixels.exists():
        ok = check_pixels(work / "shot.png", pixels.read_text(), "the screenshot") and ok
    files = game / "expect_files.txt"
    if files.exists():
        ok = check_files(work, files.read_text()) and ok
    if not ok and r.stderr:
        print("stderr:\n" + r.stderr)
    if not ok and what:
        print(f"(in {what})")
    return ok


def run_in_window(runner, datafile, args, work, env, window_text, game):
    """Runs the game in a window under Xvfb, captures the screen while it runs and checks pixels."""
    lines = window_text.splitlines()
    size, seconds = lines[0].split()
    shot = work / "screen.xwd"
    if shot.exists():
        shot.unlink()
    runner_line = " ".join(shlex.quote(x) for x in [runner, "-game", str(datafile), *args])
    inputs = ""
    capture = f"xwd -root -silent > {shlex.quote(str(shot))}; "
    captured = False
    if (game / "window_input.txt").exists():
        for line in (game / "window_input.txt").read_text().splitlines():
            line = line.split("#", 1)[0].strip()
            if line:
                words = shlex.split(line)
                if words[0] == "capture":
                    inputs += capture
                    captured = True
                    continue
                inputs += ("sleep " + words[1] if words[0] == "sleep" else
                           "xdotool " + " ".join(shlex.quote(w) for w in words)) + "; "
    if not captured:
        inputs += capture
    # The seconds count from the main loop's start (loading takes longer on a busy machine); the wait
    # for it gives up when the runner has ended or after a minute.
    started = ('n=0; until grep -q "Entering main loop." runner.out 2>/dev/null || ! kill -0 $pid 2>/dev/null'
               ' || [ $n -ge 600 ]; do sleep 0.1; n=$((n+1)); done')
    script = f"{runner_line} > runner.out 2>&1 & pid=$!; {started}; sleep {seconds}; {inputs}wait $pid"
    # Its own session, so that a run that hangs (a dialog nobody answered) is ended whole: the X
    # server, the runner and any child of it.
    p = subprocess.Popen(["xvfb-run", "-a", "-s", f"-screen 0 {size}x24", "sh", "-c", script],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=work, env=env,
                         start_new_session=True)
    try:
        out, err = p.communicate(timeout=100)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, err = p.communicate()
        err += "\nthe run did not end within 100 seconds and was stopped"
    r = subprocess.CompletedProcess(p.args, p.returncode, out, err)
    output = (work / "runner.out").read_text() if (work / "runner.out").exists() else ""
    ok = r.returncode == 0
    if not ok:
        print(f"exit code {r.returncode}\n{r.stdout}{r.stderr}{output}")
    got = filter_output(output, datafile)
    expect = (game / "expect.txt").read_text()
    if got != expect:
        print(f"console output differs: expected {expect!r}, got {got!r}")
        ok = False
    try:
        width, height, pixel = read_xwd(shot)
    except (OSError, ValueError, struct.error) as e:
        print(f"the screen capture cannot be read: {e}")
        return False
    for fields in pixel_lines("\n".join(lines[1:])):
        x, y, *want = (int(f) for f in fields)
        got_pixel = list(pixel(x, y)) if 0 <= x < width and 0 <= y < height else None
        if got_pixel != want:
            print(f"the screen: pixel {x},{y} is {got_pixel}, expected {want}")
            ok = False
    return ok


def input_record(fields):
    """One step's input record: every field in order, little-endian, no separators."""
    def flags(name, size, base=0):
        out = bytearray(size)
        for v in fields.get(name, []):
            out[v - base] = 1
        return bytes(out)
    units = fields.get("string", "").encode("utf-16-le")
    units = units + bytes(2 * 1025 - len(units))
    pair = lambda name: fields.get(name, [0, 0])
    rec = b"".join([
        struct.pack("<H", fields.get("lastchar", 0)), units,
        struct.pack("<ii", fields.get("lastkey", 0), fields.get("key", 0)),
        flags("down", 256), flags("released", 256), flags("pressed", 256),
        struct.pack("<5i", fields.get("button", 0), 0, 0, 0, 0),
        struct.pack("<5i", fields.get("lastbutton", 0), 0, 0, 0, 0),
        flags("bdown", 15, 1), flags("breleased", 15, 1), flags("bpressed", 15, 1),
        bytes([1 if "wheelup" in fields else 0]) + bytes(4),
        bytes([1 if "wheeldown" in fields else 0]) + bytes(4),
        struct.pack("<ii", *pair("screen")), struct.pack("<ii", *pair("mouse")),
    ])
    assert len(rec) == 2939
    rec = bytearray(rec)
    for at, value in fields.get("poke", []):
        rec[at] = value
    return bytes(rec)


def write_playback(text):
    """playback.txt to records. A line lists the fields of one step: down=K,K pressed=K released=K
    lastkey=N key=N lastchar=N string=TEXT button=N lastbutton=N bdown=B,B bpressed=B breleased=B
    wheelup wheeldown screen=X,Y mouse=X,Y (the client position) poke=OFFSET:BYTE (a raw byte of the
    record) repeat=N (the line N times); "-" is a step without input; "cut N" writes only the first
    N bytes of a step without input (a file cut short); "#" starts a comment."""
    out = b""
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        if line.startswith("cut "):
            out += input_record({})[:int(line.split()[1])]
            continue
        fields = {}
        for token in shlex.split(line):
            name, _, value = token.partition("=")
            if name == "-" or name in ("wheelup", "wheeldown"):
                fields[name] = True
            elif name == "string":
                fields[name] = value
            elif name == "poke":
                at, byte = value.split(":")
                fields.setdefault("poke", []).append((int(at), int(byte)))
            elif name in ("down", "pressed", "released", "bdown", "bpressed", "breleased", "screen", "mouse"):
                fields[name] = [int(v) for v in value.split(",") if v]
            else:
                fields[name] = int(value)
        out += input_record(fields) * fields.get("repeat", 1)
    return out


def read_xwd(path):
    """Reads a true-colour ZPixmap XWD dump: (width, height, pixel(x, y) -> (r, g, b))."""
    data = pathlib.Path(path).read_bytes()
    h = struct.unpack(">25I", data[:100])
    header_size, fmt, width, height, byte_order = h[0], h[2], h[4], h[5], h[7]
    bits, line, masks, ncolours = h[11], h[12], h[14:17], h[19]
    step = bits // 8  # Xvfb's 24-bit screens dump packed 3-byte pixels, rows padded
    if fmt != 2 or bits not in (24, 32) or line < width * step:
        raise ValueError(f"unsupported XWD: format {fmt}, {bits} bits a pixel")
    base = header_size + ncolours * 12
    shifts = [(m & -m).bit_length() - 1 for m in masks]

    def pixel(x, y):
        at = base + y * line + x * step
        v = int.from_bytes(data[at:at + step], "little" if byte_order == 0 else "big")
        return tuple((v & m) >> s for m, s in zip(masks, shifts))
    return width, height, pixel


def read_png(path):
    """Decodes an 8-bit RGB or RGBA PNG (no interlace) into (width, height, rows of bytes)."""
    data = pathlib.Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"unsupported PNG: depth {depth}, colour type {colour}, interlace {interlace}")
    bpp = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = line
        if bpp == 3:
            line = bytearray(b for j in range(width) for b in (*line[j * 3:j * 3 + 3], 255))
        rows.append(bytes(line))
    return width, height, rows


def pixel_lines(text):
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            yield line.split()


def check_pixels(path, text, what):
    try:
        width, height, rows = read_png(path)
    except (OSError, ValueError, zlib.error, TypeError, struct.error) as e:
        print(f"{what} cannot be read: {e}")
        return False
    ok = True
    for fields in pixel_lines(text):
        if fields[0] == "size":
            if [width, height] != [int(fields[1]), int(fields[2])]:
                print(f"{what} is {width}x{height}, expected {fields[1]}x{fields[2]}")
                ok = False
            continue
        x, y, *want = (int(f) for f in fields)
        tolerance = want[4] if len(want) > 4 else 0
        want = want[:4]
        if not (0 <= x < width and 0 <= y < height):
            print(f"{what}: pixel {x},{y} is outside the {width}x{height} image")
            ok = False
            continue
        got = list(rows[y][x * 4:x * 4 + 4])
        if any(abs(g - w) > tolerance for g, w in zip(got, want)):
            print(f"{what}: pixel {x},{y} is {got}, expected {want}")
            ok = False
    return ok


def check_files(work, text):
    ok = True
    for fields in pixel_lines(text):
        path = work / fields[0]
        if not path.exists():
            print(f"the game did not write {fields[0]}")
            ok = False
        elif len(fields) > 1:
            ok = check_pixels(path, " ".join(fields[1:]), fields[0]) and ok
    return ok


RUNNER_LINES = {
    "StartGame()", "Create Debug Form", "StartGame() - DONE", "**********************************.",
    "Entering main loop.",
}


def filter_output(text, datafile):
    """Keeps the game's own output: everything after the start-up line "Run_Start" except the
    runner's fixed lines (and the memory total, which varies between builds)."""
    lines = text.splitlines(True)
    for i, line in enumerate(lines):
        if line == "Run_Start\n":
            kept = [l for l in lines[i + 1:]
                    if l.rstrip("\n") not in RUNNER_LINES and not l.startswith("Total memory used = ")]
            return "".join(kept)
    return text


if __name__ == "__main__":
    sys.exit(main())
