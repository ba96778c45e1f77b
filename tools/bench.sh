#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; each prints its own table. The
# window benchmarks need a display: without one, the run goes inside Xvfb.
# Names given as arguments (parse_bench, view_bench, ...) run only those.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${TAVORA_BENCH_IN_DISPLAY:-}" ]; then
  bash "$repo/tools/setup.sh" >/dev/null
  bash "$repo/tools/build.sh" "$build" >/dev/null
  exec env TAVORA_BENCH_IN_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
if [ -z "${TAVORA_BENCH_IN_DISPLAY:-}" ]; then
  bash "$repo/tools/setup.sh" >/dev/null
  bash "$repo/tools/build.sh" "$build" >/dev/null
fi
. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
for bench in "$build"/bench/*.exe; do
  name="$(basename "$bench" .exe)"
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  echo "== $name"
  wine "$bench"
done
wineserver -k >/dev/null 2>&1 || true
