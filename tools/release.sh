#!/usr/bin/env bash
# Makes a release of Tavora:
#   tools/release.sh [--key KEY.pem] [--cert CERT.pem --cert-key CERTKEY.pem] [--version V]
#                    [--url URL] [--out DIR] [--work-tree]
#
# Writes into DIR (default build/release/):
#   tavoSetup.exe          the setup program
#   tavora-V.zip           the programs alone (tavora.exe, tavora-query.exe), to run
#                          without installing
#   update.ini             the update server's answer for this release: [Version]
#                          with the version and the setup's Signature=, [DownloadUrls]
#                          url01=URL, and [Tip] asking the user (CloseCommand=8)
#   unsigned/              the programs before their Authenticode signatures:
#                          tavora.exe, tavora-query.exe, uninst.exe, tavoSetup.exe
#   SHA256SUMS             the digests of all of the above
#
# The release is built from the committed tree (HEAD; --work-tree takes the work
# tree's files as they are, for testing) in build/release-build/, a build folder
# of its own with the release's settings and no tests. The folder stays between
# releases, so the next one rebuilds only what changed. Two releases of one
# commit with the same keys give the same unsigned programs, byte for byte:
# times come from the commit (SOURCE_DATE_EPOCH), build paths are mapped away
# and the linker writes no time stamp.
#
# KEY.pem (ECDSA P-256, made by tools/sign_release.py new-key) signs the setup
# for the update check, and the program carries the key's public half: it
# accepts updates signed with the same key. Without --key the test key
# tools/update_test_signing_key.pem signs.
# CERT.pem and CERTKEY.pem, a code-signing certificate and its key, sign every
# program the release ships with Authenticode (the uninstaller inside the setup
# too), so Windows names the publisher when it asks for elevation. Without them
# a throw-away test certificate is made for the release (its public half goes
# to DIR/authenticode-test-cert.pem).
# With either stand-in the last line says so: such a release is for testing only.
# V is four numbers (1.0.0.36; default: the build's TAVORA_VERSION); URL is where
# the setup will be served (default http://update.tavora.net/tavo/V/tavoSetup.exe).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
key="" cert="" cert_key="" version="" url="" out="$repo/build/release" from_work_tree=0
usage="usage: tools/release.sh [--key KEY.pem] [--cert CERT.pem --cert-key CERTKEY.pem] [--version V]"
usage+=" [--url URL] [--out DIR] [--work-tree]"
while [ $# -gt 0 ]; do
  case "$1" in
    --key) key="$2"; shift 2 ;;
    --cert) cert="$2"; shift 2 ;;
    --cert-key) cert_key="$2"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    --url) url="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --work-tree) from_work_tree=1; shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
test_key="$repo/tools/update_test_signing_key.pem"
[ -n "$key" ] || key="$test_key"
[ -f "$key" ] || { echo "release: no key file $key" >&2; exit 2; }
if [ -n "$cert$cert_key" ]; then
  [ -f "$cert" ] && [ -f "$cert_key" ] || { echo "release: --cert and --cert-key name two files" >&2; exit 2; }
fi
[ -n "$version" ] || version="$(sed -n 's/^set(TAVORA_VERSION "\([0-9.]*\)".*/\1/p' "$repo/CMakeLists.txt")"
[[ "$version" =~ ^[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}\.[0-9]{1,5}$ ]] ||
  { echo "release: '$version' is not a version of four numbers" >&2; exit 2; }
[ -n "$url" ] || url="http://update.tavora.net/tavo/$version/tavoSetup.exe"
public_key="$(python3 "$repo/tools/sign_release.py" public-key --key "$key" --hex)"

bash "$repo/tools/setup.sh" >/dev/null
work="${TAVORA_RELEASE_BUILD_DIR:-$repo/build/release-build}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
src="$work/src"
deps="$(mkdir -p "${TAVORA_DEPS_DIR:-$repo/.deps}" && cd "${TAVORA_DEPS_DIR:-$repo/.deps}" && pwd)"
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
# Every time in the release is the commit's.
SOURCE_DATE_EPOCH="$(cd "$repo" && git log -1 --format=%ct HEAD)"
export SOURCE_DATE_EPOCH

# Authenticode: the given certificate, or a throw-away one made now.
if [ -z "$cert" ]; then
  test_cert_dir="$work/authenticode-test"
  rm -rf "$test_cert_dir"
  mkdir -p "$test_cert_dir"
  cert="$test_cert_dir/cert.pem" cert_key="$test_cert_dir/key.pem"
  openssl req -x509 -newkey rsa:3072 -nodes -keyout "$cert_key" -out "$cert" -days 30 \
    -subj "/CN=Tavora test publisher" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" 2>/dev/null
  chmod 600 "$cert_key"
