#!/usr/bin/env bash
# The program against what a user would use instead, side by side in one run:
# click to rows painted (32 and 3,000 rows) against headless Chromium loading
# the same result page warm and cold (tools/bench_browser.py), then start-up
# to first paint against a bare window that paints with one BitBlt
# (startup_timer.exe). Runs inside Xvfb when there is no display.
#   tools/bench-browser.sh [RUNS]      (rounds per figure, default 15)
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
runs="${1:-15}"
if [ -z "${TAVORA_BENCH_IN_DISPLAY:-}" ]; then
  bash "$repo/tools/setup.sh" --browser >/dev/null
  bash "$repo/tools/build.sh" "$build" >/dev/null
  if [ -z "${DISPLAY:-}" ]; then
    exec env TAVORA_BENCH_IN_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
  fi
fi
. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
echo "== click to rows painted"
# Debian's Python, which has Debian's WebSocket client.
/usr/bin/python3 "$repo/tools/bench_browser.py" --build "$build" --runs "$runs"
echo
echo "== start-up to first paint"
wine "$build/bench-browser/startup_timer.exe" "$runs" \
  "$(winepath -w "$build/bench-browser/bare_window.exe")" "$(winepath -w "$build/app/tavora.exe")"
wineserver -k >/dev/null 2>&1 || true
