#!/usr/bin/env bash
# Signs a Windows program with Authenticode (Debian's osslsigncode), in place:
#   tools/authenticode_sign.sh FILE
# The certificate and key come from TAVORA_SIGN_CERT and TAVORA_SIGN_KEY (PEM);
# the signing time is SOURCE_DATE_EPOCH, so that one program signed twice with
# one RSA key gives the same bytes. With TAVORA_UNSIGNED_COPY set, the file as
# it was is copied there first. tools/release.sh signs the programs with it,
# and makensis the uninstaller inside the setup (!uninstfinalize).
set -euo pipefail
file="${1:?usage: authenticode_sign.sh FILE}"
: "${TAVORA_SIGN_CERT:?no TAVORA_SIGN_CERT}" "${TAVORA_SIGN_KEY:?no TAVORA_SIGN_KEY}"
: "${SOURCE_DATE_EPOCH:?no SOURCE_DATE_EPOCH}"
if [ -n "${TAVORA_UNSIGNED_COPY:-}" ]; then
  cp "$file" "$TAVORA_UNSIGNED_COPY"
fi
signed="$file.signed"
rm -f "$signed"
osslsigncode sign -certs "$TAVORA_SIGN_CERT" -key "$TAVORA_SIGN_KEY" -n Tavora -h sha256 \
  -time "$SOURCE_DATE_EPOCH" -in "$file" -out "$signed" >/dev/null
mv -f "$signed" "$file"
