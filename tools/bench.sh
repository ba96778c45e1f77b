#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; each prints its own table.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
bash "$repo/tools/setup.sh" >/dev/null
bash "$repo/tools/build.sh" "$build" >/dev/null
. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
for bench in "$build"/bench/*.exe; do
  echo "== $(basename "$bench" .exe)"
  wine "$bench"
done
