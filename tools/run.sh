#!/usr/bin/env bash
# The main job: the program itself against the demo site, under Wine.
#   tools/run.sh [FROM] [TO] [--docs] [--sort COLUMN | --menu | --timetable CODE]
#                [--fare-page | --help-page | --complete TEXT | --focus | --maximised] [--scale PERCENT]
#   (default: 北京 上海, 100 %)
# With a display, tavora.exe opens its window for you to query. Without one,
# the run goes inside Xvfb: tavora-drive types FROM and TO into the edit boxes
# with real input, clicks search, waits for the rows and saves the window as
# build/tavora-main.png; the run prints the number of trains shown and the
# screenshot's path, and exits 0 only when trains were shown. --docs also
# copies the screenshot to docs/tavora-main.png, the README's picture.
# --sort COLUMN clicks that list column's header (0 is the train code, 3 the
# departure time) before the screenshot, sorting the trains by it; --menu
# right-clicks the third row instead, so the screenshot shows its menu;
# --timetable CODE then opens the 时刻表查询 tab and asks for train CODE, and
# the screenshot (build/tavora-timetable.png, docs/ with --docs) shows its
# stops; --fare-page asks the 票价查询 tab for FROM and TO
# (build/tavora-fares.png), --help-page shows the 帮 助 tab instead
# (build/tavora-help.png); --complete TEXT types TEXT into the 出发站 box
# after the query, so that the screenshot (build/tavora-complete.png) shows
# its completion drop-down; --focus clicks the first row and presses
# Shift+Tab, so that the screenshot (build/tavora-focus.png) shows the focus
# ring on the search button; --maximised clicks the header's maximise button
# after the query (build/tavora-maximised.png) and restores the window before
# it closes.
# --scale 150 runs the program at a display scale of 150 % (LogPixels 144) in
# a Wine prefix of its own for that scale; the screenshot is then
# build/tavora-main-150.png (docs/tavora-main-150.png with --docs).
# Sets the machine up and builds first when needed.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
docs=""
sort_column="${TAVORA_RUN_SORT:-}"
scale="${TAVORA_RUN_SCALE:-100}"
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --docs) docs=1 ;;
    --sort) sort_column="${2:?--sort needs a column number}"; shift ;;
    --menu) sort_column=menu ;;
    --timetable) sort_column="timetable ${2:?--timetable needs a train code}"; shift ;;
    --help-page) sort_column="tab 3" ;;
    --fare-page) sort_column=fares ;;
    --complete) sort_column="complete ${2:?--complete needs a text}"; shift ;;
    --focus) sort_column=focus ;;
    --maximised) sort_column=maximised ;;
    --scale) scale="${2:?--scale needs a percentage}"; shift ;;
    *) args+=("$1") ;;
  esac
  shift
done
case "$scale" in
  '' | *[!0-9]*) echo "run: --scale takes a whole percentage such as 150" >&2; exit 2 ;;
esac
if [ "$scale" -lt 50 ] || [ "$scale" -gt 500 ]; then
  echo "run: --scale takes 50 to 500" >&2
  exit 2
fi
from="${args[0]:-北京}"
to="${args[1]:-上海}"

if [ -z "${TAVORA_RUN_IN_DISPLAY:-}" ]; then
  bash "$repo/tools/setup.sh" >/dev/null
  bash "$repo/tools/build.sh" "$build" >/dev/null
  if [ -z "${DISPLAY:-}" ]; then
    exec env TAVORA_RUN_IN_DISPLAY=headless TAVORA_RUN_DOCS="$docs" TAVORA_RUN_SORT="$sort_column" TAVORA_RUN_SCALE="$scale" xvfb-run -a -s "-screen 0 1280x1024x24" \
      bash "$0" "$from" "$to"
  fi
  export TAVORA_RUN_IN_DISPLAY=screen
fi

. "$repo/tools/demo-site-start.sh" 3600
host="$demo_host"

suffix=""
if [ "$scale" != 100 ]; then
  # The scale is the prefix's: a prefix of its own keeps the tests' at 100 %.
  suffix="-$scale"
  export TAVORA_WINEPREFIX="$build/wineprefix$suffix"
fi
. "$repo/tools/wine-env.sh" "$build"
if [ "$scale" != 100 ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((scale * 96 / 100)) /f >/dev/null 2>&1
fi
tavora_wine_warm
export TAVORA_QUERY_HOST="$host" TAVORA_UPDATE_HOST="$host" TAVORA_STAT_HOST="$host"

if [ "$TAVORA_RUN_IN_DISPLAY" = screen ]; then
  echo "run: the demo site is $host; close the window to end"
  wine "$build/app/tavora.exe"
  exit 0
fi

shot_name=tavora-main
case "$sort_column" in timetable*) shot_name=tavora-timetable ;; "tab 3") shot_name=tavora-help ;; fares) shot_name=tavora-fares ;; complete*) shot_name=tavora-complete ;; focus) shot_name=tavora-focus ;; maximised) shot_name=tavora-maximised ;; esac
shot="$build/$shot_name$suffix"
rm -f "$shot.bmp" "$shot.png"
wine "$build/app/tavora.exe" &
program=$!
status=0
wine "$build/tools/driver/tavora-drive.exe" "$from" "$to" "$(winepath -w "$shot.bmp")" $sort_column || status=$?
# The driver closed the window; the program ends by itself.
for _ in $(seq 100); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
kill $program 2>/dev/null || true
wait $program 2>/dev/null || true
if [ -s "$shot.bmp" ]; then
  convert "$shot.bmp" "$shot.png"
  rm -f "$shot.bmp"
  echo "screenshot: $shot.png"
  if [ -n "${docs:-${TAVORA_RUN_DOCS:-}}" ]; then
    cp "$shot.png" "$repo/docs/$shot_name$suffix.png"
    echo "copied to: $repo/docs/$shot_name$suffix.png"
  fi
fi
# Wine's processes end before the display does.
wineserver -k >/dev/null 2>&1 || true
exit $status
