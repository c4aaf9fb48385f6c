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

source "$here/../fps_threshold.sh"
ours()    { fps_of env XDG_DATA_HOME="$work" "$build/tessera" -game "$work/sprites.win" -nosleep -inawindow -profile -n "$1" -s "$seconds"; }
minimal() { fps_of "$build/bench/bench_sprites_minimal" "$1" "$seconds"; }
love_()   { fps_of love "$here/love" "$1" "$seconds"; }

n_ours=$(threshold ours 250 64000)
grep '^frame time' "$work/last.txt" || true
n_min=$(threshold minimal 250 64000)
if command -v love >/dev/null; then n_love=$(threshold love_ 250 64000); else n_love=0; fi
awk -v o="$n_ours" -v m="$n_min" -v l="$n_love" 'BEGIN {
  printf "sprites at 60 fps  ours %d  love %d  minimal %d\n", o, l, m
  if (l > 0) printf "ratio against love %.2f (target >= 1.0)\n", o / l
  if (m > 0) printf "ratio against the minimal program %.2f (target >= 0.9)\n", o / m
}'
