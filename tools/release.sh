#!/usr/bin/env bash
# Makes a release of Tavora:
#   tools/release.sh [--key KEY.pem] [--version V] [--url URL] [--out DIR] [--work-tree]
#
# Writes into DIR (default build/release/):
#   tavoSetup.exe          the setup program
#   tavora-V.zip           the program alone, to run without installing
#   update.ini             the update server's answer for this release: [Version]
#                          with the version and the setup's Signature=, [DownloadUrls]
#                          url01=URL, and [Tip] asking the user (CloseCommand=8)
#   SHA256SUMS             the digests of the three
#
# The release is built from the committed tree (HEAD; --work-tree takes the work
# tree's files as they are, for testing) in build/release-build/, a build folder
# of its own with the release's settings and no tests. The folder stays between
# releases, so the next one rebuilds only what changed.
#
# KEY.pem (ECDSA P-256, made by tools/sign_release.py new-key) signs the setup,
# and the program carries the key's public half: it accepts updates signed with
# the same key. Without --key the test key tools/update_test_signing_key.pem
# signs, and the last line says so: such a release is for testing only.
# V is four numbers (1.0.0.36; default: the build's TAVORA_VERSION); URL is where
# the setup will be served (default http://update.tavora.net/tavo/V/tavoSetup.exe).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
key="" version="" url="" out="$repo/build/release" from_work_tree=0
while [ $# -gt 0 ]; do
  case "$1" in
    --key) key="$2"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    --url) url="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --work-tree) from_work_tree=1; shift ;;
    *) echo "usage: tools/release.sh [--key KEY.pem] [--version V] [--url URL] [--out DIR] [--work-tree]" >&2; exit 2 ;;
  esac
done
test_key="$repo/tools/update_test_signing_key.pem"
[ -n "$key" ] || key="$test_key"
[ -f "$key" ] || { echo "release: no key file $key" >&2; exit 2; }
[ -n "$version" ] || version="$(sed -n 's/^set(TAVORA_VERSION "\([0-9.]*\)".*/\1/p' "$repo/CMakeLists.txt")"
[[ "$version" =~ ^[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}$ ]] ||
  { echo "release: '$version' is not a version of four numbers" >&2; exit 2; }
[ -n "$url" ] || url="http://update.tavora.net/tavo/$version/tavoSetup.exe"
public_key="$(python3 "$repo/tools/sign_release.py" public-key --key "$key" --hex)"

bash "$repo/tools/setup.sh" >/dev/null
work="${TAVORA_RELEASE_BUILD_DIR:-$repo/build/release-build}"
src="$work/src"
rm -rf "$src"
mkdir -p "$src"
if [ "$from_work_tree" = 1 ]; then
  # Tracked and new files, as they are now (deleted ones left out).
  (cd "$repo" && git ls-files -z --cached --others --exclude-standard --deduplicate |
     while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
     tar --null -T - -cf -) | tar -xf - -C "$src"
else
  if [ -n "$(cd "$repo" && git status --porcelain --untracked-files=no)" ]; then
    echo "release: the work tree has uncommitted changes; the release is made of HEAD without them" >&2
  fi
  (cd "$repo" && git archive --format=tar HEAD) | tar -xf - -C "$src"
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTAVORA_BUILD_TESTS=OFF -DTAVORA_VERSION="$version" \
  -DTAVORA_UPDATE_PUBLIC_KEY="$public_key" -DTAVORA_DEPS_DIR="${TAVORA_DEPS_DIR:-$repo/.deps}" \
  "${launcher[@]}" >/dev/null
cmake --build "$work/build" --target tavora tavora_setup

mkdir -p "$out"
rm -f "$out/tavoSetup.exe" "$out"/tavora-*.zip "$out/update.ini" "$out/SHA256SUMS"
cp "$work/build/setup/tavoSetup.exe" "$out/tavoSetup.exe"
python3 - "$work/build/app/tavora.exe" "$out/tavora-$version.zip" <<'PY'
import sys, zipfile
program, archive = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    z.write(program, "Tavora/tavora.exe")
PY
python3 "$repo/tools/sign_release.py" update-ini --key "$key" --version "$version" --url "$url" \
  --out "$out/update.ini" "$out/tavoSetup.exe"
(cd "$out" && sha256sum tavoSetup.exe "tavora-$version.zip" update.ini > SHA256SUMS)

echo "release: Tavora $version in $out"
if [ "$(cd "$(dirname "$key")" && pwd)/$(basename "$key")" = "$test_key" ]; then
  echo "release: signed with the TEST key (tools/update_test_signing_key.pem): for testing only, never publish it"
else
  echo "release: signed with $key"
fi
