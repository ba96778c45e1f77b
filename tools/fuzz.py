#!/usr/bin/env python3
"""Supervisor of the parser fuzz driver (build/fuzz/fuzz_parsers.exe) under Wine.

  fuzz.py run [--long | --smoke] [--families a,b] [--inputs N] [--seed S] ...
  fuzz.py replay [--regressions DIR]

`run` feeds every family its inputs in chunks, one Wine process per chunk.
A chunk that crashes (the driver's exception filter, or Wine's "Unhandled"
message), breaks a rule or stops making progress is ended, its input is
saved under --save/<family>/<hash>.bin (one file per kind of finding), and
the run goes on after it. `replay` runs every saved input and fails when one
of them still crashes, hangs or breaks a rule.

The environment comes from tools/wine-env.sh: the build folder's prefix and
one wineserver kept alive for the whole run.
"""

import argparse
import concurrent.futures
import hashlib
import os
import re
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXIT_USAGE = 2
EXIT_CRASH = 241
EXIT_FAILURE = 242
FAMILIES = ("result-page", "timetable-page", "fare-page", "strings", "styles", "skins", "layers", "fragments",
            "listitem", "cmdline")

# Per-run presets: (inputs per family, chunk size, share of inputs in guard
# mode, maximum attributes per generated tag).
PRESETS = {
    "smoke": (2000, 2000, 0.25, 20000),
    "sample": (50000, 10000, 0.1, 100000),
    "long": (1000000, 20000, 0.1, 100000),
}


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_environment(build):
    """The environment tools/wine-env.sh sets up, with its wineserver running."""
    script = ('. "$1" "$2" >/dev/null 2>&1; tavora_wine_warm; env -0')
    out = subprocess.run(["bash", "-c", script, "_", os.path.join(REPO, "tools", "wine-env.sh"), build],
                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, check=True).stdout
    env = {}
    for item in out.split(b"\0"):
        if b"=" in item:
            key, value = item.split(b"=", 1)
            env[key.decode()] = value.decode(errors="replace")
    return env


class Driver:
    """Runs fuzz_parsers.exe processes and watches them."""

    def __init__(self, build, env, timeout, seeds, launcher=None):
        # The command that starts the driver; the tests put a stand-in here.
        self.launcher = launcher or ["wine", os.path.join(build, "fuzz", "fuzz_parsers.exe")]
        self.env = env
        self.timeout = timeout
        self.seeds = seeds

    def generation_args(self, seed, max_attributes):
        args = ["--seed", str(seed), "--max-attributes", str(max_attributes)]
        if self.seeds:
            args += ["--seeds", windows_path(self.seeds)]
        return args

    def start(self, args, work):
        return subprocess.Popen(self.launcher + args + ["--work", windows_path(work)],
                                env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, start_new_session=True)

    def watch(self, args, work, family):
        """Runs one driver process. Returns (outcome, index, detail, stdout):
        outcome is "done", "crash", "failure", "hang" or "died"; index the
        input (or file ordinal) that was running."""
        beat = os.path.join(work, family + ".beat")
        crash = os.path.join(work, family + ".crash")
        for stale in (beat, crash):
            if os.path.exists(stale):
                os.unlink(stale)
        process = self.start(args, work)
        err_lines = []
        out_lines = []
        readers = [threading.Thread(target=lambda s=s, l=l: l.extend(s), daemon=True)
                   for s, l in ((process.stderr, err_lines), (process.stdout, out_lines))]
        for reader in readers:
            reader.start()
        last_index, last_change, outcome = None, time.monotonic(), None
        while process.poll() is None:
            time.sleep(0.2)
            index = read_beat(beat)
            if index != last_index:
                last_index, last_change = index, time.monotonic()
            if any(b"Unhandled" in line for line in err_lines):
                outcome = "crash"
            elif time.monotonic() - last_change > self.timeout:
                outcome = "hang"
            if outcome:
                kill_group(process)
                break
        process.wait()
        for reader in readers:
            reader.join(timeout=5)
        process.stdout.close()
        process.stderr.close()
        err = b"".join(err_lines).decode(errors="replace")
        out = b"".join(out_lines).decode(errors="replace")
        index = read_beat(beat)
        if outcome is None:
            if process.returncode == 0:
                outcome = "done"
            elif process.returncode == EXIT_CRASH:
                outcome = "crash"
            elif process.returncode == EXIT_FAILURE:
                outcome = "failure"
            else:
                outcome = "died"
        detail = ""
        match = re.search(r"fuzz: (crash code=\S+ address=\S+|failed index=\d+: .*)", err)
        if match:
            detail = match.group(1)
            found = re.search(r"index=(\d+)", detail)
            index = int(found.group(1)) if found else index
        elif outcome == "crash":
            found = re.search(r"Unhandled (.*?) at address", err)
            detail = "wine: " + (found.group(1) if found else "unhandled exception")
        elif outcome == "died":
            detail = "exit code %d" % process.returncode
        saved = read_file(crash) if os.path.exists(crash) else None
        return outcome, index, detail, out, saved

    def emit(self, family, seed, index, max_attributes, work):
        path = os.path.join(work, "emitted.bin")
        result = subprocess.run(self.launcher + ["emit", "--family", family, "--index", str(index),
                                 "--out", windows_path(path)] + self.generation_args(seed, max_attributes),
                                env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, check=True)
        found = re.search(r"mutations=(\S*)", result.stdout.decode(errors="replace"))
        return read_file(path), (found.group(1) if found else "")


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def read_beat(path):
    try:
        with open(path, "rb") as f:
            data = f.read(16)
    except OSError:
        return None
    if len(data) < 16:
        return None
    magic, _done, index = struct.unpack("<IIQ", data)
    return index if magic == 0x42485A46 else None


def kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def save_finding(save_dir, family, data, note):
    folder = os.path.join(save_dir, family)
    os.makedirs(folder, exist_ok=True)
    name = hashlib.sha1(data).hexdigest()[:12]
    path = os.path.join(folder, name + ".bin")
    with open(path, "wb") as f:
        f.write(data)
    with open(os.path.join(folder, name + ".txt"), "w") as f:
        f.write(note + "\n")
    return path


def bucket_of(outcome, detail, mutations):
    """Findings of one kind are saved once: crashes by exception code and
    address, rule failures by message, hangs by the mutations applied."""
    if outcome == "crash":
        return (outcome, re.sub(r" index=\d+", "", detail))
    if outcome == "failure":
        return (outcome, re.sub(r"failed index=\d+: ", "", detail))
    if outcome == "died":
        return (outcome, detail)
    return (outcome, mutations)


class FamilyRun:
    def __init__(self, family):
        self.family = family
        self.inputs = 0
        self.counts = {"crash": 0, "hang": 0, "failure": 0, "died": 0}
        self.peak_working_set = 0
        self.peak_pagefile = 0
        self.seconds = 0.0
        self.saved = []


def fuzz_family(driver, family, options, preset):
    total, chunk, guard_share, max_attributes = preset
    total = options.inputs or total
    run = FamilyRun(family)
    buckets = set()
    guard_from = total - int(total * guard_share)
    start = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="fuzz-%s-" % family) as work:
        index = 0
        while index < total:
            # Guarded inputs run in their own chunks at the end of the range.
            limit = guard_from if index < guard_from else total
            count = min(chunk, limit - index)
            guard = "exact" if index >= guard_from else "off"
            args = ["run", "--family", family, "--first", str(index), "--count", str(count),
                    "--guard", guard] + driver.generation_args(options.seed, max_attributes)
            outcome, at, detail, out, saved = driver.watch(args, work, family)
            for line in out.splitlines():
                found = re.search(r"peak_working_set=(\d+) peak_pagefile=(\d+)", line)
                if found:
                    run.peak_working_set = max(run.peak_working_set, int(found.group(1)))
                    run.peak_pagefile = max(run.peak_pagefile, int(found.group(2)))
            if outcome == "done":
                index += count
                continue
            if outcome == "died" and detail == "exit code %d" % EXIT_USAGE:
                raise SystemExit("fuzz_parsers refused its arguments: %s" % " ".join(args))
            if at is None or not index <= at < index + count:
                at = index  # died before its first input
            run.counts[outcome] += 1
            data, mutations = driver.emit(family, options.seed, at, max_attributes, work)
            if saved is not None and outcome in ("crash", "failure") and saved != data:
                data = saved
            key = bucket_of(outcome, detail, mutations)
            if key not in buckets:
                buckets.add(key)
                note = "%s %s family=%s seed=%d index=%d guard=%s mutations=%s" % (
                    outcome, detail, family, options.seed, at, guard, mutations)
                run.saved.append(save_finding(options.save, family, data, note))
                print("  %s: %s at index %d (%s) -> %s" % (family, outcome, at, detail or mutations,
                                                            run.saved[-1]), flush=True)
            index = at + 1
    run.inputs = total
    run.seconds = time.monotonic() - start
    return run


