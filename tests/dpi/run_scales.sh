#!/usr/bin/env bash
# The main window started at display scales of 125 %, 150 % and 200 %: the
# start case of the window's scale tests, run once per scale in a Wine prefix
# of its own whose LogPixels is set to that scale (the tests' own prefix stays
# at 100 %). Run it in an X display large enough for a 200 % window, e.g.
#   xvfb-run -a -s "-screen 0 2560x1600x24" bash tests/dpi/run_scales.sh BUILD
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:?usage: run_scales.sh BUILD}" && pwd)"
export TAVORA_WINEPREFIX="$build/wineprefix-dpi"
. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
output="$(mktemp)"
trap 'rm -f "$output"; wineserver -k >/dev/null 2>&1 || true' EXIT
status=0
for dpi in 120 144 192; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  echo "== LogPixels $dpi"
  # Output goes through a file: a Wine process left behind must not hold the
  # caller's pipe.
  (cd "$build/tests/app" && TAVORA_TEST_DPI="$dpi" wine app_window_tests.exe \
    --gtest_filter='MainDialogDpi.StartsAtTheDisplayScaleAndShowsRows') >"$output" 2>&1 </dev/null || status=1
  cat "$output"
done
exit $status
