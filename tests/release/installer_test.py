#!/usr/bin/env python3
"""The setup and the uninstaller against what a hostile caller can do.

    installer_test.py --build BUILD_DIR [--case NAME ...]

Uses the setup of cmake's tavora_setup target (BUILD_DIR/setup/tavoSetup.exe)
in a Wine prefix of its own under BUILD_DIR/e2e-installer/ (each case starts
from a copy of a new prefix), with the program's servers on a closed port.
Prints one line per case; exit code 0 when every check held.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

INSTALL_DIR = r"C:\Program Files\Tavora"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavora"
SESSION_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
USER_KEY = r"HKCU\Software\Tavora"
PLANTED_RECORD = r"C:\planted-loaded.txt"
# Names the loader might look for beside a program: the DLLs an NSIS setup is
# known to be attacked through, and those its process loads.
PLANTED_NAMES = ("shcore", "propsys", "version", "uxtheme", "dwmapi", "userenv", "setupapi", "apphelp",
                 "cryptbase", "oleacc", "clbcatq", "ntmarta", "shfolder", "shlwapi", "imm32", "ole32",
                 "oleaut32", "riched20", "msftedit", "comctl32", "profapi", "sspicli", "cryptsp", "wintrust")
COMMAND_SECONDS = 120


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def wait_until(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.3)
    raise Failure("%s (waited %d s)" % (what, seconds))


class Machine:
    """A Windows machine of its own: a Wine prefix, the setup and helper programs."""

    def __init__(self, build, work):
        self.build = build
        self.work = work
        self.prefix = os.path.join(work, "prefix")
        self.setup = os.path.join(build, "setup", "tavoSetup.exe")
        self.drive = os.path.join(build, "tools", "driver", "tavora-drive.exe")
        self.probe = os.path.join(build, "tests", "app", "planted_probe.dll")
        for path in (self.setup, self.drive, self.probe):
            check(os.path.exists(path), "no %s: build everything first" % path)
        self.env = dict(os.environ)
        self.env.update({"WINEPREFIX": self.prefix, "WINEARCH": "win32", "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
                         "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8",
                         # The install and uninstall pings fail at once.
                         "TAVORA_STAT_HOST": "127.0.0.1:9", "TAVORA_UPDATE_HOST": "127.0.0.1:9",
                         "TAVORA_QUERY_HOST": "127.0.0.1:9"})

    def run(self, args, check_rc=True, env=None, cwd=None):
        done = subprocess.run(args, env=env or self.env, cwd=cwd, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=COMMAND_SECONDS)
        if check_rc and done.returncode != 0:
            raise Failure("%s ended with %d" % (" ".join(args), done.returncode))
        return done

    def wine(self, *args, check_rc=True, env=None, cwd=None):
        return self.run(["wine"] + list(args), check_rc=check_rc, env=env, cwd=cwd)

    def windows_command(self, line, env=None, cwd=None):
        """Runs a Windows command line exactly as written (wine would quote
        arguments with blanks); returns the exit code."""
        batch = self.unix(r"C:\run-line.bat")
        with open(batch, "w", encoding="utf-8", newline="\r\n") as handle:
            handle.write("@%s\n@exit %%ERRORLEVEL%%\n" % line)
        # Its output is not read: a program that inherited the stream could keep
        # it open long after the command has ended.
        return subprocess.run(["wine", "cmd", "/c", r"C:\run-line.bat"], env=env or self.env, cwd=cwd,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=COMMAND_SECONDS).returncode

    def start(self):
        """Makes the machine's first state once; each case starts from a copy."""
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.run(["wineboot", "-i"])
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        self.stop()
        self.template = os.path.join(self.work, "template")
        os.rename(self.prefix, self.template)

    def fresh(self):
        self.stop()
        shutil.rmtree(self.prefix, ignore_errors=True)
        shutil.copytree(self.template, self.prefix, symlinks=True)
        self.persist()
        self.temp = self.unix(self.wine("cmd", "/c", "echo", "%TEMP%").stdout.decode().strip())
        os.makedirs(self.temp, exist_ok=True)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60, check=False)

    def persist(self):
        """Starts a wineserver that stays until stop(), and Wine's services.
        Both get null streams: they keep them open, and a caller reading them
        would wait for their end."""
        for command in (["wineserver", "-p"], ["wine", "cmd", "/c", "exit"]):
            subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=COMMAND_SECONDS, check=True)

    def programs(self):
        """The command lines of this machine's processes, Wine's own services aside."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as handle:
                    if ("WINEPREFIX=%s" % self.prefix).encode() not in handle.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as handle:
                    line = handle.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
            except OSError:
                continue
            low = line.lower()
            if low and not low.startswith("c:\\windows\\system32\\") and "wineserver" not in low:
                found.append(line)
        return found

    def settle(self):
        """Waits until only Wine's own services run. The wineserver stays: when
        a new one starts, Wine runs the deletions left for the next restart."""
        wait_until(lambda: not self.programs(), COMMAND_SECONDS, "programs still run: %s" % self.programs())

    def unix(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[3:]
        check(windows_path[1:3] == ":\\", "not a drive path: %s" % windows_path)
        return os.path.join(self.prefix, "dosdevices", drive + ":", *rest.split("\\")) if rest else \
            os.path.join(self.prefix, "dosdevices", drive + ":")

    def short_path(self, windows_path):
        batch = self.unix(r"C:\short.bat")
        with open(batch, "w", encoding="utf-8", newline="\r\n") as handle:
            handle.write('@for %%%%I in ("%s") do @echo %%%%~sI\n' % windows_path)
        return self.wine("cmd", "/c", r"C:\short.bat").stdout.decode().strip()

    def registry(self, key, name):
        out = self.wine("reg", "query", key, "/v", name, check_rc=False).stdout.decode("utf-8", "replace")
        match = re.search(r"^\s*%s\s+REG_\w+\s+(.*?)\s*$" % re.escape(name), out, re.M)
        return match.group(1) if match else None

    def key_exists(self, key):
        return self.wine("reg", "query", key, check_rc=False).returncode == 0

    def install(self, *switches):
        self.wine(self.setup, "/S", *switches)
        self.settle()
        check(self.installed_names() == ["tavora.exe", "uninst.exe"], "the install left %s" % self.installed_names())

    def installed_names(self):
        folder = self.unix(INSTALL_DIR)
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def installed_bytes(self, name):
        with open(os.path.join(self.unix(INSTALL_DIR), name), "rb") as handle:
            return handle.read()

    def shortcuts(self):
        found = []
        for folder, _, files in os.walk(os.path.join(self.prefix, "drive_c")):
            found += [os.path.join(folder, f) for f in files if f == "Tavora.lnk"]
        return sorted(found)

    def desktop_shortcut(self):
        return [s for s in self.shortcuts() if os.sep + "Desktop" + os.sep in s]

    def pending_deletes(self):
        value = self.registry(SESSION_KEY, "PendingFileRenameOperations")
        return [p for p in (value or "").split("\\0") if p]

    def restart(self):
        """Windows' restart as far as files go: the deletions left for it run."""
        self.settle()
        self.stop()
        self.persist()
        self.run(["wineboot", "-r"])
        self.settle()

    def unix_to_windows(self, unix_path):
        return self.run(["winepath", "-w", unix_path]).stdout.decode().strip()

    def installation_whole(self, what):
        check(self.installed_names() == ["tavora.exe", "uninst.exe"], "%s: the installed folder holds %s" %
              (what, self.installed_names()))
        check(self.registry(UNINSTALL_KEY, "InstallLocation") == INSTALL_DIR, "%s: the uninstall entry went" % what)
        check(len(self.shortcuts()) == 2, "%s: shortcuts %s" % (what, self.shortcuts()))