def command_run(options):
    preset = PRESETS["long" if options.long else "smoke" if options.smoke else "sample"]
    families = options.families.split(",") if options.families else list(FAMILIES)
    env = wine_environment(options.build)
    driver = Driver(options.build, env, options.timeout, options.seeds)
    with concurrent.futures.ThreadPoolExecutor(max_workers=options.jobs) as pool:
        runs = list(pool.map(lambda f: fuzz_family(driver, f, options, preset), families))
    print("%-12s %10s %10s %8s %6s %9s %12s %12s" % ("family", "inputs", "inputs/s", "crashes", "hangs",
                                                     "failures", "peak WS MiB", "peak PF MiB"))
    findings = 0
    for run in runs:
        print("%-12s %10d %10.0f %8d %6d %9d %12.1f %12.1f" % (
            run.family, run.inputs, run.inputs / max(run.seconds, 1e-9), run.counts["crash"] + run.counts["died"],
            run.counts["hang"], run.counts["failure"], run.peak_working_set / 2**20, run.peak_pagefile / 2**20))
        findings += sum(run.counts.values())
    if findings:
        print("%d findings; saved inputs are under %s" % (findings, options.save))
    return 1 if findings else 0


def command_replay(options):
    env = wine_environment(options.build)
    driver = Driver(options.build, env, options.timeout, None)
    passed, failed = 0, 0
    with tempfile.TemporaryDirectory(prefix="fuzz-replay-") as work:
        for family in sorted(os.listdir(options.regressions)):
            folder = os.path.join(options.regressions, family)
            if not os.path.isdir(folder):
                continue
            files = sorted(os.path.join(folder, name) for name in os.listdir(folder) if name.endswith(".bin"))
            while files:
                args = ["replay", "--family", family, "--guard", options.guard] + [windows_path(f) for f in files]
                outcome, at, detail, _out, _saved = driver.watch(args, work, family)
                if outcome == "done":
                    passed += len(files)
                    for path in files:
                        print("ok      %s" % os.path.relpath(path, REPO))
                    break
                at = at if at is not None and at < len(files) else 0
                passed += at
                for path in files[:at]:
                    print("ok      %s" % os.path.relpath(path, REPO))
                failed += 1
                print("FAILED  %s: %s %s" % (os.path.relpath(files[at], REPO), outcome, detail), flush=True)
                files = files[at + 1:]
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("run", "replay"))
    parser.add_argument("--build", default=os.environ.get("TAVORA_BUILD_DIR", os.path.join(REPO, "build")))
    parser.add_argument("--timeout", type=float, default=10.0,
                        help="seconds without progress on one input that count as a hang")
    parser.add_argument("--long", action="store_true", help="1,000,000 inputs per family")
    parser.add_argument("--smoke", action="store_true", help="a short run for CI")
    parser.add_argument("--families", help="comma-separated families (default: all)")
    parser.add_argument("--inputs", type=int, help="inputs per family (overrides the preset)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--seeds", default=os.path.join(REPO, "tests", "fuzz", "seeds"))
    parser.add_argument("--save", default=os.path.join(REPO, "tests", "fuzz", "regressions"))
    parser.add_argument("--regressions", default=os.path.join(REPO, "tests", "fuzz", "regressions"))
    parser.add_argument("--guard", default="exact", choices=("off", "aligned", "exact"),
                        help="guard mode of replays")
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    return command_run(options) if options.command == "run" else command_replay(options)


if __name__ == "__main__":
    sys.exit(main())
