#!/usr/bin/env bash
# Instructions (callgrind) of one compile of the benchmark program (inside Compiler::Compile) and
# of luac5.4 -p on its Lua twin less luac on an empty file; their ratio does not depend on the
# machine's load. Usage: bench/compile/callgrind.sh BUILD
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
count() {  # the total of a callgrind output file
  grep -E '^(summary|totals):' "$1" | head -1 | awk '{print $2}'
}
"$build/bench/bench_compile" --lua "$work/program.lua"
: > "$work/empty.lua"
valgrind --tool=callgrind --callgrind-out-file="$work/ours.out" --toggle-collect='Compiler::Compile(*' \
  "$build/bench/bench_compile" --once 2>/dev/null
valgrind --tool=callgrind --callgrind-out-file="$work/lua.out" luac5.4 -p "$work/program.lua" 2>/dev/null
valgrind --tool=callgrind --callgrind-out-file="$work/empty.out" luac5.4 -p "$work/empty.lua" 2>/dev/null
ours=$(count "$work/ours.out")
lua=$(( $(count "$work/lua.out") - $(count "$work/empty.out") ))
echo "compile: $ours instructions; luac5.4 -p: $lua; ratio $(awk "BEGIN{printf \"%.2f\", $ours/$lua}")"
if [[ -n "${KEEP:-}" ]]; then cp "$work/ours.out" "$KEEP"; echo "profile kept in $KEEP"; fi
