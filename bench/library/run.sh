#!/usr/bin/env bash
# The data structures against Lua 5.4 tables on the same work: 1.5 million map adds, as many map
# finds, sorting 1.5 million reals, filling and summing a 2100x2100 grid (the Lua side of each takes
# at least about 0.3 s on a quiet machine, so the ratios are stable). Our side is a real game
# (built with tessera-pack, run headless); the game and Lua must print the same check lines.
# Each side runs BENCH_REPEAT times (default 5); the best time of each program counts.
# Ratios above 1 mean the data structures are slower.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
repeat=${BENCH_REPEAT:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tessera-pack" "$here/game" -o "$work/library.win" >/dev/null
for ((r = 0; r < repeat; r++)); do
  (cd "$work" && XDG_DATA_HOME="$work/xdg" TMPDIR="$work" \
    "$build/tessera" -game "$work/library.win" -headless -nosleep) >"$work/ours.$r"
  lua5.4 "$here/library.lua" >"$work/lua.$r"
done
ours_checks=$(grep -h '^check ' "$work/ours.0")
lua_checks=$(grep -h '^check ' "$work/lua.0")
if [[ -z $ours_checks || $ours_checks != "$lua_checks" ]]; then
  echo "library: the game's results differ from Lua's" >&2
  diff <(echo "$ours_checks") <(echo "$lua_checks") >&2 || true
  exit 1
fi
# The best time (µs) of program $2 over the runs whose outputs are named $1.*
best() { cat "$work/$1".* | awk -v n="$2" '$1 == "time" && $2 == n && (b == "" || $3 < b) { b = $3 } END { print b }'; }
for name in map_add map_find list_sort grid; do
  a=$(best ours $name)
  b=$(best lua $name)
  awk -v n=$name -v a="$a" -v b="$b" \
    'BEGIN { printf "library %-10s %.4fs  lua %.4fs  ratio %.2f\n", n, a / 1e6, b / 1e6, a / b }'
done
