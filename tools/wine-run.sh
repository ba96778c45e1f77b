#!/usr/bin/env bash
# Runs a Windows program of ours under Wine in the project's prefix.
# Used by ctest as the cross-compiling emulator.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/wine-env.sh" "${TAVORA_BUILD_DIR:-}" >/dev/null || exit 1
exec wine "$@"
