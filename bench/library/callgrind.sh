#!/usr/bin/env bash
# Instruction counts (valgrind callgrind) of each program of bench/library on both sides, with
# N = 100 000 and SIDE = 300 by default. Repeatable on a busy machine, unlike the clock.
# Usage: bench/library/callgrind.sh BUILD [N [SIDE]]
# PROGRAMS="map_add grid" limits the run to those programs.
#
# Both sources are cut into parts at their "part NAME" comment lines; what comes before the first
# part (declarations, helpers) goes into every program. Each program is the parts it needs, less a
# run of the parts that only prepare it:
#   map_add   = map_add                       less nothing
#   map_find  = map_add map_find               less map_add
#   list_sort = list_fill list_sort            less list_fill
#   grid      = grid                           less nothing
# and every count is less the count of an empty program. The runner counts only inside its code
# runs (VM_Run), Lua its whole process.
set -euo pipefail
build=$(cd "$1" && pwd)
n=${2:-100000}
side=${3:-300}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tss="$here/game/objects/bench_create.tss"
lua="$here/library.lua"

# The lines of FILE before its first part (PREFIX is the comment mark).
header() { awk -v p="$2 part " 'index($0, p) == 1 { exit } { print }' "$1"; }
# The lines of part NAME of FILE, up to the next part.
part() { awk -v p="$2 part " -v n="$3" 'index($0, p) == 1 { on = (substr($0, length(p) + 1) == n); next } on { print }' "$1"; }
count() {  # count OUT [valgrind options] -- command...
  local out=$1
  shift
  local options=()
  while [[ $1 != -- ]]; do options+=("$1"); shift; done
  shift
  valgrind --tool=callgrind "${options[@]}" --callgrind-out-file="$work/cg.out" "$@" >/dev/null 2>"$work/cg.err"
  awk '/summary:/ { print $2 }' "$work/cg.out" >"$out"
}
ours() {  # ours KEY PART...  -> prints the count
  local key=$1 dir="$work/ours_$1"
  shift
  mkdir -p "$dir"
  cp -r "$here/game/." "$dir/"
  sed -i "s/\"N\": [0-9]*/\"N\": $n/; s/\"SIDE\": [0-9]*/\"SIDE\": $side/" "$dir/game.json"
  { header "$tss" //; for p in "$@"; do part "$tss" // "$p"; done; echo "game_end();"; } >"$dir/objects/bench_create.tss"
  "$build/tessera-pack" "$dir" -o "$work/$key.win" >/dev/null
  count "$work/$key.ours" --collect-atstart=no '--toggle-collect=VM_Run*' -- \
    "$build/tessera" -game "$work/$key.win" -headless -nosleep -frames 1
  cat "$work/$key.ours"
}
luas() {  # luas KEY PART...  -> prints the count
  local key=$1
  shift
  { header "$lua" -- | sed "s/^local N, SIDE = .*/local N, SIDE = $n, $side/"; for p in "$@"; do part "$lua" -- "$p"; done; } >"$work/$key.lua"
  count "$work/$key.luan" -- lua5.4 "$work/$key.lua"
  cat "$work/$key.luan"
}
empty_ours=$(ours empty)
empty_lua=$(luas empty)
report() {  # report NAME OURS LUA
  awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "library %-10s ours %12d  lua %12d  ratio %.2f\n", n, a, b, a / b }'
}
want() { [[ -z ${PROGRAMS:-} || " $PROGRAMS " == *" $1 "* ]]; }
add_ours=""
add_lua=""
if want map_add || want map_find; then
  add_ours=$(ours map_add map_add)
  add_lua=$(luas map_add map_add)
fi
if want map_add; then
  report map_add $((add_ours - empty_ours)) $((add_lua - empty_lua))
fi
if want map_find; then
  a=$(ours map_find map_add map_find)
  b=$(luas map_find map_add map_find)
  report map_find $((a - add_ours)) $((b - add_lua))
fi
if want list_sort; then
  fill_ours=$(ours list_fill list_fill)
  fill_lua=$(luas list_fill list_fill)
  a=$(ours list_sort list_fill list_sort)
  b=$(luas list_sort list_fill list_sort)
  report list_sort $((a - fill_ours)) $((b - fill_lua))
fi
if want grid; then
  a=$(ours grid grid)
  b=$(luas grid grid)
  report grid $((a - empty_ours)) $((b - empty_lua))
fi
