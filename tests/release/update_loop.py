#!/usr/bin/env python3
"""The update loop, end to end, as a user on Windows meets it.

    update_loop.py --build BUILD_DIR

Makes two releases with tools/release.sh (the work tree as it is, signed with
the test key, so the installed program accepts the test key), then, in a Wine
prefix of its own under BUILD_DIR/e2e-update/:

1. installs the older release silently and checks the files, shortcuts, the
   entry in the list of installed programs and the install ping;
2. starts the installed program against the demo site, which offers the newer
   release; answers Yes to the question with the real mouse; the setup runs
   and the newer version is installed and started (its own update request
   names the new version);
3. installs the newer version again while a scanner holds the program's file: the
   setup fails and the installed version still works;
4. offers a newer setup whose bytes were changed after signing: no question,
   nothing started, the installed version intact;
5. offers a sound setup but swaps the downloaded file in the update folder
   for another program while the question is up: the swapped file never
   runs, and the window stays;
6. uninstalls silently through the uninstall entry's own command: files,
   shortcuts and registry entries gone, the uninstall ping seen, the
   uninstaller's own file gone at the restart.

After the install it checks the Authenticode signatures of the installed
programs and the setup against the release's test certificate.

Prints one line per step; exit code 0 when every check held.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import urllib.request

OLD_VERSION = "1.0.0.35"
NEW_VERSION = "1.0.0.36"
NEXT_VERSION = "1.0.0.37"
QUESTION_CAPTION = "Tavora 更新"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavora"
PROGRAM_KEY = r"HKLM\SOFTWARE\tavo"
INSTALL_DIR = r"C:\Program Files\Tavora"
# Where the program stages updates: only administrators may write there.
UPDATE_DIR = r"C:\ProgramData\Tavora\Updates"
INSTALL_PING = "GET /tavo/stat/install.php?i=10 "
UNINSTALL_PING = "GET /tavo/stat/uninstall.php?i=10 "
# Bounds of the waits: one step of the loop, and one Windows command.
STEP_SECONDS = 180
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
        time.sleep(0.5)
    raise Failure("%s (waited %d s)" % (what, seconds))


class Machine:
    """A Windows machine of its own: a fresh Wine prefix and the demo site."""

    def __init__(self, work, source, build):
        self.work = work
        self.source = source
        self.build = build
        self.prefix = os.path.join(work, "prefix")
        self.offer = os.path.join(work, "offer")
        self.site = None
        self.port = None
        self.env = dict(os.environ)
        self.env.update({"WINEPREFIX": self.prefix, "WINEARCH": "win32", "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
                         "LC_ALL": "C.UTF-8", "LANG": "C.UTF-8"})

    def run(self, *args, check_rc=True):
        done = subprocess.run(list(args), env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=COMMAND_SECONDS)
        if check_rc and done.returncode != 0:
            raise Failure("%s ended with %d" % (" ".join(args), done.returncode))
        return done.stdout.decode("utf-8", "replace")

    def wine(self, *args, check_rc=True):
        return self.run("wine", *args, check_rc=check_rc)

    def start(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        os.makedirs(self.offer, exist_ok=True)
        self.run("wineboot", "-i")
        # No window manager in the test display: windows close at once.
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        port_file = os.path.join(self.work, "site.port")
        if os.path.exists(port_file):
            os.remove(port_file)
        self.site = subprocess.Popen(
            [sys.executable, os.path.join(self.source, "tools", "demo_site.py"), "--port", "0",
             "--port-file", port_file, "--release", self.offer, "--max-seconds", "1200", "--detach-stdio"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists(port_file), 30, "the demo site did not start")
        with open(port_file, encoding="ascii") as handle:
            self.port = int(handle.read())
        host = "127.0.0.1:%d" % self.port
        self.env.update({"TAVORA_QUERY_HOST": host, "TAVORA_UPDATE_HOST": host, "TAVORA_STAT_HOST": host,
                         "TAVORA_UPDATE_RETRY_MS": "1000"})
        self.temp = self.unix_path(self.wine("cmd", "/c", "echo", "%TEMP%").strip())

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60, check=False)
        if self.site:
            self.site.terminate()
            self.site.wait(timeout=30)

    def unix_path(self, windows_path):
        return self.run("winepath", "-u", windows_path).strip()

    def log(self):
        with urllib.request.urlopen("http://127.0.0.1:%d/__log" % self.port, timeout=10) as reply:
            return reply.read().decode("latin-1")

    def requests(self, start):
        return self.log().count(start)

    def registry(self, key, name):
        """The value of a registry value, None when it or its key is absent."""
        out = self.wine("reg", "query", key, "/v", name, check_rc=False)
        match = re.search(r"^\s*%s\s+REG_\w+\s+(.*?)\s*$" % re.escape(name), out, re.M)
        return match.group(1) if match else None

    def key_exists(self, key):
        return subprocess.run(["wine", "reg", "query", key], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=COMMAND_SECONDS).returncode == 0

    def drive(self, *args):
        exe = os.path.join(self.build, "tools", "driver", "tavora-drive.exe")
        return subprocess.run(["wine", exe] + list(args), env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=STEP_SECONDS).returncode

    def start_program(self):
        return subprocess.Popen(["wine", INSTALL_DIR + r"\tavora.exe"], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close_program(self, program=None):
        """Closes the program's window and waits until nothing runs in the prefix."""
        check(self.drive("--close-main", "60") == 0, "the program's window did not come or did not close")
        try:
            if program:
                program.wait(timeout=60)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=STEP_SECONDS, check=False)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after its window closed")

    def forget_last_offer(self):
        """An offer makes the next check wait a day; the next step needs one now."""
        self.wine("reg", "delete", PROGRAM_KEY + r"\LastTime", "/v", "LastCheckUpdate", "/f", check_rc=False)

    def offer_release(self, folder, version=None, setup_bytes=None):
        """Puts a release into the demo site's offer: `folder`'s setup (or
        `setup_bytes` in its place) and an update INI signed for that setup,
        announcing `version` (default: the release's own)."""
        for name in ("update.ini", "tavoSetup.exe"):
            if os.path.exists(os.path.join(self.offer, name)):
                os.remove(os.path.join(self.offer, name))
        setup = os.path.join(folder, "tavoSetup.exe")
        if version is None:
            shutil.copy(os.path.join(folder, "update.ini"), os.path.join(self.offer, "update.ini"))
        else:
            subprocess.run([sys.executable, os.path.join(self.source, "tools", "sign_release.py"), "update-ini",
                            "--key", os.path.join(self.source, "tools", "update_test_signing_key.pem"),
                            "--version", version, "--url", "http://unused/tavoSetup.exe",
                            "--out", os.path.join(self.offer, "update.ini"), setup], check=True, timeout=60)
        with open(setup, "rb") as handle:
            data = handle.read()
        with open(os.path.join(self.offer, "tavoSetup.exe"), "wb") as handle:
            handle.write(data if setup_bytes is None else setup_bytes)

    def installed_file(self, name):
        return os.path.join(self.unix_path(INSTALL_DIR), name)

    def staged_setups(self):
        """The setups the program has staged in its update folder."""
        folder = self.unix_path(UPDATE_DIR)
        if not os.path.isdir(folder):
            return []
        return sorted(os.path.join(folder, n) for n in os.listdir(folder)
                      if n.startswith("tavoSetup-") and n.endswith(".exe"))

    def shortcuts(self):
        root = os.path.join(self.prefix, "drive_c")
        found = []
        for folder, _, files in os.walk(root):
            found += [os.path.join(folder, f) for f in files if f == "Tavora.lnk"]
        return found