# The uninstaller works on the folder that its uninstall entry names, and on
# nothing else. Each row: where the uninstaller runs from, the folder _?=
# names, and whether the case is refused.
HOSTILE_UNINSTALLS = (
    (r"C:\keep", r"C:\keep", "a copy beside the user's files"),
    (INSTALL_DIR, r"C:\keep", "the installed uninstaller sent elsewhere"),
    (INSTALL_DIR, r"C:\keep\..\keep", "a spelling with .."),
    (INSTALL_DIR, r"C:\nowhere", "a folder that does not exist"),
)


def case_uninstall_refuses_other_folders(machine):
    machine.install()
    keep = machine.unix(r"C:\keep")
    os.makedirs(keep, exist_ok=True)
    with open(os.path.join(keep, "tavora.exe"), "wb") as handle:
        handle.write(b"the user's own file")
    shutil.copy(os.path.join(machine.unix(INSTALL_DIR), "uninst.exe"), os.path.join(keep, "uninst.exe"))
    for folder, target, what in HOSTILE_UNINSTALLS:
        rc = machine.windows_command('"%s\\uninst.exe" /S _?=%s' % (folder, target))
        machine.settle()
        check(rc == 2, "%s: exit code %d, not 2" % (what, rc))
        check(sorted(os.listdir(keep)) == ["tavora.exe", "uninst.exe"], "%s: C:\\keep holds %s" %
              (what, sorted(os.listdir(keep))))
        machine.installation_whole(what)
        check(not machine.pending_deletes(), "%s: deletions left for the restart: %s" %
              (what, machine.pending_deletes()))


