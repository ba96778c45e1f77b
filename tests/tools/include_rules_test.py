"""The folders of app/ and skin/ include only what docs/architecture.md allows.

The rule is the table between the "include rules" markers of
docs/architecture.md: one row per folder, naming the folders its files may
include with #include "...". Every source folder must have a row, and the
query core (app/core) includes no window, network or thread header.

    python3 tests/tools/include_rules_test.py
"""

import os
import re
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ARCHITECTURE = os.path.join(ROOT, "docs", "architecture.md")
SOURCE_ROOTS = ("app", "skin")
SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
# Headers of the build itself, not of a folder.
GENERATED = {"tavora_build.h"}
# What the query core may not include: window, network and thread headers.
# It keeps to the standard library (threads excepted) and the XML parser.
CORE = "app/core"
CORE_THREAD_HEADERS = {"thread", "mutex", "shared_mutex", "condition_variable", "future", "atomic"}
CORE_C_HEADERS_ALLOWED = {"tinyxml.h"}


def read_rules(text):
    """{folder: set of folders it may include} from the marked table."""
    start = text.find("<!-- include rules")
    end = text.find("<!-- end of include rules")
    if start < 0 or end < start:
        raise ValueError("no include-rules table in docs/architecture.md")
    rules = {}
    for line in text[start:end].splitlines():
        if not line.startswith("|"):
            continue
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if len(cells) != 2 or not cells[0] or cells[0] == "Folder" or set(cells[0]) <= set("-"):
            continue
        rules[cells[0]] = {name.strip() for name in cells[1].split(",") if name.strip()}
    return rules


def source_folders(root):
    """Every folder below the source roots that holds a source file."""
    folders = set()
    for top in SOURCE_ROOTS:
        for path, _, files in os.walk(os.path.join(root, top)):
            if any(name.endswith(SOURCE_SUFFIXES) for name in files):
                folders.add(os.path.relpath(path, root).replace(os.sep, "/"))
    return folders


def folder_of(include):
    """The source folder an include path names ("app/core/x.h" -> "app/core")."""
    return include.rsplit("/", 1)[0] if "/" in include else ""


def violations(root, rules):
    """(file, include, why) for every include that breaks a rule."""
    found = []
    for folder in sorted(source_folders(root)):
        if folder not in rules:
            found.append((folder, "", "the folder has no row in the include rules"))
            continue
        allowed = rules[folder] | {folder}
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = folder + "/" + name
            with open(os.path.join(root, path), encoding="utf-8") as source:
                text = source.read()
            for quote, include in INCLUDE.findall(text):
                if quote == '"':
                    if include in GENERATED:
                        continue
                    target = folder_of(include)
                    if target not in allowed:
                        found.append((path, include, "%s may not include %s" % (folder, target or "a bare name")))
                elif folder == CORE and (include in CORE_THREAD_HEADERS or
                                         (include.endswith(".h") and include not in CORE_C_HEADERS_ALLOWED)):
                    found.append((path, include, "the query core includes no window, network or thread header"))
    return found


class IncludeRulesTest(unittest.TestCase):
    def test_every_folder_keeps_to_its_row(self):
        with open(ARCHITECTURE, encoding="utf-8") as doc:
            rules = read_rules(doc.read())
        self.assertEqual([], ["%s: %s (%s)" % v for v in violations(ROOT, rules)])

    def test_the_table_names_only_existing_folders(self):
        with open(ARCHITECTURE, encoding="utf-8") as doc:
            rules = read_rules(doc.read())
        folders = source_folders(ROOT)
        for folder, allowed in rules.items():
            self.assertIn(folder, folders)
            self.assertLessEqual(allowed, folders, folder)

    def test_a_broken_rule_is_found(self):
        # A small tree of its own: every kind of fault the check is there for.
        files = {
            "app/core/a.h": '#include "app/core/b.h"\n#include <string>\n#include <tinyxml.h>\n',
            "app/core/b.cpp": '#include <windows.h>\n#include <mutex>\n',
            "app/net/c.cpp": '#include "app/core/a.h"\n#include "app/window/w.h"\n#include "tavora_build.h"\n',
            "app/window/w.h": '#include "app/net/c.h"\n',
            "app/extra/e.cpp": "",
        }
        rules = {"app/core": set(), "app/net": {"app/core"}, "app/window": {"app/net", "app/core"}}
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as out:
                    out.write(text)
            found = {(path, include) for path, include, _ in violations(root, rules)}
        self.assertEqual({("app/core/b.cpp", "windows.h"), ("app/core/b.cpp", "mutex"),
                          ("app/net/c.cpp", "app/window/w.h"), ("app/extra", "")}, found)


if __name__ == "__main__":
    sys.exit(unittest.main())
