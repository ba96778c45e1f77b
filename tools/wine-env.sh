#!/usr/bin/env bash
# Prepares the Wine prefix the program and the tests run in, and keeps one
# wineserver alive for it. Source it (". tools/wine-env.sh BUILD_DIR") or run it.
# Safe to call again: a prepared prefix is only checked.
_tavora_build="${1:-${TAVORA_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}}"
mkdir -p "$_tavora_build"
export WINEPREFIX="${TAVORA_WINEPREFIX:-$(cd "$_tavora_build" && pwd)/wineprefix}"
export TAVORA_WINEPREFIX="$WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine reads command lines and file names through the Unix locale: make it UTF-8
# so that Chinese arguments survive whatever the machine's own locale is.
export LC_ALL=C.UTF-8 LANG=C.UTF-8

if [ ! -f "$WINEPREFIX/.tavora-ready-2" ]; then
  wineboot -i >/dev/null 2>&1
  # Wine has no SimSun: draw the program's UI face with a CJK font from Debian.
  for face in '宋体' 'SimSun' 'NSimSun' '新宋体' 'Microsoft YaHei' '微软雅黑'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  # There is no window manager in the test display: unmanaged windows hide and
  # close at once instead of waiting two seconds for one to answer.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  touch "$WINEPREFIX/.tavora-ready-2"
fi
# One persistent wineserver keeps each process start cheap.
wineserver -p >/dev/null 2>&1 || true

# Starts Wine's background services now, with no terminal or pipe attached:
# started later by a test, they would inherit its output pipe and keep ctest
# waiting for the pipe to close.
tavora_wine_warm() {
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
