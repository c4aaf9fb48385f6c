#!/usr/bin/env bash
# Load and walk a 64 MiB data file against a plain read of it.
set -euo pipefail
"$1/bench/bench_load"
