#!/usr/bin/env bash
# Runs every benchmark in bench/<name>/run.sh with the release build; each prints its own ratios.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
for b in "$root"/bench/*/run.sh; do
  echo "== $(basename "$(dirname "$b")")"
  bash "$b" "$build"
done