fi
export TAVORA_SIGN_CERT="$(cd "$(dirname "$cert")" && pwd)/$(basename "$cert")"
export TAVORA_SIGN_KEY="$(cd "$(dirname "$cert_key")" && pwd)/$(basename "$cert_key")"

mkdir -p "$out"
out="$(cd "$out" && pwd)"
rm -rf "$out/unsigned"
rm -f "$out/tavoSetup.exe" "$out"/tavora-*.zip "$out/update.ini" "$out/SHA256SUMS" "$out/authenticode-test-cert.pem"
mkdir -p "$out/unsigned"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# No build path in the programs (assertion texts, debug records) and no link time.
prefix_maps="-ffile-prefix-map=$src=tavora -ffile-prefix-map=$work/build=build -ffile-prefix-map=$deps=deps"
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTAVORA_BUILD_TESTS=OFF -DTAVORA_VERSION="$version" \
  -DTAVORA_UPDATE_PUBLIC_KEY="$public_key" -DTAVORA_DEPS_DIR="$deps" \
  -DCMAKE_C_FLAGS="$prefix_maps" -DCMAKE_CXX_FLAGS="$prefix_maps" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,--no-insert-timestamp" -DCMAKE_SHARED_LINKER_FLAGS="-Wl,--no-insert-timestamp" \
  -DTAVORA_SETUP_PROGRAM="$work/signed/tavora.exe" \
  -DTAVORA_UNINSTALLER_FINALIZE="bash $src/tools/authenticode_sign.sh %1" \
  "${launcher[@]}" >/dev/null
cmake --build "$work/build" --target tavora tavora-query

# The programs as built, then signed; the setup packs the signed program and
# makensis signs the uninstaller it writes, keeping the unsigned one.
rm -rf "$work/signed"
mkdir -p "$work/signed"
for program in tavora tavora-query; do
  cp "$work/build/app/$program.exe" "$out/unsigned/$program.exe"
  cp "$work/build/app/$program.exe" "$work/signed/$program.exe"
  bash "$src/tools/authenticode_sign.sh" "$work/signed/$program.exe"
done
TAVORA_UNSIGNED_COPY="$out/unsigned/uninst.exe" cmake --build "$work/build" --target tavora_setup
[ -f "$out/unsigned/uninst.exe" ] || { echo "release: makensis did not hand over the uninstaller" >&2; exit 1; }
chmod 644 "$out/unsigned/uninst.exe"
cp "$work/build/setup/tavoSetup.exe" "$out/unsigned/tavoSetup.exe"
cp "$work/build/setup/tavoSetup.exe" "$out/tavoSetup.exe"
bash "$src/tools/authenticode_sign.sh" "$out/tavoSetup.exe"

python3 - "$work/signed" "$out/tavora-$version.zip" "$SOURCE_DATE_EPOCH" <<'PY'
import sys, time, zipfile
folder, archive, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
# The commit's time (zip times start in 1980) and fixed attributes: the same
# programs give the same archive.
stamp = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("tavora.exe", "tavora-query.exe"):
        entry = zipfile.ZipInfo("Tavora/" + name, stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(folder + "/" + name, "rb") as handle:
            z.writestr(entry, handle.read())
PY
python3 "$repo/tools/sign_release.py" update-ini --key "$key" --version "$version" --url "$url" \
  --out "$out/update.ini" "$out/tavoSetup.exe"
for signed in "$work/signed/tavora.exe" "$work/signed/tavora-query.exe" "$out/tavoSetup.exe"; do
  osslsigncode verify -CAfile "$TAVORA_SIGN_CERT" -in "$signed" 2>/dev/null | grep -q "Signature verification: ok" ||
    { echo "release: the signature of $signed does not verify" >&2; exit 1; }
done
(cd "$out" && sha256sum tavoSetup.exe "tavora-$version.zip" update.ini unsigned/tavora.exe \
   unsigned/tavora-query.exe unsigned/uninst.exe unsigned/tavoSetup.exe > SHA256SUMS)

test_parts=()
if [ "$(cd "$(dirname "$key")" && pwd)/$(basename "$key")" = "$test_key" ]; then
  test_parts+=("the TEST key (tools/update_test_signing_key.pem)")
fi
if [ -n "${test_cert_dir:-}" ]; then
  cp "$cert" "$out/authenticode-test-cert.pem"
  test_parts+=("a throw-away TEST certificate ($out/authenticode-test-cert.pem)")
fi
echo "release: Tavora $version in $out"
if [ ${#test_parts[@]} -eq 2 ]; then
  echo "release: signed with ${test_parts[0]} and ${test_parts[1]}: for testing only, never publish it"
elif [ ${#test_parts[@]} -eq 1 ]; then
  echo "release: signed with ${test_parts[0]}: for testing only, never publish it"
else
  echo "release: signed with $key and $cert"
fi
