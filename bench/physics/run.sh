#!/usr/bin/env bash
# Boxes at 60 frames per second: the largest number of 10x10 boxes dropped into a container (a
# physics world stepped and every box drawn each frame) that still holds 60 fps in a window under
# Xvfb on llvmpipe, against LOVE 11.4's love.physics running the same scene in the same run. Both
# are pinned to one core (CORE, default 1). A ratio above 1 means we hold more boxes.
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
awk -v o="$n_ours" -v l="$n_love" 'BEGIN {
  printf "boxes at 60 fps  ours %d  love %d\n", o, l
  if (l > 0) printf "ratio against love %.2f (target >= 1.0)\n", o / l
}'
