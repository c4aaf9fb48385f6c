#!/usr/bin/env bash
# Instruction counts (valgrind callgrind) of each program of bench/vm on both sides, less the count of
# an empty program, so that start-up is not counted (the runner counts only inside its code runs). Repeatable on a busy machine, unlike the clock.
# Usage: bench/vm/callgrind.sh BUILD [SCALE]   SCALE divides the loop counts (default 10).
# PROGRAMS="fib calls" limits the run to those programs.
set -euo pipefail
build=$(cd "$1" && pwd)
scale=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Block k of a file: the k-th paragraph after the header (paragraphs are separated by blank lines).
# The header is the first H paragraphs (1 for the game's code, 2 for Lua: its functions).
block() { awk -v k="$2" -v h="$3" 'BEGIN { RS = "" } NR == k + h { print }' "$1"; }
header() { awk -v h="$2" 'BEGIN { RS = "" } NR <= h { print; print "" }' "$1"; }
# Smaller loop counts: every literal of 1000 or more is divided by SCALE (fib: 25 for 33).
shrink() { perl -pe "s/\b(\d{4,})\b/int(\$1\/$scale)/ge; s/fib\(33\)/fib(25)/g"; }
count() {  # count OUT [valgrind options] -- command...
  local out=$1
  shift
  local options=()
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  valgrind --tool=callgrind "${options[@]}" --callgrind-out-file="$work/cg.out" "$@" >/dev/null 2>"$work/cg.err"
  awk '/summary:/ { print $2 }' "$work/cg.out" >"$out"
}
ours_game() {  # ours_game NAME BODY
  mkdir -p "$work/$1"
  cp -r "$here/game/." "$work/$1/"
  { header "$here/game/create.tss" 1; echo; echo "$2"; echo; echo "game_end();"; } >"$work/$1/create.tss"
  "$build/tessera-pack" "$work/$1" -o "$work/$1.win" >/dev/null
  count "$work/$1.ours" --collect-atstart=no '--toggle-collect=VM_Run*' -- "$build/tessera" -game "$work/$1.win" -headless -nosleep -frames 1
}
lua_prog() {  # lua_prog NAME BODY
  { header "$here/vm.lua" 2; echo; echo "$2"; } >"$work/$1.lua"
  count "$work/$1.lua.n" -- lua5.4 "$work/$1.lua"
}
ours_game empty ""
lua_prog empty ""
k=0
for name in loop fib strings array2d calls with build; do
  k=$((k + 1))
  [[ -z ${PROGRAMS:-} || " $PROGRAMS " == *" $name "* ]] || continue
  ours_game "$name" "$(block "$here/game/create.tss" $k 1 | shrink)"
  lua_prog "$name" "$(block "$here/vm.lua" $k 2 | shrink)"
  a=$(( $(cat "$work/$name.ours") - $(cat "$work/empty.ours") ))
  b=$(( $(cat "$work/$name.lua.n") - $(cat "$work/empty.lua.n") ))
  awk -v n="$name" -v a="$a" -v b="$b" 'BEGIN { printf "vm %-8s ours %12d  lua %12d  ratio %.2f\n", n, a, b, a / b }'
done
