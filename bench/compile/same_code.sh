#!/usr/bin/env bash
# Shows that the compiler's output is unchanged: hashes everything it gives for every code file
# under tests/games and bench (the .tss files and the code texts inside game.json files) and for
# the benchmark program, and compares with same_code.txt. "--write" records the hashes instead.
# Usage: bench/compile/same_code.sh BUILD [--write]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$root"
# Code texts inside game.json files, one file each, named after the game and their place.
python3 - "$work" <<'PY'
import json, pathlib, sys
out = pathlib.Path(sys.argv[1])
def walk(node, where, found):
    if isinstance(node, dict):
        for k, v in node.items():
            if isinstance(v, str) and "code" in k.lower():
                found.append((where + "." + k, v))
            else:
                walk(v, where + "." + k, found)
    elif isinstance(node, list):
        for i, v in enumerate(node):
            walk(v, where + "." + str(i), found)
for game in sorted(pathlib.Path(".").glob("tests/games/*/game.json")) + sorted(pathlib.Path(".").glob("bench/*/game.json")):
    found = []
    walk(json.loads(game.read_text()), "", found)
    for where, text in found:
        name = (str(game.parent) + where).replace("/", "_")
        (out / (name + ".code")).write_text(text)
PY
files=( $(find tests/games bench -name '*.tss' | sort) $(ls "$work"/*.code | sort) )
"$build/bench/bench_compile_hash" "${files[@]}" --bench | sed "s|$work/||" > "$work/now.txt"
if [[ "${2:-}" == "--write" ]]; then
  cp "$work/now.txt" "$here/same_code.txt"
  echo "recorded $(wc -l < "$here/same_code.txt") hashes"
  exit 0
fi
if diff "$here/same_code.txt" "$work/now.txt"; then
  echo "same code: $(($(wc -l < "$work/now.txt") - 1)) files, all outputs unchanged"
else
  echo "the compiler's output changed (see above)" >&2
  exit 1
fi
