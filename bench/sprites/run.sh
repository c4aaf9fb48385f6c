#!/usr/bin/env bash
# Sprites per frame at 60 frames per second: the largest number of moving, rotating 32x32 sprites
# (drawn with draw_sprite_ext from a game built with tessera-pack) that still holds 60 fps in a window
# under Xvfb on llvmpipe, against LOVE 11.4 and a minimal batched SDL2 + OpenGL program running the
# same scene in the same run. Everything is pinned to one core (CORE, default 1) so that the three
# are measured alike. Ratios above 1 mean we hold more sprites.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
core=${CORE:-1}
seconds=${SECONDS_PER_TRIAL:-2}
python3 "$here/make_sprite.py" "$here/game/ball.png"
"$build/tessera-pack" "$here/game" -o "$work/sprites.win" >/dev/null

# fps of one program with N sprites; its command line ends with "N SECONDS".
fps_of() {
  local out
  out=$(taskset -c "$core" xvfb-run -a -s "-screen 0 1024x768x24" "$@" 2>/dev/null | tee "$work/last.txt" | awk '$1 == "fps" { print $2 }' | tail -1)
  echo "${out:-0}"
}
ours()    { fps_of env XDG_DATA_HOME="$work" "$build/tessera" -game "$work/sprites.win" -nosleep -inawindow -profile -n "$1" -s "$seconds"; }
minimal() { fps_of "$build/bench/bench_sprites_minimal" "$1" "$seconds"; }
love_()   { fps_of love "$here/love" "$1" "$seconds"; }

# The largest N holding 60 fps: doubling from 250, then halving the gap to within 3 %.
threshold() {
  local side=$1 lo=0 hi=250 f
  while :; do
    f=$($side "$hi")
    if awk -v f="$f" 'BEGIN { exit !(f >= 60) }'; then lo=$hi; hi=$((hi * 2)); else break; fi
    [ "$hi" -le 64000 ] || break
  done
  while [ $((hi - lo)) -gt $((lo / 33 + 1)) ]; do
    local mid=$(((lo + hi) / 2))
    f=$($side "$mid")
    if awk -v f="$f" 'BEGIN { exit !(f >= 60) }'; then lo=$mid; else hi=$mid; fi
  done
  echo "$lo"
}

n_ours=$(threshold ours)
grep '^frame time' "$work/last.txt" || true
n_min=$(threshold minimal)
if command -v love >/dev/null; then n_love=$(threshold love_); else n_love=0; fi
awk -v o="$n_ours" -v m="$n_min" -v l="$n_love" 'BEGIN {
  printf "sprites at 60 fps  ours %d  love %d  minimal %d\n", o, l, m
  if (l > 0) printf "ratio against love %.2f (target >= 1.0)\n", o / l
  if (m > 0) printf "ratio against the minimal program %.2f (target >= 0.9)\n", o / m
}'
