#!/usr/bin/env python3
"""Runs the examples of a Markdown document as game tests.

An example is a run of fenced code blocks closed by an output block:

  ```tss               code: the create event of the example's one object (main.tss)
  ```tss NAME.tss      a code file the example's game.json names
  ```json game.json    the example's manifest (default: one object obj_main whose create event is
                       main.tss, one instance of it in the room rm_main)
  ```output [frames=N] [exitcode=N]
                       what the game prints (as tests/games/*/expect.txt), run for N frames
                       (default 1), ending with exit code N (default 0)

Each example is built and run in both forms (bytecode and source text) with run_game.py. Code
blocks of other languages are not examples. A tss or json block that no output block closes is an
error, so every piece of code in the document runs.
"""
import argparse, json, pathlib, re, shutil, sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "games"))
import run_game  # noqa: E402

DEFAULT_MANIFEST = {
    "name": "example",
    "objects": [{"name": "obj_main", "events": {"create": "main.tss"}}],
    "rooms": [{"name": "rm_main", "instances": [{"object": "obj_main"}]}],
}


def examples(text):
    """Yields (line, files, output, attributes) for every example of the document."""
    files, first = {}, None
    lines = text.splitlines(True)
    i = 0
    while i < len(lines):
        m = re.match(r"^```(\S+)(.*)$", lines[i].rstrip("\n"))
        if not m:
            i += 1
            continue
        kind, rest = m.group(1), m.group(2).split()
        start = i + 1
        j = start
        while j < len(lines) and not lines[j].startswith("```"):
            j += 1
        body = "".join(lines[start:j])
        if kind in ("tss", "json"):
            name = rest[0] if rest else ("main.tss" if kind == "tss" else "game.json")
            files[name] = body
            first = first or start
        elif kind == "output":
            if not files:
                raise SystemExit(f"line {start}: an output block with no code before it")
            attributes = dict(a.split("=", 1) for a in rest)
            yield first, files, body, attributes
            files, first = {}, None
        i = j + 1
    if files:
        raise SystemExit(f"line {first}: an example that no output block closes")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--pack", required=True)
    ap.add_argument("--runner", required=True)
    ap.add_argument("--doc", required=True)
    ap.add_argument("--work", required=True)
    a = ap.parse_args()
    work = pathlib.Path(a.work)
    failed = count = 0
    for line, files, output, attributes in examples(pathlib.Path(a.doc).read_text()):
        count += 1
        game = work / f"line{line}" / "project"
        shutil.rmtree(game.parent, ignore_errors=True)
        game.mkdir(parents=True)
        files = dict(files)
        files.setdefault("game.json", json.dumps(DEFAULT_MANIFEST))
        for name, body in files.items():
            (game / name).write_text(body)
        (game / "expect.txt").write_text(output)
        (game / "args.txt").write_text(f"-frames {attributes.get('frames', '1')}\n")
        (game / "exitcode.txt").write_text(attributes.get("exitcode", "0") + "\n")
        for form in ("bytecode", "source"):
            if not run_game.run_form(a, game, game.parent / form, ["--source"] if form == "source" else []):
                print(f"{a.doc}:{line}: the example differs in the {form} form\n")
                failed += 1
    print(f"{count} examples, {failed} failures")
    return 1 if failed or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
