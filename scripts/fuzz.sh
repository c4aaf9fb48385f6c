#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from its seed corpus in tests/fuzz/corpus/<name>.
# Crashes are written to build/fuzz-artifacts/; any finding fails the run.
set -euo pipefail
dir=$1; seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
art=$root/build/fuzz-artifacts; mkdir -p "$art"
status=0
for target in "$dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds=$root/tests/fuzz/corpus/$name
  work=$root/build/fuzz-corpus/$name
  mkdir -p "$work"
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 \
      -artifact_prefix="$art/$name-" "$work" ${seeds:+$( [ -d "$seeds" ] && echo "$seeds")} \
      >"$art/$name.log" 2>&1; then
    echo "fuzz: $name FAILED (see $art/$name.log)"; tail -40 "$art/$name.log"; status=1
  fi
done
exit $status
