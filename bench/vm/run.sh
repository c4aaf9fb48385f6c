#!/usr/bin/env bash
# The machine against Lua 5.4 on the same three programs. Ratios above 1 mean the machine is slower.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
ours=$("$build/bench/bench_vm")
lua=$(lua5.4 "$here/vm.lua")
for name in loop fib strings; do
  a=$(awk -v n=$name '$1 == n { print $2 }' <<<"$ours")
  b=$(awk -v n=$name '$1 == n { print $2 }' <<<"$lua")
  awk -v n=$name -v a="$a" -v b="$b" 'BEGIN { printf "vm %-8s %.4fs  lua %.4fs  ratio %.2f\n", n, a, b, a / b }'
done
