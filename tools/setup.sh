#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12 machine.
# Safe to run again: every step checks before it acts.
#   tools/setup.sh [--browser]
# --browser also installs headless Chromium and Python's WebSocket client, which
# only tools/bench-browser.sh needs.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "setup: run as root (or through sudo)" >&2; exit 1; fi; }

pkgs=(g++-mingw-w64-i686 mingw-w64-i686-dev cmake ninja-build python3 dpkg-dev
      wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick fonts-wqy-microhei googletest
      ca-certificates python3-pil python3-cryptography patch nsis osslsigncode openssl)
if [ "${1:-}" = --browser ]; then
  pkgs+=(chromium python3-websocket)
fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing=(i386)
fi
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/tavora-src.sources
if [ ${#missing[@]} -gt 0 ] || [ ! -f "$src_list" ]; then
  need_root
  dpkg --add-architecture i386
  if [ ! -f "$src_list" ]; then
    # TinyXML is built from Debian's source package, so a deb-src entry must exist.
    cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
fi
echo "setup: packages ready"

# TinyXML from Debian's source package, unpacked with Debian's patches applied.
# The version is pinned in one place, cmake/tinyxml-version, which the build reads too.
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps="${TAVORA_DEPS_DIR:-$repo/.deps}"
tinyxml="tinyxml-$(head -n1 "$repo/cmake/tinyxml-version")"
if [ ! -f "$deps/$tinyxml/tinyxml.h" ]; then
  mkdir -p "$deps"
  (cd "$deps" && rm -rf "$tinyxml" && apt-get source -qq tinyxml >/dev/null 2>&1) || {
    echo "setup: could not fetch the tinyxml source package" >&2; exit 1; }
  [ -f "$deps/$tinyxml/tinyxml.h" ] || {
    echo "setup: Debian's tinyxml source is not $tinyxml" >&2; exit 1; }
fi
echo "setup: tinyxml source in $deps/$tinyxml"
