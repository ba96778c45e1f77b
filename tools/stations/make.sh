#!/bin/sh
# Installs the pinned pinyin library and remakes res/stations.txt from
# names.txt (arguments go to make_stations.js).
set -e
cd "$(dirname "$0")"
npm ci --silent --no-audit --no-fund
exec node make_stations.js "$@"
