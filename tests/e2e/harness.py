"""Runs the reference host with the real plug-in DLL under wine.

Each test gets a folder of its own holding copies of the host and the DLL,
because the plug-in keeps its settings file beside the host's executable.
The tests expect an X display (run them under xvfb-run) and these variables,
which CTest sets: ZEK_HOST, ZEK_DLL, WINEPREFIX, ZEK_ARCH (i686 or x86_64) and
ZEK_WINE, the program that runs a Windows program of that architecture: the
system's 64-bit `wine`, or `wine32`, the 32-bit runtime of wine32_runtime.sh
(a path, spaces and all, not a command line).

A test that fails shows every host run it made: the command, how it ended,
its standard output and its standard error, where Wine's err messages land.
"""
import atexit
import functools
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest

ARCH = os.environ.get("ZEK_ARCH", "x86_64")
# Debian's Wine runs without its preloader, whose work is to reserve the
# address ranges Windows fixes (the shared user data page at 0x7ffe0000
# among them) before anything else is mapped. The kernel starts the loader's
# heap anywhere in the gigabyte above the loader, now and then just below
# that page, and the program dies as it starts ("failed to map the shared
# user data", exit code 1). Without address randomization the heap starts
# right after the loader, far below it.
FIXED_LAYOUT = ["setarch", "-R"]
WINE = FIXED_LAYOUT + [os.environ.get("ZEK_WINE", "wine")]
# The registry view the build's programs read: a 32-bit program on 64-bit
# Windows sees HKLM\SOFTWARE through WOW6432Node, as its installer wrote it.
REG_VIEW = "/reg:32" if ARCH == "i686" else "/reg:64"
RUNTIME32 = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine32_runtime.sh")

# Wine's own messages of the err class (a DLL the loader cannot find, a
# server it cannot reach, a display driver that does not load) reach the
# standard error of the program; the fixme class only says what Wine lacks.
WINEDEBUG = "fixme-all"

ZOOM = re.compile(r"^zoom frame=(\d+) window=(.*) value=(-?\d+)$")


class Run:
    """One finished run of a Windows program: what it printed and how it ended."""

    def __init__(self, folder, completed, timeout=None):
        self.folder = folder
        self.command = completed.args
        self.returncode = completed.returncode  # None: killed after `timeout` seconds
        self.timeout = timeout
        self.raw = completed.stdout or b""
        self.stdout = self.raw.decode("latin-1")
        self.stderr = (completed.stderr or b"").decode("utf-8", "replace")
        self.lines = [line.rstrip("\r") for line in self.stdout.split("\n") if line.strip()]

    def ended(self):
        if self.returncode is None:
            return "did not end within %s s and was killed" % self.timeout
        if self.returncode < 0:
            return "was killed by signal %d" % -self.returncode
        return "exited with %d" % self.returncode

    def report(self):
        """The command, how it ended and everything it printed, for a failure message."""
        return "\n".join([
            "$ " + shlex.join(str(part) for part in self.command),
            "  in %s, %s" % (self.folder, self.ended()),
            "--- standard output ---", self.stdout.rstrip("\r\n"),
            "--- standard error (the program's and Wine's) ---", self.stderr.rstrip("\r\n"),
            "--- end of run ---"])

    def zooms(self):
        """(frame, window title, value) for every zoom command the host got."""
        found = []
        for line in self.lines:
            m = ZOOM.match(line)
            if m:
                found.append((int(m.group(1)), m.group(2), int(m.group(3))))
        return found

    def first(self, prefix):
        for line in self.lines:
            if line.startswith(prefix):
                return line
        return None

    def fields(self, prefix):
        """key=value pairs of the first line that starts with prefix."""
        line = self.first(prefix)
        if line is None:
            return None
        return dict(part.split("=", 1) for part in line.split() if "=" in part)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)


def wine_env(extra=None):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", WINEDEBUG)
    env["WINEDLLOVERRIDES"] = "winedbg.exe=d;mscoree,mshtml="
    if extra:
        env.update(extra)
        # Python started in the C locale exports LC_CTYPE=C.UTF-8 to its
        # children, which would beat a LANG given here: Wine takes its ANSI
        # code page from the character-type locale.
        if "LANG" in extra and "LC_ALL" not in extra:
            env["LC_ALL"] = extra["LANG"]
    return env


