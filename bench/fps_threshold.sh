# Shared by the benchmarks that find the largest load still holding 60 frames per second in a window
# under Xvfb. Source it after setting `work` (a scratch folder) and `core` (the CPU to pin to).

# fps of one program; its own output ends with a line "fps F". The last run's output stays in
# $work/last.txt.
fps_of() {
  local out
  out=$(taskset -c "$core" xvfb-run -a -s "-screen 0 1024x768x24" "$@" 2>/dev/null | tee "$work/last.txt" | awk '$1 == "fps" { print $2 }' | tail -1)
  echo "${out:-0}"
}

# threshold SIDE START LIMIT: the largest N for which "SIDE N" holds 60 fps, doubling from START
# (up to LIMIT), then halving the gap to within 3 %.
threshold() {
  local side=$1 lo=0 hi=$2 limit=$3 f
  while :; do
    f=$($side "$hi")
    if awk -v f="$f" 'BEGIN { exit !(f >= 60) }'; then lo=$hi; hi=$((hi * 2)); else break; fi
    [ "$hi" -le "$limit" ] || break
  done
  while [ $((hi - lo)) -gt $((lo / 33 + 1)) ]; do
    local mid=$(((lo + hi) / 2))
    f=$($side "$mid")
    if awk -v f="$f" 'BEGIN { exit !(f >= 60) }'; then lo=$mid; else hi=$mid; fi
  done
  echo "$lo"
}
