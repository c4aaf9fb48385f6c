#!/usr/bin/env bash
# Particles per frame at 60 frames per second: the largest number of small disk particles (one
# particle system, updated and drawn by the runner every step) that still holds 60 fps in a window
# under Xvfb on llvmpipe, against LOVE 11.4's particle system running the same scene in the same
# run. Both are pinned to one core (CORE, default 1). A ratio above 1 means we hold more particles.
# First prints the runner's own update and drawing time for one system of 50,000 particles.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
core=${CORE:-1}
seconds=${SECONDS_PER_TRIAL:-2}
"$build/tessera-pack" "$here/game" -o "$work/particles.win" >/dev/null

source "$here/../fps_threshold.sh"
ours()  { fps_of env XDG_DATA_HOME="$work" "$build/tessera" -game "$work/particles.win" -nosleep -inawindow -profile -n "$1" -s "$seconds"; }
love_() { fps_of love "$here/love" "$1" "$seconds"; }

# One system of 50,000 particles: the runner's own time per frame for updating and drawing it
# (the step with the update, and the quads built into the batch) against the 16.7 ms of a frame,
# apart from the time the device takes to raster them.
ours 50000 >/dev/null
awk '/^frame time/ {
  gsub(/[(),]/, " ")
  for (k = 1; k <= NF; ++k) { if ($k == "code") code = $(k + 1); if ($k == "batching") draw = $(k + 1); if ($k == "device") dev = $(k + 1) }
  printf "50000 particles: update %.2f ms + drawing into the batch %.2f ms = %.2f ms a frame (%s the 16.7 ms of a frame); device %.1f ms\n",
         code, draw, code + draw, (code + draw <= 16.7) ? "within" : "beyond", dev
}' "$work/last.txt"

n_ours=$(threshold ours 1000 512000)
grep '^frame time' "$work/last.txt" || true
if command -v love >/dev/null; then n_love=$(threshold love_ 1000 512000); else n_love=0; fi
awk -v o="$n_ours" -v l="$n_love" 'BEGIN {
  printf "particles at 60 fps  ours %d  love %d\n", o, l
  if (l > 0) printf "ratio against love %.2f (target >= 1.0)\n", o / l
}'