def run_program(command, cwd=None, env=None, timeout=120, stdin=None):
    """Runs a command to its end and returns its Run; its output goes through
    files, so that what it printed is kept even when it is killed. Its input
    is stdin (a pipe, say) or nothing."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            returncode = subprocess.run(command, cwd=cwd, env=env,
                                        stdin=subprocess.DEVNULL if stdin is None else stdin,
                                        stdout=out, stderr=err, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            returncode = None  # run() has killed it and waited for it
        out.seek(0)
        err.seek(0)
        completed = subprocess.CompletedProcess(command, returncode, out.read(), err.read())
    return Run(cwd, completed, timeout)


@functools.lru_cache(maxsize=None)
def wine32_way():
    """native or qemu: how the 32-bit runtime runs programs in this run."""
    given = os.environ.get("ZEK_WINE32")
    if given:
        return given
    answer = subprocess.run([RUNTIME32, "way"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return answer.stdout.split(" ", 1)[0]


def expected_avx2():
    """What the host must say of AVX2: ZEK_EXPECT_AVX2 when given; else under
    the emulator what its default CPU model has (AVX2), natively what this
    machine's CPU has."""
    given = os.environ.get("ZEK_EXPECT_AVX2")
    if given is not None:
        return given
    if ARCH == "i686" and wine32_way() == "qemu":
        return "1"
    with open("/proc/cpuinfo") as f:
        flags = next((line.split(":", 1)[1].split() for line in f if line.startswith("flags")), [])
    return "1" if "avx2" in flags else "0"


def check_run(run, what):
    if run.returncode != 0:
        raise AssertionError("%s %s\n%s" % (what, run.ended(), run.report()))
    return run


# The prefixes whose Wine server this process started, and so stops at its end.
_servers = []
_stop_at_exit = True
SERVER_LOG = "zek-session.log"


def keep_server(env):
    """Starts a Wine server for the prefix of env, kept until this process
    ends (one test module; `harness.py start`, CTest's fixture, leaves it to
    `harness.py stop`), so that the session's own programs (services.exe, the
    desktop's explorer.exe, ...) start once, not for every run.

    Debian's wineserver ends the moment its last program does: every run
    started a server and the session's programs anew, and a run that came
    while the previous run's server was still going down could fail.
    The programs of the session outlive the run that started them and keep
    its output open; run_program hands out files, not pipes, for that reason.

    It also makes the host's windows unmanaged (the X11 driver's per-program
    value Managed=N): under Xvfb no window manager answers, and Wine waits
    2 s for one each time a managed window is hidden or destroyed."""
    prefix = env.get("WINEPREFIX") or os.path.expanduser("~/.wine")
    if prefix in _servers:
        return
    if prefix == os.environ.get("ZEK_WINE_SESSION"):
        return  # CTest keeps a session for the build's whole suite (see __main__ below)
    unmanaged = None
    with open(os.path.join(prefix, SERVER_LOG), "wb") as out:
        start = subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                               stdout=out, stderr=out, timeout=60)
        if start.returncode == 2:
            # A server that is not ours: wait for it to end, then start ours.
            subprocess.run(["wineserver", "-w"], env=env, stdout=out, stderr=out, timeout=300)
            start = subprocess.run(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=out, timeout=60)
        if start.returncode == 0:
            _servers.append(prefix)
            unmanaged = subprocess.run(
                [*FIXED_LAYOUT, "wine", "reg", "add", r"HKCU\Software\Wine\AppDefaults\zek_host.exe\X11 Driver",
                 "/v", "Managed", "/d", "N", "/f"],
                env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=300)
    if unmanaged is None or unmanaged.returncode != 0:
        raise AssertionError("could not start the Wine session of %s:\n%s" % (prefix, server_log(prefix)))


def server_log(prefix, start=0):
    """What the Wine session of prefix printed, from byte start on."""
    try:
        with open(os.path.join(prefix, SERVER_LOG), "rb") as f:
            f.seek(start)
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


def _log_size(prefix):
    try:
        return os.path.getsize(os.path.join(prefix, SERVER_LOG))
    except OSError:
        return 0


