#!/usr/bin/env bash
# The world's step with 10,000 moving, animated instances against the same per-entity update in
# Lua 5.4. The game (game/) is built with tessera-pack and played headless; its clock object times
# STEPS whole steps from its begin-step event, so loading is not counted. Both sides print one
# entity's final state, which must agree. Ratio above 1: we are slower.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# WARMUP and STEPS are the game's constants (game/game.json); the last timed frame is the last one run.
warmup=10 steps=100
"$build/tessera-pack" "$here/game" -o "$work/world.win" >/dev/null
# The best of five runs of each side, taken in turns: the machine is shared.
best_ours="" best_lua=""
for _ in 1 2 3 4 5; do
  out=$(XDG_DATA_HOME="$work" "$build/tessera" -game "$work/world.win" -headless -nosleep -frames $((warmup + steps)))
  lua=$(lua5.4 "$here/world.lua" "$steps")
  ours=$(awk '$1 == "world" { print $2 / $3 / 1e6, $4 }' <<<"$out")
  [ -n "$ours" ] || { echo "world: the game printed no timing"; echo "$out"; exit 1; }
  if [ "$(grep '^entity' <<<"$out")" != "$(grep '^entity' <<<"$lua")" ]; then
    echo "world: the game and the Lua peer disagree:"; grep '^entity' <<<"$out"; grep '^entity' <<<"$lua"; exit 1
  fi
  best_ours=$(awk -v a="$best_ours" -v b="$ours" 'BEGIN { split(b, f, " "); print (a == "" || f[1] < a + 0) ? f[1] : a }')
  instances=${ours#* }
  t=$(awk '$1 == "lua" { print $2 / $3 }' <<<"$lua")
  best_lua=$(awk -v a="$best_lua" -v b="$t" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }')
done
awk -v o="$best_ours" -v n="$instances" -v l="$best_lua" \
  'BEGIN { printf "world step %d instances  %.3f ms  lua %.3f ms  ratio %.2f\n", n, o * 1e3, l * 1e3, o / l }'
