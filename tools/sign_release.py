#!/usr/bin/env python3
"""Signs Tavora setup programs for the update server.

    sign_release.py sign --key KEY.pem --version V SETUP.exe [--out FILE]
        prints the line for the update INI's [Version] section that offers
        SETUP.exe as version V (1.0.0.36 or 1,0,0,36):
        Signature=<128 hexadecimal digits>
        (into FILE instead, which appears whole, when --out is given)
    sign_release.py update-ini --key KEY.pem --version V --url URL SETUP.exe --out FILE
        writes the update server's answer for a release: [Version] with the
        version (V as 1.0.0.36, written 1,0,0,36) and the setup's signature,
        [DownloadUrls] url01=URL, and [Tip] with the question and
        CloseCommand=8 (the program starts the setup once the user says
        Yes); UTF-16 with a byte-order mark, so Windows reads the Chinese
    sign_release.py new-key --out KEY.pem
        makes a new P-256 signing key (private, PEM, mode 0600) and prints
        its public half as the C++ array the program embeds
    sign_release.py public-key --key KEY.pem [--hex]
        prints the public half of an existing key as that array (as 128
        hexadecimal digits with --hex, the form the build's
        TAVORA_UPDATE_PUBLIC_KEY takes)

The signature is ECDSA on the curve P-256 (over SHA-256) of the text

    tavora-update
    version=1,0,0,36
    sha256=<the SHA-256 digest of the whole setup file, 64 lower-case hex digits>

(each line ended by a line feed, the version's four numbers without leading
zeros), written as r then s, 32 big-endian bytes each, in hexadecimal: the
version offered and the file are signed together, so that an old signed
setup cannot be offered again as a newer version.
The program checks it with the system's own cryptography (CNG) against the
public key built into it. Uses Debian's python3-cryptography.
"""

import argparse
import hashlib
import os
import re
import sys

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature


def load_key(path):
    with open(path, "rb") as handle:
        key = serialization.load_pem_private_key(handle.read(), password=None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise ValueError("%s is not a P-256 private key" % path)
    return key


def sign_bytes(key, data):
    """The 64-byte signature r || s of data."""
    r, s = decode_dss_signature(key.sign(data, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def version_fields(version):
    """The four numbers of a version written 1.0.0.36 or 1,0,0,36."""
    fields = re.split(r"[.,]", version)
    if len(fields) != 4 or not all(re.fullmatch(r"\d{1,10}", f) for f in fields) or \
            any(int(f) > 0xFFFFFFFF for f in fields):
        raise ValueError("%r is not a version of four numbers" % version)
    return [int(f) for f in fields]


def offer_text(version, data):
    """What a release signs: the version it offers and its setup's digest."""
    numbers = ",".join(str(f) for f in version_fields(version))
    return ("tavora-update\nversion=%s\nsha256=%s\n" % (numbers, hashlib.sha256(data).hexdigest())).encode("ascii")


def signature_text(key, version, data):
    """The Signature= value offering `data` (a setup) as `version`."""
    return sign_bytes(key, offer_text(version, data)).hex().upper()


def public_bytes(key):
    """X then Y of the public point, 32 big-endian bytes each."""
    numbers = key.public_key().public_numbers()
    return numbers.x.to_bytes(32, "big") + numbers.y.to_bytes(32, "big")


def public_key_array(key):
    raw = public_bytes(key)
    rows = ["    " + ", ".join("0x%02X" % b for b in raw[at:at + 8]) + ","
            for at in range(0, len(raw), 8)]
    return "{\n%s\n}" % "\n".join(rows)


# The program turns each backslash-n pair into a line break.
UPDATE_QUESTION = "发现 Tavora 新版本 %s。\\n更新时本程序将关闭，更新完成后自动重新打开。\\n现在更新吗？"
UPDATE_CAPTION = "Tavora 更新"
VERSION_PATTERN = re.compile(r"^(\d{1,5})\.(\d{1,5})\.(\d{1,5})\.(\d{1,5})$")


def update_ini_text(version, signature_line, url):
    """The update INI of a release, as text; version is dotted (1.0.0.36)."""
    match = VERSION_PATTERN.match(version)
    if not match or any(int(field) > 65535 for field in match.groups()):
        raise ValueError("%r is not a version of four numbers (at most 65535 each)" % version)
    if not url or any(ch in url for ch in "\r\n"):
        raise ValueError("the download URL must be one non-empty line")
    lines = ["[Version]", "CurrentVersion=%s" % ",".join(match.groups()), signature_line, "",
             "[DownloadUrls]", "url01=%s" % url, "",
             "[Tip]", "ShowTip=1", "Msg=%s" % (UPDATE_QUESTION % version),
             "Caption=%s" % UPDATE_CAPTION, "CloseCommand=8"]
    return "\r\n".join(lines) + "\r\n"


def write_whole(path, data):
    """Writes data so that a reader never sees a partial file."""
    temp = "%s.%d.tmp" % (path, os.getpid())
    with open(temp, "wb") as handle:
        handle.write(data)
    os.replace(temp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Tavora release signing")
    commands = parser.add_subparsers(dest="command", required=True)
    sign = commands.add_parser("sign", help="sign a setup program")
    sign.add_argument("--key", required=True)
    sign.add_argument("--version", required=True)
    sign.add_argument("setup")
    sign.add_argument("--out", help="write the line into this file instead")
    ini = commands.add_parser("update-ini", help="write a release's update INI")
    ini.add_argument("--key", required=True)
    ini.add_argument("--version", required=True)
    ini.add_argument("--url", required=True)
    ini.add_argument("--out", required=True)
    ini.add_argument("setup")
    new = commands.add_parser("new-key", help="make a new signing key")
    new.add_argument("--out", required=True)
    show = commands.add_parser("public-key", help="print a key's public half")
    show.add_argument("--key", required=True)
    show.add_argument("--hex", action="store_true", help="128 hexadecimal digits instead")
    args = parser.parse_args(argv)

    if args.command == "sign":
        with open(args.setup, "rb") as handle:
            data = handle.read()
        line = "Signature=%s" % signature_text(load_key(args.key), args.version, data)
        if args.out:
            write_whole(args.out, (line + "\n").encode("ascii"))
        else:
            print(line)
    elif args.command == "update-ini":
        with open(args.setup, "rb") as handle:
            line = "Signature=%s" % signature_text(load_key(args.key), args.version, handle.read())
        text = update_ini_text(args.version, line, args.url)
        write_whole(args.out, b"\xff\xfe" + text.encode("utf-16-le"))
    elif args.command == "new-key":
        key = ec.generate_private_key(ec.SECP256R1())
        pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                serialization.NoEncryption())
        descriptor = os.open(args.out, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(descriptor, "wb") as handle:
            handle.write(pem)
        print(public_key_array(key))
    elif args.hex:
        print(public_bytes(load_key(args.key)).hex().upper())
    else:
        print(public_key_array(load_key(args.key)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