def file_version(path):
    """The file version of a Windows program's version record, as 1.0.0.35."""
    with open(path, "rb") as handle:
        data = handle.read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    check(at >= 0, "%s has no version record" % path)
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def make_release(source, work, version):
    out = os.path.join(work, "release-" + version)
    env = dict(os.environ)
    env["TAVORA_RELEASE_BUILD_DIR"] = os.path.join(work, "release-build")
    done = subprocess.run(["bash", os.path.join(source, "tools", "release.sh"), "--work-tree",
                           "--version", version, "--out", out], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=1800)
    lines = done.stdout.decode("utf-8", "replace").strip().splitlines()
    check(done.returncode == 0, "release %s failed: %s" % (version, "\n".join(lines[-20:])))
    check(lines and "TEST key" in lines[-1], "the release does not say it was signed with the test key")
    return out


def install_old(machine, old):
    machine.wine(os.path.join(old, "tavoSetup.exe"), "/S")
    check(file_version(machine.installed_file("tavora.exe")) == OLD_VERSION, "the old version is not installed")
    check(os.path.exists(machine.installed_file("uninst.exe")), "no uninstaller")
    check(machine.registry(UNINSTALL_KEY, "DisplayVersion") == OLD_VERSION, "the uninstall entry's version")
    for name, expected in (("DisplayName", "Tavora"), ("Publisher", "Tavora"),
                           ("DisplayIcon", INSTALL_DIR + r"\tavora.exe,0"),
                           ("UninstallString", '"%s\\uninst.exe" _?=%s' % (INSTALL_DIR, INSTALL_DIR)),
                           ("QuietUninstallString", '"%s\\uninst.exe" /S _?=%s' % (INSTALL_DIR, INSTALL_DIR))):
        value = machine.registry(UNINSTALL_KEY, name)
        check(value == expected, "uninstall entry %s is %r, not %r" % (name, value, expected))
    size = machine.registry(UNINSTALL_KEY, "EstimatedSize")
    check(size is not None and int(size, 16) > 0, "no estimated size")
    check(len(machine.shortcuts()) == 2, "Start-menu and desktop shortcuts: %s" % machine.shortcuts())
    check(machine.requests(INSTALL_PING) == 1, "the install ping was not seen once")


