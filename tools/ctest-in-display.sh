#!/usr/bin/env bash
# Runs ctest inside the X display that xvfb-run opened, with one wineserver
# kept alive for the whole run.
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"; shift
export TAVORA_BUILD_DIR="$build"
. "$repo/tools/wine-env.sh" "$build" || exit 1
tavora_wine_warm
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
rc=$?
wineserver -k >/dev/null 2>&1 || true
exit $rc
