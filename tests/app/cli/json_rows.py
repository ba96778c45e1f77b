#!/usr/bin/env python3
"""Checks the JSON that tavora-query writes and prints what it holds.

    python3 json_rows.py INPUT OUTPUT

INPUT holds one or more JSON arrays one after another (a watch writes one
per round). Each must be strict JSON in valid UTF-8, laid out as "[" on its
own line, one object per line (a "," after every object but the last), and
"]" on its own line. OUTPUT receives a first line "ok" and then, per
array, a line "[", one line per object with "key=value" for each key in
order (string values as the hex of their UTF-16-LE bytes, true and false as
words), and a line "]"; or one line "rejected: REASON". OUTPUT appears whole
(a Windows program that starts this script under Wine cannot wait for it).
"""

import json
import os
import sys


class Rejected(Exception):
    pass


def fail(reason):
    raise Rejected(reason)


def strict_constant(name):
    fail("not strict JSON: %s" % name)


def value_text(value):
    if value is True or value is False:
        return "true" if value else "false"
    if isinstance(value, str):
        return value.encode("utf-16-le", "surrogatepass").hex()
    fail("unexpected value %r" % (value,))


def check_array(lines):
    if lines[0] != "[" or lines[-1] != "]":
        fail("an array is not laid out as [ ... ] on lines of their own")
    out = ["["]
    body = lines[1:-1]
    for index, line in enumerate(body):
        last = index == len(body) - 1
        if last == line.endswith(","):
            fail("wrong separator after object %d" % index)
        obj = json.loads(line.rstrip(","), parse_constant=strict_constant,
                         object_pairs_hook=list)
        if not isinstance(obj, list):
            fail("line %d is no object" % index)
        out.append(" ".join("%s=%s" % (key, value_text(value)) for key, value in obj))
    out.append("]")
    return out


def read(path):
    with open(path, "rb") as handle:
        data = handle.read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as exc:
        fail("not UTF-8: %s" % exc)
    decoder = json.JSONDecoder(parse_constant=strict_constant)
    out = []
    position = 0
    while position < len(text):
        start = position
        try:
            whole, position = decoder.raw_decode(text, position)
        except json.JSONDecodeError as exc:
            fail("not JSON: %s" % exc)
        if not isinstance(whole, list):
            fail("a document is not an array")
        if text[position:position + 1] != "\n":
            fail("an array does not end its line")
        position += 1
        out += check_array(text[start:position - 1].split("\n"))
    return out


def main():
    try:
        lines = ["ok"] + read(sys.argv[1])
    except (Rejected, ValueError) as exc:
        lines = ["rejected: %s" % exc]
    temp = sys.argv[2] + ".tmp"
    with open(temp, "w", encoding="ascii", errors="backslashreplace") as handle:
        handle.write("".join(line + "\n" for line in lines))
    os.replace(temp, sys.argv[2])


if __name__ == "__main__":
    main()
