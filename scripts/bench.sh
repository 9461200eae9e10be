#!/usr/bin/env bash
# Builds the benchmarks and compares the tool with the bare Firebird client (and with an
# empty Qt window) on a private Firebird server and a private X server started for the
# run; prints one table at the end: path, tool, baseline, ratio, goal, whether it holds.
#
#   scripts/bench.sh                 full sizes (2,000 articles saved, 100,000 listed)
#   scripts/bench.sh --quick         smaller sizes, for a quick check
#   scripts/bench.sh --only KEY      one path: save, enter, move, open, start, memory
#   scripts/bench.sh --micro [ARGS]  absolute figures of single database paths (Google Benchmark)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVANTEL_BENCH_BUILD:-$repo/build-bench}
bash "$repo/scripts/install-deps.sh"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null

micro=0
if [[ "${1:-}" == "--micro" ]]; then
  micro=1
  shift
fi
if ((micro)); then
  cmake --build "$build" -j2 --target kovantel_microbench
else
  cmake --build "$build" -j2 --target kovantel_bench
fi

root=$build/fbservers
xvfb_pid=
cleanup() {
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  "$repo/scripts/test-servers.sh" stop "$root"
}
trap cleanup EXIT
"$repo/scripts/test-servers.sh" start "$root" > /dev/null

if ((micro)); then
  KOVANTEL_TEST_SERVERS=$root/servers.env "$build/bench/kovantel_microbench" "$@"
  exit
fi

# A private X server for the start-up path; it picks a free display number itself.
display=
if command -v Xvfb > /dev/null; then
  mkdir -p "$root"
  rm -f "$root/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3> "$root/xvfb.display" 2> "$root/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [[ -s "$root/xvfb.display" ]] && break
    sleep 0.05
  done
  if [[ -s "$root/xvfb.display" ]]; then
    display=:$(head -n1 "$root/xvfb.display")
    for _ in $(seq 1 50); do
      xwininfo -root -display "$display" > /dev/null 2>&1 && break
      sleep 0.1
    done
  fi
fi

start=$SECONDS
LANG=de_DE.UTF-8 KOVANTEL_TEST_SERVERS=$root/servers.env KOVANTEL_BENCH_DISPLAY=$display \
  "$build/bench/kovantel_bench" "$@"
echo "(benchmark run took $((SECONDS - start)) s)"
