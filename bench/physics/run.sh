#!/usr/bin/env bash
# Boxes at 60 frames per second: the largest number of 10x10 boxes dropped into a container (a
# physics world stepped and every box drawn each frame) that still holds 60 fps in a window under
# Xvfb on llvmpipe, against LOVE 11.4's love.physics running the same scene in the same run. Both
# are pinned to one core (CORE, default 1). A ratio above 1 means we hold more boxes.
# Then, without drawing the boxes (our side headless, LOVE without a window), the mean time of one
# world step with STEP_BOXES (2000) boxes: a ratio above 1 means our step (the world's update, the
# write-back and the collision events) is faster.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
core=${CORE:-1}
seconds=${SECONDS_PER_TRIAL:-2}
python3 "$here/make_box.py" "$here/game/box.png"
"$build/tessera-pack" "$here/game" -o "$work/physics.win" >/dev/null

source "$here/../fps_threshold.sh"
ours()  { fps_of env XDG_DATA_HOME="$work" "$build/tessera" -game "$work/physics.win" -nosleep -inawindow -n "$1" -s "$seconds"; }
love_() { fps_of love "$here/love" "$1" "$seconds"; }

n_ours=$(threshold ours 100 64000)
if command -v love >/dev/null; then n_love=$(threshold love_ 100 64000); else n_love=0; fi
step_ms() { taskset -c "$core" "$@" 2>/dev/null | awk '$1 == "step_ms" { print $2 }' | tail -1; }
boxes=${STEP_BOXES:-2000}
s_ours=$(step_ms "$build/tessera" -game "$work/physics.win" -headless -nosleep -n "$boxes" -s "$seconds" -steponly)
if command -v love >/dev/null; then s_love=$(step_ms love "$here/love" "$boxes" "$seconds" steponly); else s_love=0; fi
awk -v o="$n_ours" -v l="$n_love" -v so="${s_ours:-0}" -v sl="${s_love:-0}" -v b="$boxes" 'BEGIN {
  printf "boxes at 60 fps  ours %d  love %d\n", o, l
  if (l > 0) printf "ratio against love %.2f (target >= 1.0)\n", o / l
  printf "step time with %d boxes  ours %.2f ms  love %.2f ms\n", b, so, sl
  if (so > 0 && sl > 0) printf "step ratio against love %.2f\n", sl / so
}'
