#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite against private
# Firebird servers that the suite starts and stops itself.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVANTEL_TEST_BUILD:-$repo/build-test}

bash "$repo/scripts/install-deps.sh"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
cd "$build"
export LANG=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j 2 --timeout 900
