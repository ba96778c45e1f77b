#!/usr/bin/env bash
# Prepares the Wine prefix the program and the tests run in, and keeps one
# wineserver alive for it. Source it (". tools/wine-env.sh BUILD_DIR") or run it.
# Safe to call again: a prepared prefix is only checked. The prefix is marked
# ready only when every step of its preparation succeeded; otherwise one line
# goes to standard error and the script fails (returns when sourced), so the
# next call tries again.
_tavora_fail() {
  echo "wine-env.sh: $*" >&2
}

_tavora_prepare_prefix() {
  wineboot -i >/dev/null 2>&1 || { _tavora_fail "wineboot failed for prefix $WINEPREFIX"; return 1; }
  # Wine has no SimSun: draw the program's UI face with a CJK font from Debian.
  local face
  for face in '宋体' 'SimSun' 'NSimSun' '新宋体' 'Microsoft YaHei' '微软雅黑'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1 ||
      { _tavora_fail "could not set the font replacement for $face in $WINEPREFIX"; return 1; }
  done
  # There is no window manager in the test display: unmanaged windows hide and
  # close at once instead of waiting two seconds for one to answer.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    { _tavora_fail "could not turn off window management in $WINEPREFIX"; return 1; }
  touch "$WINEPREFIX/.tavora-ready-2" || { _tavora_fail "could not mark $WINEPREFIX ready"; return 1; }
}

_tavora_build="${1:-${TAVORA_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}}"
if ! mkdir -p "$_tavora_build" 2>/dev/null; then
  _tavora_fail "cannot create the build folder $_tavora_build"
  return 1 2>/dev/null || exit 1
fi
export WINEPREFIX="${TAVORA_WINEPREFIX:-$(cd "$_tavora_build" && pwd)/wineprefix}"
export TAVORA_WINEPREFIX="$WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine reads command lines and file names through the Unix locale: make it UTF-8
# so that Chinese arguments survive whatever the machine's own locale is.
export LC_ALL=C.UTF-8 LANG=C.UTF-8

if [ ! -f "$WINEPREFIX/.tavora-ready-2" ] && ! _tavora_prepare_prefix; then
  # `return` ends a sourcing of this file; run as a program, it fails and exits.
  return 1 2>/dev/null || exit 1
fi
# One persistent wineserver keeps each process start cheap.
wineserver -p >/dev/null 2>&1 || true

# Starts Wine's background services now, with no terminal or pipe attached:
# started later by a test, they would inherit its output pipe and keep ctest
# waiting for the pipe to close.
tavora_wine_warm() {
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
