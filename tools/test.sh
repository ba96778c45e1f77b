#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (under Wine, in
# Xvfb): each test program as one ctest entry, its cases in one process.
#   tools/test.sh [ctest args]         the default suite (everything but the label "long")
#   tools/test.sh --long [ctest args]  only the long runs: the 1,000-query soak, 100+100
#                                      closes of the program, the million-input fuzz run
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
labels=(-LE long)
if [ "${1:-}" = "--long" ]; then
  labels=(-L long)
  shift
fi
bash "$repo/tools/setup.sh"
bash "$repo/tools/build.sh" "$build"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$repo/tools/ctest-in-display.sh" "$build" "${labels[@]}" "$@"