def case_uninstall_in_place(machine):
    """The uninstall entry's own command: synchronous, nothing in any temporary
    folder, the uninstaller's own file and folder gone at the restart."""
    machine.install()
    machine.wine("reg", "add", USER_KEY + r"\LastQuery", "/v", "From", "/d", "Beijing", "/f")
    rc = machine.windows_command(machine.registry(UNINSTALL_KEY, "QuietUninstallString"))
    check(rc == 0, "the quiet uninstall ended with %d" % rc)
    check(machine.installed_names() == ["uninst.exe"], "after the uninstall: %s" % machine.installed_names())
    check(not machine.key_exists(UNINSTALL_KEY), "the uninstall entry stayed")
    check(not machine.shortcuts(), "shortcuts stayed: %s" % machine.shortcuts())
    expected = [r"\??\%s\uninst.exe" % INSTALL_DIR, "\\??\\%s\\" % INSTALL_DIR]
    check(machine.pending_deletes() == expected, "left for the restart: %s" % machine.pending_deletes())
    check(os.listdir(machine.temp) == [], "the user's temporary folder holds %s" % os.listdir(machine.temp))
    check(os.listdir(machine.unix(r"C:\windows\temp")) == [], "C:\\windows\\temp holds %s" %
          os.listdir(machine.unix(r"C:\windows\temp")))
    # The remembered query is the user's and stays, as the README says.
    check(machine.registry(USER_KEY + r"\LastQuery", "From") == "Beijing", "the user's remembered query went")
    machine.restart()
    check(not os.path.exists(machine.unix(INSTALL_DIR)), "the folder stayed after the restart")


def case_uninstall_started_directly(machine):
    """Without _?=, NSIS runs a copy from the user's temporary folder; that copy
    only starts the installed uninstaller in place and passes on its result."""
    machine.install()
    rc = machine.windows_command('"%s\\uninst.exe" /S' % INSTALL_DIR)
    check(rc == 0, "the direct uninstall ended with %d" % rc)
    wait_until(lambda: not machine.key_exists(UNINSTALL_KEY), 60, "the uninstall entry stayed")
    machine.settle()
    check(machine.installed_names() == ["uninst.exe"], "after the uninstall: %s" % machine.installed_names())
    copies = [n for n in os.listdir(machine.temp) if n.startswith("~nsu")]
    check(len(copies) == 1, "NSIS's copies in the temporary folder: %s" % os.listdir(machine.temp))
    machine.restart()
    check(not os.path.exists(machine.unix(INSTALL_DIR)), "the folder stayed after the restart")
    # NSIS 3.08 leaves the copy's folder, emptied, as the README says.
    check(os.listdir(os.path.join(machine.temp, copies[0])) == [], "the copy stayed after the restart")


