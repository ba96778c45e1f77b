#!/usr/bin/env bash
# Runs a Windows program of ours under Wine in the project's prefix.
# Used by ctest as the cross-compiling emulator.
#
# The program's output goes to a file that is printed once the program has
# ended. Every Wine process inherits its parent's Unix standard error, so a
# process the program started that outlives it (the desktop process, or a
# child stuck in Wine's process start under load) would otherwise hold ctest's
# output pipe, and ctest would wait for it until the entry's timeout although
# the program itself had finished.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/wine-env.sh" "${TAVORA_BUILD_DIR:-}" >/dev/null || exit 1
log="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")" || exit 1
trap 'cat "$log"; rm -f "$log"' EXIT
# In the background (its standard input kept) so that ctest's timeout, which
# ends this script, ends the program too.
wine "$@" <&0 >"$log" 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null' TERM INT HUP
wait "$program"
rc=$?
# A signal ends the wait early: give the program a moment to go.
for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$program" 2>/dev/null || break; sleep 0.5; done
exit $rc
