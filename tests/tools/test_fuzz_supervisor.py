"""Tests of tools/fuzz.py, the fuzz driver's supervisor.

A small Python stand-in takes the driver's place (same arguments, heartbeat
file, crash file and exit codes), so that crashes, Wine's "Unhandled"
message and hangs can be staged on purpose.
"""

import os
import struct
import sys
import tempfile
import textwrap
import time
import types
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import fuzz  # noqa: E402

# The family name tells the stand-in what to do: "<behaviour>-at-<index>".
STAND_IN = textwrap.dedent(r'''
    import os, struct, subprocess, sys, time
    args = sys.argv[1:]
    def option(name, default=None):
        return args[args.index(name) + 1] if name in args else default
    def unix(path):
        return path[2:].replace("\\", "/")
    family = option("--family")
    if args[0] == "emit":
        index = int(option("--index"))
        open(unix(option("--out")), "wb").write(b"emitted-%d" % index)
        print("fuzz: emitted mutations=stand-in")
        sys.exit(0)
    work = unix(option("--work"))
    behaviour, at = family.rsplit("-at-", 1)
    at = int(at)
    first, count = int(option("--first")), int(option("--count"))
    beat = open(os.path.join(work, family + ".beat"), "wb")
    for index in range(first, first + count):
        beat.seek(0)
        beat.write(struct.pack("<IIQ", 0x42485A46, 0, index))
        beat.flush()
        if index != at:
            continue
        if behaviour == "crash":
            open(os.path.join(work, family + ".crash"), "wb").write(b"input-%d" % index)
            sys.stderr.write("fuzz: crash code=0xC0000005 address=0x00401000 index=%d\n" % index)
            sys.exit(241)
        # A helper in the same process group, as Wine's debugger would be.
        helper = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(600)"])
        open(os.path.join(work, "helper.pid"), "w").write(str(helper.pid))
        if behaviour == "unhandled":
            sys.stderr.write("wine: Unhandled page fault on read access to 00000000 at address 00401000\n")
            sys.stderr.flush()
        time.sleep(600)
    print("fuzz: done family=%s inputs=%d seconds=0.1 peak_working_set=2097152 peak_pagefile=1048576" % (family, count))
''')


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A killed child stays a zombie until its parent, the stand-in, is reaped.
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(") ", 1)[1][0] != "Z"
    except OSError:
        return False


class SupervisorTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="fuzz-supervisor-")
        self.addCleanup(self.folder.cleanup)
        script = os.path.join(self.folder.name, "stand_in.py")
        with open(script, "w") as f:
            f.write(STAND_IN)
        self.driver = fuzz.Driver("", dict(os.environ), 1.0, None, launcher=[sys.executable, script])
        self.work = os.path.join(self.folder.name, "work")
        os.makedirs(self.work)

    def watch(self, family, first=0, count=10):
        args = ["run", "--family", family, "--first", str(first), "--count", str(count)]
        return self.driver.watch(args, self.work, family)

    def helper_pid(self):
        with open(os.path.join(self.work, "helper.pid")) as f:
            return int(f.read())

    def test_outcomes_of_one_process(self):
        cases = [
            # family, outcome, index, detail fragment, saved input
            ("fine-at-99", "done", 9, "", None),
            ("crash-at-2", "crash", 2, "code=0xC0000005", b"input-2"),
            ("unhandled-at-3", "crash", 3, "wine: page fault", None),
            ("hang-at-5", "hang", 5, "", None),
        ]
        for family, outcome, index, detail, saved in cases:
            with self.subTest(family=family):
                result = self.watch(family)
                self.assertEqual(result[0], outcome)
                self.assertEqual(result[1], index)
                self.assertIn(detail, result[2])
                self.assertEqual(result[4], saved)
                if family.startswith(("unhandled", "hang")):
                    # The whole process group is gone, helpers included.
                    pid = self.helper_pid()
                    for _ in range(50):
                        if not alive(pid):
                            break
                        time.sleep(0.1)
                    self.assertFalse(alive(pid))

    def test_run_goes_on_after_a_finding_and_saves_it_once(self):
        save = os.path.join(self.folder.name, "save")
        options = types.SimpleNamespace(inputs=20, seed=4, save=save)
        cases = [
            ("crash-at-12", "crash", b"input-12"),
            ("hang-at-7", "hang", b"emitted-7"),
        ]
        for family, outcome, content in cases:
            with self.subTest(family=family):
                run = fuzz.fuzz_family(self.driver, family, options, (20, 20, 0.0, 100))
                self.assertEqual(run.counts[outcome], 1)
                self.assertEqual(sum(run.counts.values()), 1)
                self.assertEqual(run.inputs, 20)
                self.assertEqual(len(run.saved), 1)
                with open(run.saved[0], "rb") as f:
                    self.assertEqual(f.read(), content)
                with open(run.saved[0][:-len(".bin")] + ".txt") as f:
                    note = f.read()
                self.assertIn("family=%s seed=4" % family, note)
                self.assertTrue(note.startswith(outcome))

    def test_heartbeat_reading(self):
        path = os.path.join(self.work, "x.beat")
        cases = [
            (b"", None),
            (struct.pack("<IIQ", 0x42485A46, 0, 12345678901), 12345678901),
            (struct.pack("<IIQ", 0, 0, 5), None),
            (struct.pack("<II", 0x42485A46, 0), None),
        ]
        for data, expected in cases:
            with open(path, "wb") as f:
                f.write(data)
            self.assertEqual(fuzz.read_beat(path), expected)


if __name__ == "__main__":
    unittest.main()
