#!/usr/bin/env bash
# Builds the benchmarks and runs them against a private Firebird server.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVANTEL_BENCH_BUILD:-$repo/build-bench}
bash "$repo/scripts/install-deps.sh"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target kovantel_bench
root=$build/fbservers
trap '"$repo/scripts/test-servers.sh" stop "$root"' EXIT
"$repo/scripts/test-servers.sh" start "$root" > /dev/null
KOVANTEL_TEST_SERVERS=$root/servers.env "$build/bench/kovantel_bench" "$@"
