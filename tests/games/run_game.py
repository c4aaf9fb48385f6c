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
"""
import argparse, os, pathlib, shlex, subprocess, sys


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--pack", required=True)
    ap.add_argument("--runner", required=True)
    ap.add_argument("--game", required=True)
    ap.add_argument("--work", required=True)
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
    env = dict(os.environ, XDG_DATA_HOME=str(work / "xdg"), TMPDIR=str(work))
    r = subprocess.run([a.runner, "-game", str(out), "-headless", "-nosleep", *args],
                       capture_output=True, text=True, cwd=work, env=env, timeout=100)
    want_rc = int((game / "exitcode.txt").read_text()) if (game / "exitcode.txt").exists() else 0
    expect = (game / "expect.txt").read_text()
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
    if not ok and r.stderr:
        print("stderr:\n" + r.stderr)
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
