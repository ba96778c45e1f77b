#!/usr/bin/env bash
# One query against the demo site from the command line (tavora-query), under
# Wine:
#   tools/query.sh [OPTIONS] [FROM] [TO]      (default: 北京 上海)
# OPTIONS are tavora-query's: --json, --kinds LETTERS, --sort KEY,
# --watch SECONDS, --count N, --help (see README). The departure fault-churn
# makes the demo site change seats from one request to the next.
# Sets the machine up and builds first when needed.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TAVORA_BUILD_DIR:-$repo/build}"
# Station names given: the arguments that are neither options nor their values.
args=("$@")
stations=0
value_next=0
for arg in "$@"; do
  if [ "$value_next" = 1 ]; then value_next=0; continue; fi
  case "$arg" in
    --kinds|--sort|--watch|--count) value_next=1 ;;
    -*) ;;
    *) stations=$((stations + 1)) ;;
  esac
done
[ "$stations" -eq 0 ] && args+=("北京")
[ "$stations" -le 1 ] && args+=("上海")

bash "$repo/tools/setup.sh" >/dev/null
bash "$repo/tools/build.sh" "$build" >/dev/null

. "$repo/tools/demo-site-start.sh" 600

. "$repo/tools/wine-env.sh" "$build"
tavora_wine_warm
TAVORA_QUERY_HOST="$demo_host" wine "$build/app/tavora-query.exe" "${args[@]}"
