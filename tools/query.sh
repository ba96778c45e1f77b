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

scratch="$(mktemp -d)"
python3 "$repo/tools/demo_site.py" --port 0 --port-file "$scratch/port" --max-seconds 600 >/dev/null 2>&1 &
site=$!
trap 'kill $site 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do [ -s "$scratch/port" ] && break; sleep 0.1; done
[ -s "$scratch/port" ] || { echo "run: the demo site did not start" >&2; exit 1; }

. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
TAVORA_QUERY_HOST="127.0.0.1:$(cat "$scratch/port")" wine "$build/app/tavora-query.exe" "$from" "$to"
