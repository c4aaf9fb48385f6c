#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from its seed corpus in tests/fuzz/corpus/<name>,
# JOBS targets at a time. Crashes are written to build/fuzz-artifacts/; any finding fails the run.
set -euo pipefail
dir=$1; seconds=$2; jobs=${3:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
art=$root/build/fuzz-artifacts; mkdir -p "$art"

run_one() {
  local target=$1 name seeds work
  name=$(basename "$target")
  seeds=$root/tests/fuzz/corpus/$name
  work=$root/build/fuzz-corpus/$name
  mkdir -p "$work"
  [ -d "$seeds" ] || seeds=
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 \
      -artifact_prefix="$art/$name-" "$work" $seeds >"$art/$name.log" 2>&1; then
    echo "fuzz: $name ran ${seconds}s clean"
  else
    echo "fuzz: $name FAILED (see $art/$name.log)"; tail -40 "$art/$name.log"; return 1
  fi
}
export -f run_one; export root art seconds

targets=()
for target in "$dir"/fuzz_*; do [ -x "$target" ] && targets+=("$target"); done
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no targets in $dir"; exit 1; }
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$1"' _ {}
