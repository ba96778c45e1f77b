#!/usr/bin/env python3
"""No DLL of the system comes from the program's folder or the current folder.

    planted_dlls_test.py --build BUILD_DIR

Copies tavora.exe and tavora-query.exe into a folder of their own, plants
planted_probe.dll (which notes each load of itself) there and in the current
folder under the names of system DLLs, and checks:

1. each program imports only kernel32 and msvcrt at its start, starts in the
   start that restricts the DLL search, and has no empty import slot;
2. under Wine's loader trace (WINEDEBUG=+loaddll), the window (driven by
   tavora-drive through a query), -Install, -Update (a setup refused after the
   signature check) and tavora-query load every DLL from the system folder,
   the DLLs their way needs among them, and no planted DLL runs;
3. with wininet.dll refused (WINEDLLOVERRIDES), tavora-query ends with 1 and a
   line naming it, the window program with a box naming it and the loader's
   code for a missing DLL.

Runs in the calling ctest's Wine prefix and X display; exit code 0 when every
check held.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import time

# Names the planted copies take: what the programs link and what those DLLs
# load, on Windows and under Wine. Not ntdll, kernelbase, kernel32 or msvcrt:
# the system loads them before any code of the program runs.
PLANTED = (
    "advapi32 bcrypt combase comctl32 comdlg32 crypt32 dnsapi dwmapi gdi32 gdiplus imm32 iphlpapi mpr msctf "
    "msimg32 netapi32 oleacc ole32 oleaut32 propsys rpcrt4 secur32 sechost shcore shell32 shlwapi ucrtbase urlmon user32 "
    "userenv uxtheme version win32u windowscodecs winhttp wininet winmm ws2_32 zlib1").split()
START_IMPORTS = {"kernel32.dll", "msvcrt.dll"}
SYSTEM_FOLDERS = ("c:\\windows\\system32\\", "c:\\windows\\winsxs\\")
STATUS_DLL_NOT_FOUND = 0xC0000135
SECONDS = 120
LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*)" at [0-9A-Fa-f]+: (\w+)')


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tool(*args):
    return subprocess.run(list(args), stdout=subprocess.PIPE, check=True).stdout.decode("utf-8", "replace")


def check_program_file(program, start):
    """Imports at start, entry point and import slots of one program."""
    name = os.path.basename(program)
    imported = {m.lower() for m in re.findall(r"DLL Name: (\S+)", tool("i686-w64-mingw32-objdump", "-p", program))}
    check(imported == START_IMPORTS, "%s imports %s at its start (delay-load the others: TAVORA_DELAY_LOADED_DLLS "
          "in cmake/dll_loading.cmake)" % (name, sorted(imported - START_IMPORTS)))
    symbols = {}
    for line in tool("i686-w64-mingw32-nm", program).splitlines():
        parts = line.split()
        if len(parts) == 3:
            symbols[parts[2]] = (parts[1], int(parts[0], 16))
    entry = int(re.search(r"start address 0x([0-9a-f]+)", tool("i686-w64-mingw32-objdump", "-f", program)).group(1), 16)
    check(symbols.get("_" + start, (None, None))[1] == entry, "%s does not start in %s" % (name, start))
    # In the file each import slot holds the address of its name (imports at
    # start) or of the code that delay-loads it: 0 would be a call to 0.
    with open(program, "rb") as handle:
        data = handle.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, = struct.unpack_from("<H", data, pe + 6)
    table = pe + 24 + struct.unpack_from("<H", data, pe + 20)[0]
    base, = struct.unpack_from("<I", data, pe + 24 + 28)
    sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(count)]

    def dword(address):
        for size, start, raw_size, raw_offset in sections:
            if 0 <= address - base - start <= raw_size - 4:
                return struct.unpack_from("<I", data, raw_offset + address - base - start)[0]
        raise Failure("%s: %#x lies in no section" % (name, address))

    slots = [(symbol, address) for symbol, (kind, address) in symbols.items()
             if kind == "I" and symbol.startswith("__imp_")]
    empty = sorted(symbol for symbol, address in slots if dword(address) == 0)
    check(len(slots) > 100 and not empty, "%s: %d import slots, empty: %s" % (name, len(slots), empty[:10]))
    return "%d import slots" % len(slots)


class Wine:
    """Programs under Wine in the tests' prefix; traced ones write their loads to a file each."""

    def __init__(self, build, work):
        self.build, self.work, self.runs = build, work, 0
        self.env = dict(os.environ)
        self.env.setdefault("WINEPREFIX", os.path.join(build, "wineprefix"))
        self.env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.update({"WINEARCH": "win32", "WINEDEBUG": "-all", "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8"})

    def start(self, args, cwd, extra):
        """(process, output file, trace file) of a traced program."""
        self.runs += 1
        out, trace = (os.path.join(self.work, "run%d.%s" % (self.runs, kind)) for kind in ("out", "trace"))
        env = dict(self.env, **extra, WINEDEBUG="+pid,+loaddll")
        with open(out, "wb") as stdout, open(trace, "wb") as stderr:
            return subprocess.Popen(["wine"] + args, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=stdout,
                                    stderr=stderr), out, trace

    def run(self, args, cwd, extra):
        """(exit code, output, trace file) of a traced program run to its end."""
        process, out, trace = self.start(args, cwd, extra)
        try:
            code = process.wait(timeout=SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure("%s did not end within %d s" % (os.path.basename(args[0]), SECONDS))
        with open(out, "rb") as handle:
            return code, handle.read().decode("utf-8", "replace"), trace

    def drive(self, *args):
        """(exit code, output) of tavora-drive, untraced."""
        done = subprocess.run(["wine", os.path.join(self.build, "tools", "driver", "tavora-drive.exe")] + list(args),
                              cwd=self.build, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=2 * SECONDS)
        return done.returncode, done.stdout.decode("utf-8", "replace")


def check_loads(what, trace, program, needed):
    """Every DLL the process of `program` loaded comes from the system folder, `needed` among them."""
    with open(trace, "rb") as handle:
        loads = [m.groups() for m in map(LOADED.match, handle.read().decode("utf-8", "replace").splitlines()) if m]
    own = windows_path(program).lower()
    pids = {pid for pid, path, _ in loads if path.replace("\\\\", "\\").lower() == own}
    check(len(pids) == 1, "the trace shows %d processes of %s" % (len(pids), what))
    loads = [(path.replace("\\\\", "\\"), how) for pid, path, how in loads if pid in pids]
    loads = [(path, how) for path, how in loads if path.lower() != own]
    outside = ["%s (%s)" % load for load in loads if not load[0].lower().startswith(SYSTEM_FOLDERS)]
    check(not outside, "%s loaded from outside the system folder: %s" % (what, "; ".join(outside)))
    missing = set(needed) - {path.lower().rsplit("\\", 1)[-1] for path, _ in loads}
    check(not missing, "%s never loaded %s: it did not go its way" % (what, ", ".join(sorted(missing))))
    return "%d DLLs" % len(loads)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    build = os.path.abspath(parser.parse_args().build)
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
    work = os.path.join(build, "planted-dlls")
    shutil.rmtree(work, ignore_errors=True)
    folder, current = os.path.join(work, "program"), os.path.join(work, "current")
    os.makedirs(folder)
    os.makedirs(current)
    probe = os.path.join(build, "tests", "app", "planted_probe.dll")
    window, query = os.path.join(folder, "tavora.exe"), os.path.join(folder, "tavora-query.exe")
    failures = []

    def step(title, body):
        started = time.monotonic()
        try:
            print("ok   %s (%s, %.1f s)" % (title, body(), time.monotonic() - started))
        except (Failure, subprocess.SubprocessError, OSError) as failure:
            print("FAIL %s: %s" % (title, failure))
            failures.append(title)

    for path, start in ((os.path.join(build, "app", "tavora.exe"), "TavoraWindowsStart"),
                        (os.path.join(build, "app", "tavora-query.exe"), "TavoraConsoleStart"),
                        (os.path.join(build, "tests", "app", "tavora_test_key.exe"), "TavoraWindowsStart")):
        step("%s imports only kernel32 and msvcrt, starts in %s" % (os.path.basename(path), start),
             lambda path=path, start=start: check_program_file(path, start))
        if not path.endswith("_key.exe"):
            shutil.copy(path, folder)
    for dll in PLANTED:
        for where in (folder, current):
            shutil.copy(probe, os.path.join(where, dll + ".dll"))
    log = os.path.join(work, "planted.log")
    wine = Wine(build, work)

    port_file = os.path.join(work, "site.port")
    site = subprocess.Popen([sys.executable, os.path.join(source, "tools", "demo_site.py"), "--port", "0",
                             "--port-file", port_file, "--max-seconds", "900", "--detach-stdio"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 30
        while not (os.path.exists(port_file) and os.path.getsize(port_file)):
            check(time.monotonic() < deadline, "the demo site did not start")
            time.sleep(0.1)
        with open(port_file, encoding="ascii") as handle:
            host = "127.0.0.1:%d" % int(handle.read())
        servers = {"TAVORA_QUERY_HOST": host, "TAVORA_STAT_HOST": host, "TAVORA_UPDATE_HOST": "127.0.0.1:1",
                   "TAVORA_UPDATE_RETRY_MS": "1", "TAVORA_PLANTED_LOG": windows_path(log),
                   "TAVORA_UPDATE_FOLDER": windows_path(os.path.join(work, "updates"))}

        def window_run():
            process, _, trace = wine.start([window], current, servers)
            try:
                code, output = wine.drive("北京", "上海", windows_path(os.path.join(work, "window.bmp")))
                check(code == 0, "tavora-drive saw no trains (%d): %s" % (code, output.strip()))
                check(process.wait(timeout=SECONDS) == 0, "the window program did not end with 0")
            finally:
                if process.poll() is None:
                    process.kill()
            needed = ["user32.dll", "gdi32.dll", "gdiplus.dll", "comctl32.dll", "ole32.dll", "shlwapi.dll",
                      "wininet.dll", "uxtheme.dll"]
            return "%s, %s" % (" ".join(output.split()[-2:]), check_loads("the window", trace, window, needed))

        def command_run(args, needed):
            switch = args[1].split(":")[0]
            code, _, trace = wine.run(args, current, servers)
            check(code == 0, "%s ended with %d" % (switch, code))
            return check_loads(switch, trace, window, needed)

        def query_run():
            code, output, trace = wine.run([query, "北京", "上海"], current, servers)
            check(code == 0 and output.strip(), "tavora-query found no trains (%d): %s" % (code, output[:200]))
            return check_loads("tavora-query", trace, query, ["wininet.dll", "ws2_32.dll"])

        def no_planted_code():
            ran = open(log, encoding="utf-8").read().split() if os.path.exists(log) else []
            check(not ran, "planted DLLs ran: %s" % ", ".join(sorted(set(ran))))
            return "%d planted copies" % (2 * len(PLANTED))

        setup = os.path.join(work, "setup.exe")
        shutil.copy(probe, setup)
        step("the window takes DLLs from the system folder only", window_run)
        step("-Install takes DLLs from the system folder only",
             lambda: command_run([window, "-Install"], ["wininet.dll", "shell32.dll"]))
        step("-Update takes DLLs from the system folder only",
             lambda: command_run([window, "-Update:" + windows_path(setup), "-UpdateVersion:99,0,0,0",
                                  "-UpdateSignature:" + "5a" * 64], ["bcrypt.dll"]))
        step("tavora-query takes DLLs from the system folder only", query_run)
        step("no planted DLL ran", no_planted_code)

        refused = dict(servers, WINEDLLOVERRIDES=wine.env["WINEDLLOVERRIDES"] + ";wininet=d")

        def query_without_wininet():
            code, _, trace = wine.run([query, "北京", "上海"], current, refused)
            with open(trace, "rb") as handle:
                said = [line for line in handle.read().decode("utf-8", "replace").splitlines()
                        if line.startswith("tavora-query:")]
            check(code == 1 and said == ["tavora-query: wininet.dll could not be loaded from the system folder"],
                  "tavora-query ended with %d and said %r" % (code, said))
            return said[0]

        def window_without_wininet():
            process, _, _ = wine.start([window, "-Install"], current, refused)
            try:
                code, output = wine.drive("--answer", "Tavora", "ok", "60")
                text = [line for line in output.splitlines() if line.startswith("text: ")]
                check(code == 0 and text and "wininet.dll" in text[0], "the box (%d): %r" % (code, output))
                ended = process.wait(timeout=SECONDS)
                check(ended == STATUS_DLL_NOT_FOUND & 0xFF, "the program ended with %d" % ended)
            finally:
                if process.poll() is None:
                    process.kill()
            return text[0]

        step("tavora-query without wininet.dll ends with its reason", query_without_wininet)
        step("the window program without wininet.dll says so and ends", window_without_wininet)
    finally:
        site.terminate()
        site.wait(timeout=30)
    print("%d of the checks failed" % len(failures) if failures else "every check held")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
