#!/usr/bin/env bash
# Configures (once) and builds the program, the tests and the benchmarks.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-${TAVORA_BUILD_DIR:-$repo/build}}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$repo" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build"
