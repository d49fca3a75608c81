"""Runs the reference host with the real plug-in DLL under wine.

Each test gets a folder of its own holding copies of the host and the DLL,
because the plug-in keeps its settings file beside the host's executable.
The tests expect an X display (run them under xvfb-run) and these variables,
which CTest sets: ZEK_HOST, ZEK_DLL, WINEPREFIX, ZEK_ARCH (i686 or x86_64) and
ZEK_WINE, the command that runs a Windows program of that architecture: the
system's 64-bit `wine`, or the 32-bit runtime of wine32_runtime.sh.
"""
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest

ARCH = os.environ.get("ZEK_ARCH", "x86_64")
WINE = shlex.split(os.environ.get("ZEK_WINE", "wine"))
# The registry view the build's programs read: a 32-bit program on 64-bit
# Windows sees HKLM\SOFTWARE through WOW6432Node, as its installer wrote it.
REG_VIEW = "/reg:32" if ARCH == "i686" else "/reg:64"
RUNTIME32 = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine32_runtime.sh")

ZOOM = re.compile(r"^zoom frame=(\d+) window=(.*) value=(-?\d+)$")


class Run:
    def __init__(self, folder, completed):
        self.folder = folder
        self.returncode = completed.returncode
        self.stdout = completed.stdout.decode("latin-1")
        self.raw = completed.stdout
        self.lines = [line.rstrip("\r") for line in self.stdout.split("\n") if line.strip()]

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
    env.setdefault("WINEDEBUG", "-all")
    env["WINEDLLOVERRIDES"] = "winedbg.exe=d;mscoree,mshtml="
    if extra:
        env.update(extra)
        # Python started in the C locale exports LC_CTYPE=C.UTF-8 to its
        # children, which would beat a LANG given here: Wine takes its ANSI
        # code page from the character-type locale.
        if "LANG" in extra and "LC_ALL" not in extra:
            env["LC_ALL"] = extra["LANG"]
    return env


def prepare_prefix(prefix):
    """Makes a new Wine prefix able to run the host of the build under test."""
    env = wine_env({"WINEPREFIX": prefix})
    if ARCH == "i686":
        subprocess.run([RUNTIME32, "prefix", prefix], env=env, check=True, timeout=600,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    else:
        subprocess.run(["wineboot", "-i"], env=env, timeout=600,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, timeout=600)


class HostTest(unittest.TestCase):
    """Base for tests that run the reference host."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zek-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        shutil.copy(os.environ["ZEK_HOST"], os.path.join(self.folder, "zek_host.exe"))
        shutil.copy(os.environ["ZEK_DLL"], os.path.join(self.folder, "ZEK_DideZede.dll"))

    def host(self, *args, do=None, env=None, timeout=120, check=True):
        command = [*WINE, os.path.join(self.folder, "zek_host.exe"), *args]
        if do is not None:
            command += ["--do", do]
        completed = subprocess.run(command, cwd=self.folder, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, env=wine_env(env), timeout=timeout)
        run = Run(self.folder, completed)
        if check:
            self.assertEqual(run.returncode, 0, run.stdout)
            self.assertIn("summary", run.stdout, run.stdout)
            # The emulated CPU decides which row measure the plug-in runs;
            # the host asks the CPU the same way, so this names the path.
            expected = os.environ.get("ZEK_EXPECT_AVX2")
            if expected is not None:
                self.assertEqual(run.fields("cpu ")["avx2"], expected, run.first("cpu "))
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
