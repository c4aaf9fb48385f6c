#!/usr/bin/env bash
# Seven programs run by the runner (headless, in a create event) and by Lua 5.4, in one run. Each side
# prints "name seconds check"; the checks must agree. Ratios above 1 mean the runner is slower.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
game=$(mktemp /tmp/tessera-bench-vm.XXXXXX.win)
trap 'rm -f "$game"' EXIT
"$build/tessera-pack" "$here/game" -o "$game" >/dev/null
ours=$("$build/tessera" -game "$game" -headless -nosleep -frames 1)
lua=$(lua5.4 "$here/vm.lua")
for name in loop fib strings array2d calls with build; do
  read -r a ca < <(awk -v n="$name" '$1 == n { print $2, $3 }' <<<"$ours")
  read -r b cb < <(awk -v n="$name" '$1 == n { print $2, $3 }' <<<"$lua")
  if [[ "$ca" != "$cb" ]]; then
    echo "vm $name: the runner computed $ca, Lua $cb" >&2
    exit 1
  fi
  awk -v n="$name" -v a="$a" -v b="$b" 'BEGIN { printf "vm %-8s %.4fs  lua %.4fs  ratio %.2f\n", n, a, b, a / b }'
done
