#!/usr/bin/env bash
# The compiler on a generated 100,000-line program against luac5.4 -p on the same program in Lua.
set -euo pipefail
"$1/bench/bench_compile"