def update_to_new(machine, new):
    machine.offer_release(new)
    program = machine.start_program()
    check(machine.drive("--answer", QUESTION_CAPTION, "yes", str(STEP_SECONDS)) == 0, "no update question came")
    wait_until(lambda: machine.registry(UNINSTALL_KEY, "DisplayVersion") == NEW_VERSION, STEP_SECONDS,
               "the uninstall entry never showed the new version")
    check(file_version(machine.installed_file("tavora.exe")) == NEW_VERSION, "the installed program is not new")
    # The setup sends the ping once everything is in place.
    wait_until(lambda: machine.requests(INSTALL_PING) == 2, STEP_SECONDS, "the update's install ping was not seen")
    leftovers = [n for n in os.listdir(machine.unix_path(INSTALL_DIR)) if n not in ("tavora.exe", "uninst.exe")]
    check(not leftovers, "files left beside the program: %s" % leftovers)
    wait_until(lambda: not machine.staged_setups(), STEP_SECONDS, "the setup stayed in the update folder")
    check(not os.path.exists(os.path.join(machine.temp, "tavoSetup.exe")), "a setup was put in the user's folder")
    try:
        program.wait(timeout=60)  # the old program closed itself for the setup
    except subprocess.TimeoutExpired:
        raise Failure("the old program did not end")
    # The window that shows now is the new version's, started by the setup.
    machine.close_program()