def case_short_folder_closes_running_window(machine):
    """/D= in 8.3 form over a running Tavora: its window is closed, the setup succeeds."""
    machine.install()
    program = subprocess.Popen(["wine", INSTALL_DIR + r"\tavora.exe"], env=machine.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_until(lambda: program_window_shown(machine) or program.poll() is not None, 120,
                   "the program's window did not come")
        check(program.poll() is None, "the program ended by itself")
        short = machine.short_path(INSTALL_DIR)
        check(short.upper() != INSTALL_DIR.upper() and "~" in short, "no short name for the folder: %s" % short)
        rc = machine.windows_command('"%s" /S /D=%s' % (machine.unix_to_windows(machine.setup), short))
        check(rc == 0, "the setup ended with %d" % rc)
        program.wait(timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("the running program was not closed")
    finally:
        if program.poll() is None:
            program.kill()
    machine.settle()
    check(machine.registry(UNINSTALL_KEY, "InstallLocation") == INSTALL_DIR,
          "the entry names %s" % machine.registry(UNINSTALL_KEY, "InstallLocation"))
    machine.installation_whole("after the setup over the running program")


def case_short_folder_unclosable_copy_fails(machine):
    """A copy of the installed program that runs without a window cannot be
    closed: the setup fails with exit code 2 and changes nothing."""
    machine.install()
    folder = machine.unix(INSTALL_DIR)
    shutil.copy(machine.drive, os.path.join(folder, "tavora.exe"))
    before = {name: machine.installed_bytes(name) for name in machine.installed_names()}
    holder = subprocess.Popen(["wine", INSTALL_DIR + r"\tavora.exe", "--hold", INSTALL_DIR + r"\uninst.exe", "90"],
                              env=machine.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        check(holder.stdout.readline().strip() == b"holding", "the stand-in program did not start")
        short = machine.short_path(INSTALL_DIR)
        rc = machine.windows_command('"%s" /S /D=%s' % (machine.unix_to_windows(machine.setup), short))
        check(rc == 2, "the setup over a copy it cannot close ended with %d, not 2" % rc)
        check(holder.poll() is None, "the stand-in program ended")
    finally:
        holder.kill()
        holder.wait(timeout=30)
    machine.settle()
    after = {name: machine.installed_bytes(name) for name in machine.installed_names()}
    check(after == before, "the failed setup changed the folder: %s" % sorted(after))


def program_window_shown(machine):
    """Whether the display shows the main window: Wine names an X window after
    the window's title and its program."""
    done = subprocess.run(["xwininfo", "-root", "-tree"], env=machine.env, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=30)
    return '"Tavora": ("tavora.exe"' in done.stdout.decode("utf-8", "replace")


# Silent installs whose parameters hold "-Update:" but are no update run.
NO_UPDATE_LINES = ('/S -Foo:a-Update:b', '/S -Foo:"a -Update:b"', '/S -Foo:a -Update:b')


def case_update_parameters(machine):
    """Only -Update:"<path>", alone, is an update run; "-Update:" inside another
    switch's value is none, and a line that starts so but is not that form
    is refused."""
    machine.install()
    setup = machine.unix_to_windows(machine.setup)
    # An update keeps the installed choice of a desktop shortcut; an ordinary
    # silent install makes one. Without it, which of the two ran shows.
    for line in NO_UPDATE_LINES:
        for shortcut in machine.desktop_shortcut():
            os.remove(shortcut)
        rc = machine.windows_command('"%s" %s' % (setup, line))
        check(rc == 0, "%s: exit code %d" % (line, rc))
        machine.settle()
        check(len(machine.desktop_shortcut()) == 1, "%s made an update run" % line)

    # NSIS cuts the command line at a "/D=" wherever it stands, quotes or not:
    # the setup refuses what is left, changing nothing.
    before = {name: machine.installed_bytes(name) for name in machine.installed_names()}
    for line in ('-Update:"C:\\x /D=C:\\evil\\tavoSetup.exe"', '-Update:C:\\x\\tavoSetup.exe',
                 '-Update:"C:\\x\\tavoSetup.exe" -Other'):
        rc = machine.windows_command('"%s" %s' % (setup, line))
        check(rc == 2, "%s: exit code %d, not 2" % (line, rc))
        machine.settle()
        check(not os.path.exists(machine.unix(r"C:\evil")), "%s: made C:\\evil" % line)
        after = {name: machine.installed_bytes(name) for name in machine.installed_names()}
        check(after == before, "%s: the installed folder changed" % line)

    for shortcut in machine.desktop_shortcut():
        os.remove(shortcut)
    rc = machine.windows_command('"%s" -Update:"C:\\Some Folder\\tavoSetup.exe"' % setup)
    check(rc == 0, "the update run ended with %d" % rc)
    # The update starts the new version: close its window.
    check(subprocess.run(["wine", machine.drive, "--close-main", "120"], env=machine.env, timeout=180,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0,
          "the update did not start the program")
    machine.settle()
    check(not machine.desktop_shortcut(), "the update run made a desktop shortcut")
    check(machine.registry(UNINSTALL_KEY, "InstallLocation") == INSTALL_DIR, "the update went elsewhere")


def plant(machine, folder):
    os.makedirs(folder, exist_ok=True)
    for name in PLANTED_NAMES:
        shutil.copy(machine.probe, os.path.join(folder, name + ".dll"))


LOADED = re.compile(r'^([0-9a-f]{4}):trace:loaddll:build_module Loaded L"(.*)" at [0-9A-F]+: (native|builtin)$')


def foreign_loads(trace, programs):
    """The DLLs that the processes running one of `programs` (lower-case file
    names) loaded from anywhere but the system folder and the plug-ins folder
    under C:\\windows\\Temp."""
    pids, found = set(), []
    for line in trace.splitlines():
        match = LOADED.match(line.strip())
        if not match:
            continue
        pid, path, kind = match.group(1), match.group(2).replace("\\\\", "\\"), match.group(3)
        name = path.rsplit("\\", 1)[-1].lower()
        if name in programs:
            pids.add(pid)
            continue
        if pid not in pids or not name.endswith(".dll"):
            continue
        low = path.lower()
        if low.startswith("c:\\windows\\system32\\") or low.startswith("c:\\windows\\winsxs\\"):
            continue
        if re.match(r"c:\\windows\\temp\\ns[^\\]+\.tmp\\[^\\]+\.dll$", low) and kind == "native":
            continue  # a plug-in of the setup's own, from its administrators-only folder
        found.append("%s (%s)" % (path, kind))
    return found


# The setup runs elevated from a folder that only administrators can write
# (the program's update folder; here C:\staging, where nothing is planted);
# its current folder and the user's %TEMP% hold planted DLLs. So do they for
# the uninstaller, which runs from the installed folder. Each row: what runs,
# its command line, and the names of its program files. (Beside a setup in a
# folder the user can write, Wine loads shcore.dll from there as an import of
# its own shell32 when the process starts, before any of the setup's code
# runs; Windows takes it from its known DLLs. Wine keeps no such list.)
LOADER_RUNS = (
    ("the setup as the update starts it", r'C:\staging\tavoSetup.exe -Update:"C:\staging\tavoSetup.exe"',
     ("tavosetup.exe",)),
    ("the setup, silent", r"C:\staging\tavoSetup.exe /S", ("tavosetup.exe",)),
    ("the uninstaller, as its entry starts it", None, ("uninst.exe",)),
    ("the setup again, silent", r"C:\staging\tavoSetup.exe /S", ("tavosetup.exe",)),
    ("the uninstaller started directly", '"%s\\uninst.exe" /S' % INSTALL_DIR, ("uninst.exe", "un.exe")),
)


def case_loader_takes_system_dlls_only(machine):
    plant(machine, machine.temp)
    cwd = machine.unix(r"C:\work")
    plant(machine, cwd)
    staged = machine.unix(r"C:\staging")
    os.makedirs(staged, exist_ok=True)
    shutil.copy(machine.setup, os.path.join(staged, "tavoSetup.exe"))
    record = machine.unix(PLANTED_RECORD)
    trace_file = os.path.join(machine.work, "loaddll.txt")
    for what, line, programs in LOADER_RUNS:
        if line is None:
            line = machine.registry(UNINSTALL_KEY, "QuietUninstallString")
        if os.path.exists(record):
            os.remove(record)
        batch = machine.unix(r"C:\run-line.bat")
        with open(batch, "w", encoding="utf-8", newline="\r\n") as handle:
            handle.write("@%s\n@exit %%ERRORLEVEL%%\n" % line)
        with open(trace_file, "wb") as trace:
            rc = subprocess.run(["wine", "cmd", "/c", r"C:\run-line.bat"],
                                env=dict(machine.env, WINEDEBUG="+loaddll", TAVORA_PLANTED_LOG=PLANTED_RECORD),
                                cwd=cwd, stdin=subprocess.DEVNULL, stdout=trace, stderr=trace,
                                timeout=COMMAND_SECONDS).returncode
        if "-Update:" in line:
            subprocess.run(["wine", machine.drive, "--close-main", "120"], env=machine.env, timeout=180,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if "uninst" in line:
            wait_until(lambda: not machine.key_exists(UNINSTALL_KEY), 60, "%s: nothing was uninstalled" % what)
        machine.settle()
        check(rc == 0, "%s: exit code %d" % (what, rc))
        with open(trace_file, encoding="utf-8", errors="replace") as trace:
            text = trace.read()
        check(any(LOADED.match(l.strip()) for l in text.splitlines()), "%s: no loader trace" % what)
        foreign = foreign_loads(text, programs)
        check(not foreign, "%s loaded DLLs from outside the system folder: %s" % (what, foreign))
        planted = []
        if os.path.exists(record):
            with open(record, "rb") as handle:
                planted = handle.read().decode("utf-8", "replace").split()
        check(not planted, "%s ran planted code: %s" % (what, planted))


CASES = (
    ("uninstall_refuses_other_folders", "the uninstaller refused folders other than the installation's",
     case_uninstall_refuses_other_folders),
    ("uninstall_in_place", "the uninstall entry's command uninstalled in place, the rest at the restart",
     case_uninstall_in_place),
    ("uninstall_started_directly", "the uninstaller started directly went through the installed one",
     case_uninstall_started_directly),
    ("short_folder_closes_window", "/D= in 8.3 form closed the running program and succeeded",
     case_short_folder_closes_running_window),
    ("short_folder_unclosable_copy", "/D= in 8.3 form over a copy that would not close failed, changing nothing",
     case_short_folder_unclosable_copy_fails),
    ("update_parameters", "only -Update:\"<path>\" alone made an update run, and nothing inside it counted",
     case_update_parameters),
    ("loader", "the setup and the uninstaller loaded system DLLs from the system folder only",
     case_loader_takes_system_dlls_only),
)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--case", action="append", choices=[c[0] for c in CASES])
    args = parser.parse_args(argv)
    build = os.path.abspath(args.build)
    machine = Machine(build, os.path.join(build, "e2e-installer"))
    failed = 0
    started = time.monotonic()
    try:
        machine.start()
        for name, text, case in CASES:
            if args.case and name not in args.case:
                continue
            case_start = time.monotonic()
            try:
                machine.fresh()
                case(machine)
                print("ok: %s (%.0f s)" % (text, time.monotonic() - case_start), flush=True)
            except (Failure, subprocess.TimeoutExpired) as failure:
                failed += 1
                print("FAILED: %s: %s" % (name, failure), flush=True)
    finally:
        machine.stop()
    if not failed:
        shutil.rmtree(machine.work, ignore_errors=True)  # two prefixes, over a gigabyte
    print("installer cases done in %.0f s, %d failed" % (time.monotonic() - started, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
