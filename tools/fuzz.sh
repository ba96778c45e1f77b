#!/usr/bin/env bash
# Builds the parser fuzz driver and runs it under Wine: 50,000 inputs per
# family, or 1,000,000 with --long. Findings are saved under
# tests/fuzz/regressions/<family>/; other options go to tools/fuzz.py run.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
bash "$repo/tools/setup.sh" >/dev/null
bash "$repo/tools/build.sh" "$build" >/dev/null
exec python3 "$repo/tools/fuzz.py" run --build "$build" "$@"