@atexit.register
def _stop_servers():
    for prefix in _servers if _stop_at_exit else ():
        if os.path.isdir(prefix):
            subprocess.run(["wineserver", "-k"], env=wine_env({"WINEPREFIX": prefix}),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def _prefix_ready(prefix):
    marker = ".zek-wine32" if ARCH == "i686" else "system.reg"
    return os.path.isfile(os.path.join(prefix, marker))


def prepare_prefix(prefix, env=None, configure=None):
    """Makes a new Wine prefix able to run the host of the build under test:
    a copy of the build's own prefix when that one is ready (a second or two,
    where making one takes 15 s and more), else made afresh. configure(prefix),
    when given, runs before the prefix's session starts (with env's variables)."""
    env = wine_env({**(env or {}), "WINEPREFIX": prefix})
    template = os.environ.get("WINEPREFIX")
    if template and os.path.abspath(template) != os.path.abspath(prefix) and _prefix_ready(template):
        os.makedirs(prefix, exist_ok=True)
        # Not the file that names the prefix's server folder (Debian's Wine
        # keeps one there): the copy gets a server of its own.
        names = [name for name in os.listdir(template) if name not in ("wineserver", SERVER_LOG)]
        check_run(run_program(["cp", "-a", "--", *[os.path.join(template, n) for n in names], prefix],
                              timeout=600), "copying the prefix")
    else:
        step = "prefix" if ARCH == "i686" else "boot"
        check_run(run_program([RUNTIME32, step, prefix], env=env, timeout=600), "making the prefix")
    if configure:
        configure(prefix)
    keep_server(env)


class HostTest(unittest.TestCase):
    """Base for tests that run the reference host.

    A test that fails or errs carries, after its message, every host run it
    made: command, exit code, standard output and standard error."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zek-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        shutil.copy(os.environ["ZEK_HOST"], os.path.join(self.folder, "zek_host.exe"))
        shutil.copy(os.environ["ZEK_DLL"], os.path.join(self.folder, "ZEK_DideZede.dll"))

    def run(self, result=None):
        self.runs = []
        self._log_start = _log_size(os.environ.get("WINEPREFIX", ""))
        name = self._testMethodName
        method = getattr(self, name, None)
        if method is None:
            return super().run(result)

        @functools.wraps(method)
        def reporting():
            try:
                return method()
            except Exception as error:
                self._attach_runs(error)
                raise

        setattr(self, name, reporting)
        try:
            return super().run(result)
        finally:
            delattr(self, name)

    def _attach_runs(self, error):
        message = str(error)
        parts = ["=== host run %d of %d ===\n%s" % (number, len(self.runs), run.report())
                 for number, run in enumerate(self.runs, 1) if run.report() not in message]
        session = server_log(os.environ.get("WINEPREFIX", ""), self._log_start).rstrip()
        if session:
            parts.append("=== meanwhile the Wine session (server, desktop, services) printed ===\n" + session)
        if not parts:
            return
        note = "\n".join(parts)
        if hasattr(error, "add_note"):
            error.add_note(note)
        elif isinstance(error, AssertionError):
            error.args = ("%s\n%s" % (message, note),)

    def host(self, *args, do=None, env=None, timeout=120, check=True, stdin=None):
        command = [*WINE, os.path.join(self.folder, "zek_host.exe"), *args]
        if do is not None:
            command += ["--do", do]
        environment = wine_env(env)
        keep_server(environment)
        run = run_program(command, cwd=self.folder, env=environment, timeout=timeout, stdin=stdin)
        self.runs.append(run)
        if run.returncode is None:
            self.fail("the host %s\n%s" % (run.ended(), run.report()))
        if check:
            if run.returncode != 0 or "summary" not in run.stdout:
                self.fail("the host %s%s\n%s" % (
                    run.ended(), "" if run.returncode else " without its summary line", run.report()))
            # The CPU, real or emulated, decides which row measure the
            # plug-in runs; the host asks it the same way, so this names the
            # path the run took.
            self.assertEqual((run.fields("cpu ") or {}).get("avx2"), expected_avx2(), run.first("cpu "))
        return run

    def write_frames(self, name, frames):
        """Writes raw frames (bytes objects) back to back; returns the path."""
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            for frame in frames:
                f.write(frame)
        return path


def yuy2_frame(width, height, luma_of_row):
    """A YUY2 frame whose every pixel of row y has luma luma_of_row(y)."""
    rows = []
    for y in range(height):
        luma = luma_of_row(y)
        rows.append(bytes([luma, 128]) * width)
    return b"".join(rows)


if __name__ == "__main__":
    # `harness.py start|stop`: CTest's fixture around a build's end-to-end
    # tests, so that one session serves them all, not one per module.
    import sys
    environment = wine_env()
    if sys.argv[1:] == ["start"]:
        _stop_at_exit = False
        os.environ.pop("ZEK_WINE_SESSION", None)
        keep_server(environment)
        print("Wine session of %s started" % environment["WINEPREFIX"])
    elif sys.argv[1:] == ["stop"]:
        subprocess.run(["wineserver", "-k"], env=environment)
        print(server_log(environment["WINEPREFIX"]))
    else:
        sys.exit("usage: harness.py start | stop")
