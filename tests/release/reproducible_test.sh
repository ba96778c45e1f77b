#!/usr/bin/env bash
# Two releases of the work tree in two build folders (so the build paths
# differ), signed with one Authenticode certificate and one update key, must
# hold the same unsigned programs byte for byte and the same digests of them.
#   tests/release/reproducible_test.sh BUILD_DIR
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(mkdir -p "$1" && cd "$1" && pwd)"
work="$build/e2e-reproducible"
rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:3072 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Tavora reproducibility test" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
for run in one two; do
  started=$SECONDS
  TAVORA_RELEASE_BUILD_DIR="$work/build-$run" bash "$repo/tools/release.sh" --work-tree \
    --cert "$work/cert.pem" --cert-key "$work/key.pem" --out "$work/release-$run" > "$work/release-$run.log" 2>&1 ||
    { tail -20 "$work/release-$run.log"; echo "FAILED: release $run"; exit 1; }
  echo "release $run made ($((SECONDS - started)) s)"
done
failed=0
for name in tavora.exe tavora-query.exe uninst.exe tavoSetup.exe; do
  if cmp -s "$work/release-one/unsigned/$name" "$work/release-two/unsigned/$name"; then
    echo "ok: unsigned $name is the same"
  else
    echo "FAILED: unsigned $name differs: $(cmp "$work/release-"{one,two}"/unsigned/$name" | head -1)"
    failed=1
  fi
done
for name in tavoSetup.exe tavora-*.zip; do
  one=("$work/release-one/"$name) two=("$work/release-two/"$name)
  if cmp -s "${one[0]}" "${two[0]}"; then
    echo "ok: signed $(basename "${one[0]}") is the same"
  else
    echo "FAILED: signed $(basename "${one[0]}") differs"
    failed=1
  fi
done
if diff <(grep ' unsigned/' "$work/release-one/SHA256SUMS") <(grep ' unsigned/' "$work/release-two/SHA256SUMS"); then
  echo "ok: SHA256SUMS lists the same unsigned programs ($(grep -c ' unsigned/' "$work/release-one/SHA256SUMS") lines)"
else
  echo "FAILED: SHA256SUMS differ for the unsigned programs"
  failed=1
fi
[ "$failed" = 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit "$failed"
