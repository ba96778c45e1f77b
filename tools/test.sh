#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (under Wine, in Xvfb).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
bash "$repo/tools/setup.sh"
bash "$repo/tools/build.sh" "$build"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$repo/tools/ctest-in-display.sh" "$build" "$@"
