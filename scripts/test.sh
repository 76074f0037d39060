#!/usr/bin/env bash
# Installs what is needed, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, with the fuzz targets and benchmarks) and
# runs the whole test suite. X tests start their own private Xvfb servers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-packages.sh"
build="$top/build-test"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQW_SANITIZE=ON -DQW_FUZZ=ON -DQW_BENCH=ON
cmake --build "$build"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
