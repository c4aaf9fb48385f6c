#!/usr/bin/env bash
# The compiler on a generated 100,000-line program against luac5.4 -p on the same program in Lua,
# both on one core (taskset; luac inherits it), three runs. Usage: bench/compile/run.sh BUILD [CORE]
set -euo pipefail
core="${2:-1}"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for run in 1 2 3; do
  taskset -c "$core" "$1/bench/bench_compile" | tail -5 | tr "\n" " "; echo
done