def survive_locked_file(machine, new):
    """A setup that cannot replace a held file gives up, bounded, and changes nothing."""
    exe = os.path.join(machine.build, "tools", "driver", "tavora-drive.exe")
    holder = subprocess.Popen(["wine", exe, "--hold", INSTALL_DIR + r"\tavora.exe", "60"], env=machine.env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        check(holder.stdout.readline().strip() == b"holding", "the program's file could not be held")
        setup = subprocess.run(["wine", os.path.join(new, "tavoSetup.exe"), "/S"], env=machine.env,
                               timeout=COMMAND_SECONDS)
        check(setup.returncode == 2, "the setup over a held file ended with %d, not 2" % setup.returncode)
    finally:
        holder.kill()
        holder.wait(timeout=30)
    subprocess.run(["wineserver", "-w"], env=machine.env, timeout=STEP_SECONDS, check=False)
    names = sorted(os.listdir(machine.unix_path(INSTALL_DIR)))
    check(names == ["tavora.exe", "uninst.exe"], "the failed setup left %s" % names)
    check(machine.requests(INSTALL_PING) == 2, "the failed setup sent an install ping")
    # The installed version still works: it starts and shows its window.
    machine.close_program(machine.start_program())


def refuse_tampered(machine, new):
    """A setup changed after signing: downloaded, refused, deleted, never asked about."""
    machine.forget_last_offer()
    with open(os.path.join(new, "tavoSetup.exe"), "rb") as handle:
        data = bytearray(handle.read())
    data[len(data) // 2] ^= 1
    machine.offer_release(new, NEXT_VERSION, bytes(data))
    downloads = machine.requests("GET /tavo/release/tavoSetup.exe ")
    program = machine.start_program()
    wait_until(lambda: machine.requests("GET /tavo/release/tavoSetup.exe ") > downloads, STEP_SECONDS,
               "the tampered setup was never downloaded")
    check(machine.drive("--wait-box", QUESTION_CAPTION, "15") != 0, "a tampered setup was offered")
    check(not machine.staged_setups(), "the tampered setup was kept")
    machine.close_program(program)
    check(file_version(machine.installed_file("tavora.exe")) == NEW_VERSION, "the installed version changed")
    check(machine.requests(INSTALL_PING) == 2, "a setup ran")


def refuse_swapped(machine, new, impostor):
    """A sound setup swapped for another program while the question is up."""
    machine.forget_last_offer()
    machine.offer_release(new, NEXT_VERSION)
    record = os.path.join(machine.work, "impostor-ran.txt")
    if os.path.exists(record):
        os.remove(record)
    machine.env["TAVORA_RECORD_ARGS_FILE"] = machine.run("winepath", "-w", record).strip()
    program = machine.start_program()
    check(machine.drive("--wait-box", QUESTION_CAPTION, str(STEP_SECONDS)) == 0, "no update question came")
    staged = machine.staged_setups()
    check(len(staged) == 1, "not one staged setup: %s" % staged)
    # Under Wine a program of the user can write the update folder; on
    # Windows only administrators can.
    shutil.copy(impostor, staged[0])
    check(machine.drive("--answer", QUESTION_CAPTION, "yes", "30") == 0, "the question could not be answered")
    time.sleep(10)
    check(not os.path.exists(record), "the swapped setup ran")
    check(program.poll() is None, "the program closed for a setup that did not start")
    machine.close_program(program)
    del machine.env["TAVORA_RECORD_ARGS_FILE"]
    check(file_version(machine.installed_file("tavora.exe")) == NEW_VERSION, "the installed version changed")
    check(machine.requests(INSTALL_PING) == 2, "a setup ran")


def check_signatures(machine, release):
    """The installed programs and the release's setup carry the release's
    Authenticode signature (a throw-away test certificate, as the release says)."""
    certificate = os.path.join(release, "authenticode-test-cert.pem")
    check(os.path.exists(certificate), "the release has no test certificate")
    for path in (machine.installed_file("tavora.exe"), machine.installed_file("uninst.exe"),
                 os.path.join(release, "tavoSetup.exe")):
        done = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in", path],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=COMMAND_SECONDS)
        check("Signature verification: ok" in done.stdout.decode("utf-8", "replace"),
              "%s: no valid signature" % os.path.basename(path))


def run_command_line(machine, line):
    """Runs a Windows command line as written (wine would quote arguments with
    blanks, and the uninstaller's _?= must stand unquoted); its exit code."""
    batch = os.path.join(machine.unix_path("C:\\"), "command-line.bat")
    with open(batch, "w", encoding="utf-8", newline="\r\n") as handle:
        handle.write("@%s\n@exit %%ERRORLEVEL%%\n" % line)
    return subprocess.run(["wine", "cmd", "/c", "C:\\command-line.bat"], env=machine.env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=COMMAND_SECONDS).returncode


def uninstall(machine):
    folder = machine.unix_path(INSTALL_DIR)
    check(machine.registry(PROGRAM_KEY + r"\LastTime", "LastCheckUpdate") is not None,
          "the program kept no time of its last offer")
    # As Windows runs it: the entry's own command, which runs the uninstaller
    # in place and waits for it.
    rc = run_command_line(machine, machine.registry(UNINSTALL_KEY, "QuietUninstallString"))
    check(rc == 0, "the uninstall ended with %d" % rc)
    check(sorted(os.listdir(folder)) == ["uninst.exe"], "left in the folder: %s" % sorted(os.listdir(folder)))
    check(not machine.key_exists(UNINSTALL_KEY), "the uninstall entry stayed")
    check(not machine.key_exists(PROGRAM_KEY), "the program's registry key stayed")
    check(not machine.shortcuts(), "shortcuts stayed: %s" % machine.shortcuts())
    updates = machine.unix_path(UPDATE_DIR)
    check(not os.path.exists(os.path.dirname(updates)), "the update folder stayed: %s" %
          (os.listdir(updates) if os.path.isdir(updates) else updates))
    check(not [n for n in os.listdir(machine.temp) if n.startswith("~nsu")], "the uninstaller copied itself")
    wait_until(lambda: machine.requests(UNINSTALL_PING) == 1, 30, "the uninstall ping was not seen")
    # The uninstaller's own file and the folder go when Windows restarts.
    subprocess.run(["wineserver", "-w"], env=machine.env, timeout=STEP_SECONDS, check=False)
    machine.run("wineboot", "-r")
    check(not os.path.exists(folder), "the program's folder stayed after the restart")


def run_loop(source, build, work):
    started = time.monotonic()
    old = make_release(source, work, OLD_VERSION)
    new = make_release(source, work, NEW_VERSION)
    print("releases %s and %s made (%.0f s)" % (OLD_VERSION, NEW_VERSION, time.monotonic() - started), flush=True)
    impostor = os.path.join(build, "tests", "app", "record_args.exe")
    check(os.path.exists(impostor), "no %s: build the tests first" % impostor)
    machine = Machine(work, source, build)
    steps = [("installed %s silently" % OLD_VERSION, lambda: install_old(machine, old)),
             ("the installed programs carry the release's signature", lambda: check_signatures(machine, old)),
             ("updated to %s through the program's question" % NEW_VERSION, lambda: update_to_new(machine, new)),
             ("a setup over a held file failed and changed nothing", lambda: survive_locked_file(machine, new)),
             ("a tampered setup was refused", lambda: refuse_tampered(machine, new)),
             ("a setup swapped after its download never ran", lambda: refuse_swapped(machine, new, impostor)),
             ("uninstalled, the rest at the restart", lambda: uninstall(machine))]
    try:
        machine.start()
        for name, step in steps:
            step_start = time.monotonic()
            step()
            print("%s (%.0f s)" % (name, time.monotonic() - step_start), flush=True)
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED: %s" % failure, flush=True)
        return 1
    finally:
        machine.stop()
    print("update loop passed in %.0f s" % (time.monotonic() - started))
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    args = parser.parse_args(argv)
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    build = os.path.abspath(args.build)
    work = os.path.join(build, "e2e-update")
    os.makedirs(work, exist_ok=True)
    return run_loop(source, build, work)


if __name__ == "__main__":
    sys.exit(main())
