#!/usr/bin/env bash
# One query against the demo site from the command line (tavora-query), under
# Wine:
#   tools/query.sh [FROM] [TO]      (default: 北京 上海)
# Sets the machine up and builds first when needed.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
from="${1:-北京}"
to="${2:-上海}"

bash "$repo/tools/setup.sh" >/dev/null
bash "$repo/tools/build.sh" "$build" >/dev/null

. "$repo/tools/demo-site-start.sh" 600

. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
TAVORA_QUERY_HOST="$demo_host" wine "$build/app/tavora-query.exe" "$from" "$to"
