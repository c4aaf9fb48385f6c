#!/usr/bin/env bash
# Seven programs run by the runner (headless, in a create event) and by Lua 5.4, in one run. Each side
# prints "name seconds check"; the checks must agree. Each side runs BENCH_REPEAT times (default 5),
# the two taking turns; the best time of each program counts. Ratios above 1 mean the runner is slower.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
repeat=${BENCH_REPEAT:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tessera-pack" "$here/game" -o "$work/vm.win" >/dev/null
for ((r = 0; r < repeat; r++)); do
  "$build/tessera" -game "$work/vm.win" -headless -nosleep -frames 1 >"$work/ours.$r"
  lua5.4 "$here/vm.lua" >"$work/lua.$r"
done
# The best time of program $2 over the runs whose outputs are named $1.*, and its check.
best() { cat "$work/$1".* | awk -v n="$2" '$1 == n && (b == "" || $2 < b) { b = $2; c = $3 } END { print b, c }'; }
for name in loop fib strings array2d calls with build; do
  read -r a ca < <(best ours $name)
  read -r b cb < <(best lua $name)
  if [[ -z "$ca" || "$ca" != "$cb" ]]; then
    echo "vm $name: the runner computed ${ca:-nothing}, Lua ${cb:-nothing}" >&2
    exit 1
  fi
  awk -v n="$name" -v a="$a" -v b="$b" 'BEGIN { printf "vm %-8s %.4fs  lua %.4fs  ratio %.2f\n", n, a, b, a / b }'
done
