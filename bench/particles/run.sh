#!/usr/bin/env bash
# Particles per frame at 60 frames per second: the largest number of small disk particles (one
# particle system, updated and drawn by the runner every step) that still holds 60 fps in a window
# under Xvfb on llvmpipe, against LOVE 11.4's particle system running the same scene in the same
# run. Both are pinned to one core (CORE, default 1). A ratio above 1 means we hold more particles.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
core=${CORE:-1}
seconds=${SECONDS_PER_TRIAL:-2}
"$build/tessera-pack" "$here/game" -o "$work/particles.win" >/dev/null

# fps of one program with N particles; its command line ends with "N SECONDS".
fps_of() {
  local out
  out=$(taskset -c "$core" xvfb-run -a -s "-screen 0 1024x768x24" "$@" 2>/dev/null | tee "$work/last.txt" | awk '$1 == "fps" { print $2 }' | tail -1)
  echo "${out:-0}"
}
ours()  { fps_of env XDG_DATA_HOME="$work" "$build/tessera" -game "$work/particles.win" -nosleep -inawindow -n "$1" -s "$seconds"; }
love_() { fps_of love "$here/love" "$1" "$seconds"; }

# The largest N holding 60 fps: doubling from 1000, then halving the gap to within 3 %.
threshold() {
  local side=$1 lo=0 hi=1000 f
  while :; do
    f=$($side "$hi")
    if awk -v f="$f" 'BEGIN { exit !(f >= 60) }'; then lo=$hi; hi=$((hi * 2)); else break; fi
    [ "$hi" -le 512000 ] || break
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
if command -v love >/dev/null; then n_love=$(threshold love_); else n_love=0; fi
awk -v o="$n_ours" -v l="$n_love" 'BEGIN {
  printf "particles at 60 fps  ours %d  love %d\n", o, l
  if (l > 0) printf "ratio against love %.2f (target >= 1.0)\n", o / l
}'
