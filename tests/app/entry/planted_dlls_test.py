#!/usr/bin/env python3
"""No DLL of the system comes from the program's folder or the current folder.

    planted_dlls_test.py --build BUILD_DIR

tavora.exe and tavora-query.exe run elevated, also as a portable copy in a
folder that other programs may write to. This test copies both into a folder
of their own, plants a DLL of ours (planted_probe.dll, which notes every load
of itself in a file) there and in the current folder under the names of
system DLLs, and runs them under Wine's loader trace (WINEDEBUG=+loaddll):

1. their import tables name kernel32 and msvcrt only, their entry point is
   the start that restricts the DLL search, and every delay-load slot points
   to code;
2. the window: tavora-drive queries the demo site with real input, sees the
   trains and closes it; -Install (the statistics report) and -Update (a
   setup whose signature is wrong, refused after the check); tavora-query:
   every DLL each process loads comes from the system folder, the DLLs the
   path needs among them, and no planted DLL ran;
3. a DLL that cannot be loaded (Wine told to refuse wininet.dll): tavora-query
   ends with exit code 1 and one line naming it, the window program shows a
   box naming it and ends with the system loader's code for a missing DLL.

Runs in the prefix and X display of the calling ctest (tools/ctest-in-display.sh);
exit code 0 when every check held.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import time

# Names of system DLLs the planted copies take: what the programs import and
# what those DLLs load in turn, under Windows and under Wine. Not planted:
# ntdll, kernelbase, kernel32 and msvcrt, which the system loads before any
# code of the program runs (known DLLs on Windows).
PLANTED = [
    "advapi32", "bcrypt", "combase", "comctl32", "comdlg32", "crypt32", "dnsapi", "dwmapi", "gdi32",
    "gdiplus", "imm32", "iphlpapi", "mpr", "msctf", "msimg32", "netapi32", "ole32", "oleaut32", "propsys",
    "rpcrt4", "secur32", "sechost", "shcore", "shell32", "shlwapi", "ucrtbase", "urlmon", "user32",
    "userenv", "uxtheme", "version", "win32u", "windowscodecs", "winhttp", "wininet", "winmm", "ws2_32",
    "zlib1",
]
# The only DLLs a program of ours may import at its start.
START_IMPORTS = {"kernel32.dll", "msvcrt.dll"}
# Where system DLLs live in the prefix (winsxs: side-by-side assemblies).
SYSTEM_FOLDERS = ("c:\\windows\\system32\\", "c:\\windows\\winsxs\\")
STATUS_DLL_NOT_FOUND = 0xC0000135
COMMAND_SECONDS = 120
LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*)" at [0-9A-Fa-f]+: (\w+)')


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def windows_path(path):
    """The path as Wine's Z: drive shows a Unix path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def pe_sections(data):
    """(virtual address, virtual size, file offset, file size) of each section, and the image base."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    check(data[pe:pe + 4] == b"PE\0\0", "not a PE file")
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    entry = struct.unpack_from("<I", data, optional + 16)[0]
    image_base = struct.unpack_from("<I", data, optional + 28)[0]
    sections = []
    for index in range(count):
        at = optional + optional_size + 40 * index
        size, address, raw_size, raw_offset = struct.unpack_from("<IIII", data, at + 8)
        sections.append((image_base + address, size, raw_offset, raw_size))
    return image_base, entry, sections


def dword_at(data, sections, address):
    for start, size, offset, raw_size in sections:
        if start <= address < start + max(size, raw_size) and address - start + 4 <= raw_size:
            return struct.unpack_from("<I", data, offset + address - start)[0]
    raise Failure("address %#x lies in no section of the file" % address)


def symbols(program):
    nm = subprocess.run(["i686-w64-mingw32-nm", program], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                        check=True).stdout.decode("utf-8", "replace")
    table = {}
    for line in nm.splitlines():
        parts = line.split()
        if len(parts) == 3:
            table[parts[2]] = (parts[1], int(parts[0], 16))
    return table


def check_import_table(program, start):
    """Imports at start, the entry point, and the delay-load slots of one program."""
    name = os.path.basename(program)
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", program], stdout=subprocess.PIPE, check=True).stdout
    imported = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump.decode("utf-8", "replace"))}
    check(imported == START_IMPORTS, "%s imports %s at its start; only %s may be (add the others to "
          "TAVORA_DELAY_LOADED_DLLS in cmake/dll_loading.cmake)" % (name, sorted(imported), sorted(START_IMPORTS)))
    with open(program, "rb") as handle:
        data = handle.read()
    image_base, entry, sections = pe_sections(data)
    table = symbols(program)
    check("_" + start in table, "%s has no %s" % (name, start))
    check(image_base + entry == table["_" + start][1], "%s does not start at %s" % (name, start))
    # Every import slot holds, in the file, the address of its name (imports
    # at start) or of the code that delay-loads it; 0 would be a call to 0.
    slots = [(symbol, address) for symbol, (kind, address) in table.items()
             if kind == "I" and symbol.startswith("__imp_")]
    check(len(slots) > 100, "%s names only %d import slots" % (name, len(slots)))
    empty = sorted(symbol for symbol, address in slots if dword_at(data, sections, address) == 0)
    check(not empty, "%s has empty import slots: %s" % (name, ", ".join(empty[:10])))
    return len(slots)


class Wine:
    """Programs under Wine in the tests' prefix, with and without the loader trace."""

    def __init__(self, build, work):
        self.build = build
        self.work = work
        self.env = dict(os.environ)
        self.env.setdefault("WINEPREFIX", os.path.join(build, "wineprefix"))
        self.env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.update({"WINEARCH": "win32", "WINEDEBUG": "-all", "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8"})
        self.runs = 0

    def traced_env(self, extra):
        env = dict(self.env)
        env.update(extra)
        env["WINEDEBUG"] = "+pid,+loaddll"
        return env

    def start(self, args, cwd, extra=None):
        """Starts a traced program; (process, stdout path, trace path)."""
        self.runs += 1
        out = os.path.join(self.work, "run%d.out" % self.runs)
        trace = os.path.join(self.work, "run%d.trace" % self.runs)
        with open(out, "wb") as stdout, open(trace, "wb") as stderr:
            process = subprocess.Popen(["wine"] + args, cwd=cwd, env=self.traced_env(extra or {}),
                                       stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr)
        return process, out, trace

    def run(self, args, cwd, extra=None):
        """Runs a traced program to its end; (exit code, stdout text, trace path)."""
        process, out, trace = self.start(args, cwd, extra)
        try:
            code = process.wait(timeout=COMMAND_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure("%s did not end within %d s" % (" ".join(args), COMMAND_SECONDS))
        with open(out, "rb") as handle:
            return code, handle.read().decode("utf-8", "replace"), trace

    def drive(self, *args):
        """tavora-drive, untraced, from the build folder; (exit code, its output)."""
        exe = os.path.join(self.build, "tools", "driver", "tavora-drive.exe")
        done = subprocess.run(["wine", exe] + list(args), cwd=self.build, env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=COMMAND_SECONDS * 2)
        return done.returncode, done.stdout.decode("utf-8", "replace")


def loads_of(trace, program):
    """(path, how) of each DLL that the process of `program` loaded, in order."""
    with open(trace, "rb") as handle:
        lines = handle.read().decode("utf-8", "replace").splitlines()
    entries = []
    for line in lines:
        found = LOADED.match(line)
        if found:
            entries.append((found.group(1), found.group(2).replace("\\\\", "\\"), found.group(3)))
    own = windows_path(program).lower()
    pids = {pid for pid, path, _ in entries if path.lower() == own}
    check(len(pids) == 1, "the trace shows %d processes of %s" % (len(pids), program))
    return [(path, how) for pid, path, how in entries if pid in pids and path.lower() != own]


def check_loads(what, trace, program, needed):
    loads = loads_of(trace, program)
    outside = ["%s (%s)" % (path, how) for path, how in loads if not path.lower().startswith(SYSTEM_FOLDERS)]
    check(not outside, "%s loaded DLLs from outside the system folder: %s" % (what, "; ".join(outside)))
    names = {path.lower().rsplit("\\", 1)[-1] for path, _ in loads}
    missing = sorted(set(needed) - names)
    check(not missing, "%s never loaded %s: the run did not go where it should" % (what, ", ".join(missing)))
    return len(loads)


def planted_runs(log):
    if not os.path.exists(log):
        return []
    with open(log, "rb") as handle:
        return handle.read().decode("utf-8", "replace").split()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    build = os.path.abspath(parser.parse_args().build)
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
    work = os.path.join(build, "planted-dlls")
    shutil.rmtree(work, ignore_errors=True)
    program_folder = os.path.join(work, "program")
    current_folder = os.path.join(work, "current")
    for folder in (program_folder, current_folder):
        os.makedirs(folder)
    probe = os.path.join(build, "tests", "app", "planted_probe.dll")
    programs = {
        "tavora.exe": (os.path.join(build, "app", "tavora.exe"), "TavoraWindowsStart"),
        "tavora-query.exe": (os.path.join(build, "app", "tavora-query.exe"), "TavoraConsoleStart"),
        "tavora_test_key.exe": (os.path.join(build, "tests", "app", "tavora_test_key.exe"), "TavoraWindowsStart"),
    }
    failures = []

    def step(title, body):
        started = time.monotonic()
        try:
            detail = body()
            print("ok   %s (%s, %.1f s)" % (title, detail, time.monotonic() - started))
        except (Failure, subprocess.SubprocessError, OSError) as failure:
            print("FAIL %s: %s" % (title, failure))
            failures.append(title)

    for name, (path, start) in programs.items():
        step("%s imports only %s at its start" % (name, " and ".join(sorted(START_IMPORTS))),
             lambda path=path, start=start: "%d import slots, entry %s" % (check_import_table(path, start),
                                                                            start))

    for name in ("tavora.exe", "tavora-query.exe"):
        shutil.copy(programs[name][0], program_folder)
    for dll in PLANTED:
        for folder in (program_folder, current_folder):
            shutil.copy(probe, os.path.join(folder, dll + ".dll"))
    log = os.path.join(work, "planted.log")
    window = os.path.join(program_folder, "tavora.exe")
    query = os.path.join(program_folder, "tavora-query.exe")
    wine = Wine(build, work)

    port_file = os.path.join(work, "site.port")
    site = subprocess.Popen([sys.executable, os.path.join(source, "tools", "demo_site.py"), "--port", "0",
                             "--port-file", port_file, "--max-seconds", "900", "--detach-stdio"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file) and time.monotonic() < deadline:
            time.sleep(0.1)
        if not os.path.exists(port_file):
            print("FAIL the demo site did not start")
            return 1
        time.sleep(0.2)
        with open(port_file, encoding="ascii") as handle:
            host = "127.0.0.1:%d" % int(handle.read())
        servers = {"TAVORA_QUERY_HOST": host, "TAVORA_STAT_HOST": host, "TAVORA_UPDATE_HOST": "127.0.0.1:1",
                   "TAVORA_UPDATE_RETRY_MS": "1", "TAVORA_PLANTED_LOG": windows_path(log)}

        def window_run():
            process, _, trace = wine.start([window], current_folder, servers)
            try:
                code, output = wine.drive("北京", "上海", windows_path(os.path.join(work, "window.bmp")))
                check(code == 0, "tavora-drive saw no trains (%d): %s" % (code, output.strip()))
                check(process.wait(timeout=COMMAND_SECONDS) == 0, "the window program did not end with 0")
            finally:
                if process.poll() is None:
                    process.kill()
            count = check_loads("the window", trace, window, ["user32.dll", "gdi32.dll", "gdiplus.dll",
                                                              "comctl32.dll", "ole32.dll", "shlwapi.dll",
                                                              "wininet.dll", "uxtheme.dll"])
            return "%s, %d DLLs" % (output.strip().splitlines()[-1], count)

        def install_run():
            code, _, trace = wine.run([window, "-Install"], current_folder, servers)
            check(code == 0, "-Install ended with %d" % code)
            return "%d DLLs" % check_loads("-Install", trace, window, ["wininet.dll", "shell32.dll"])

        def update_run():
            setup = os.path.join(work, "setup.exe")
            shutil.copy(probe, setup)
            code, _, trace = wine.run([window, "-Update:" + windows_path(setup), "-UpdateSignature:" + "5a" * 64],
                                      current_folder, servers)
            check(code == 0, "-Update ended with %d" % code)
            return "%d DLLs" % check_loads("-Update", trace, window, ["bcrypt.dll"])

        def query_run():
            code, output, trace = wine.run([query, "北京", "上海"], current_folder, servers)
            check(code == 0 and output.strip(), "tavora-query found no trains (%d): %s" % (code, output[:200]))
            return "%d DLLs" % check_loads("tavora-query", trace, query, ["wininet.dll", "ws2_32.dll"])

        step("the window takes DLLs from the system folder only", window_run)
        step("-Install takes DLLs from the system folder only", install_run)
        step("-Update takes DLLs from the system folder only", update_run)
        step("tavora-query takes DLLs from the system folder only", query_run)

        def no_planted_code():
            ran = planted_runs(log)
            check(not ran, "planted DLLs ran: %s" % ", ".join(sorted(set(ran))))
            return "%d planted copies, none ran" % (2 * len(PLANTED))

        step("no planted DLL ran", no_planted_code)

        refuse_wininet = dict(servers)
        refuse_wininet["WINEDLLOVERRIDES"] = wine.env["WINEDLLOVERRIDES"] + ";wininet=d"

        def query_without_wininet():
            code, _, trace = wine.run([query, "北京", "上海"], current_folder, refuse_wininet)
            with open(trace, "rb") as handle:
                lines = handle.read().decode("utf-8", "replace").splitlines()
            ours = [line for line in lines if line.startswith("tavora-query:")]
            check(code == 1, "tavora-query ended with %d, not 1" % code)
            check(ours == ["tavora-query: wininet.dll could not be loaded from the system folder"],
                  "tavora-query said %r" % ours)
            return ours[0]

        def window_without_wininet():
            process, _, _ = wine.start([window, "-Install"], current_folder, refuse_wininet)
            try:
                code, output = wine.drive("--answer", "Tavora", "ok", "60")
                check(code == 0, "no box came (%d): %s" % (code, output.strip()))
                text = [line for line in output.splitlines() if line.startswith("text: ")]
                check(text and "wininet.dll" in text[0], "the box said %r" % text)
                ended = process.wait(timeout=COMMAND_SECONDS)
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

    if failures:
        print("%d of the checks failed" % len(failures))
        return 1
    print("every check held")
    return 0


if __name__ == "__main__":
    sys.exit(main())
