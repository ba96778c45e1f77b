#!/usr/bin/env bash
# Sourced by the run scripts: starts the demo site on a free port of
# 127.0.0.1 for as long as the calling script runs, and sets `demo_host` to
# its "127.0.0.1:PORT". Fails the script when the site does not start.
#   . tools/demo-site-start.sh MAX_SECONDS [DEMO SITE OPTIONS...]
_demo_repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
_demo_scratch="$(mktemp -d)"
python3 "$_demo_repo/tools/demo_site.py" --port 0 --port-file "$_demo_scratch/port" --max-seconds "$1" \
  "${@:2}" >/dev/null 2>&1 &
_demo_site=$!
trap 'kill $_demo_site 2>/dev/null || true; rm -rf "$_demo_scratch"' EXIT
for _ in $(seq 100); do [ -s "$_demo_scratch/port" ] && break; sleep 0.1; done
[ -s "$_demo_scratch/port" ] || { echo "$(basename "$0"): the demo site did not start" >&2; exit 1; }
demo_host="127.0.0.1:$(cat "$_demo_scratch/port")"
