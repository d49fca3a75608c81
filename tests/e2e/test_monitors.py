"""The settings dialog on a desktop of two monitors: the desk screen and,
to its right, a smaller TV on which the viewer runs.

The desktop is an X server of its own with two RandR outputs side by side:
Xorg with its dummy video driver, whose outputs xrandr gives modes and
places. Wine lists monitors from RandR, as it does on a real desktop, under
Wine 8 and Wine 10 alike. (Xvfb has one output, and Xephyr's screens under
Xinerama reach Wine 10 as two monitors at the same place.) The tests have a
prefix and a Wine session of their own on that display."""
import os
import shutil
import subprocess
import tempfile
import unittest

import harness
from harness import HostTest
from test_dialog import dumps, ini, rect, section

DESK = (0, 0, 1280, 1024)
TV = (1280, 0, 2560, 720)
XORG_CONF = """Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Screen"
  Identifier "desktop"
  Device "dummy"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 2560 1024
  EndSubSection
EndSection
"""
# The outputs' modes: the standard timings of 1280 x 1024 and 1280 x 720.
MODES = [("DUMMY0", "desk", "108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync", DESK),
         ("DUMMY1", "tv", "74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync", TV)]


def xrandr(display, *args):
    done = subprocess.run(["xrandr"] + list(args), env=dict(os.environ, DISPLAY=display),
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)
    if done.returncode:
        raise AssertionError("xrandr %s failed (exit %d):\n%s" % (" ".join(args), done.returncode, done.stdout))
    return done.stdout


def start_two_monitor_display(folder):
    """Starts Xorg with the desk and the TV outputs; returns (process, display)."""
    conf, log = os.path.join(folder, "xorg.conf"), os.path.join(folder, "xorg.log")
    with open(conf, "w") as f:
        f.write(XORG_CONF)
    read, write = os.pipe()
    try:
        server = subprocess.Popen(
            ["Xorg", "-displayfd", str(write), "-config", conf, "-logfile", log, "-noreset", "-nolisten", "tcp",
             "-novtswitch", "-sharevts"],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    finally:
        os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()  # written once the server takes connections
    if not number:
        output = server.communicate(timeout=30)[0].decode("utf-8", "replace")
        xlog = open(log, errors="replace").read() if os.path.exists(log) else "(no log)"
        raise AssertionError("Xorg did not start (exit %s):\n%s\n%s" % (server.returncode, output, xlog))
    display = ":" + number
    try:
        placed = []
        for output, mode, timings, (left, top, right, bottom) in MODES:
            xrandr(display, "--newmode", mode, *timings.split())
            xrandr(display, "--addmode", output, mode)
            placed += ["--output", output, "--mode", mode, "--pos", "%dx%d" % (left, top)]
        xrandr(display, *(placed + ["--output", MODES[0][0], "--primary"]))
        monitors = xrandr(display, "--listmonitors")
        if not monitors.startswith("Monitors: 2"):
            raise AssertionError("the display has not the two monitors:\n" + monitors)
    except BaseException:
        server.terminate()
        server.wait(timeout=30)
        raise
    return server, display


class TwoMonitors(HostTest):
    @classmethod
    def setUpClass(cls):
        folder = tempfile.mkdtemp(prefix="zek-monitors-")
        try:
            cls.server, cls.display = start_two_monitor_display(folder)
        except BaseException:
            shutil.rmtree(folder, True)
            raise
        cls.prefix = os.path.join(folder, "prefix")
        cls.env = {"DISPLAY": cls.display, "WINEPREFIX": cls.prefix}
        try:
            harness.prepare_prefix(cls.prefix, cls.env)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        if os.path.isdir(cls.prefix):
            subprocess.run(["wineserver", "-k"], env=harness.wine_env(cls.env),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(os.path.dirname(cls.prefix), True)
        cls.server.terminate()
        cls.server.wait(timeout=30)

    def host(self, do):
        """Runs the host on the two monitors; fails at once if Wine saw fewer."""
        run = super().host(env=self.env, do="monitors; " + do)
        self.assertEqual([line for line in run.lines if line.startswith("monitor ")], [
            "monitor %d,%d,%d,%d primary=1" % DESK, "monitor %d,%d,%d,%d primary=0" % TV], run.report())
        return run

    def test_the_dialog_opens_over_the_viewer_on_the_tv_and_comes_back_there(self):
        run = self.host(do=(
            "hostmove 1500 100 800 500; setup; pump 100; dump; move 2100 400; close; "
            "setup; pump 100; dump; click 5002; done"))
        opened, reopened = dumps(run)
        r = rect(opened["rect"])
        # Centred over the viewer (centre 1900, 350), wholly on the TV; one
        # screen's rule would have pushed it back to end at x = 1280.
        self.assertLessEqual(abs((r[0] + r[2]) // 2 - 1900), 1, opened)
        self.assertLessEqual(abs((r[1] + r[3]) // 2 - 350), 1, opened)
        self.assertTrue(TV[0] <= r[0] and r[2] <= TV[2] and r[3] <= TV[3], opened)
        # A position on the TV is kept, where one screen's rule centred again.
        self.assertEqual(rect(reopened["rect"])[:2], (2100, 400))
        self.assertEqual(section(ini(run), "DIALOG"), {"DlgWndPosX": "2100", "DlgWndPosY": "400"})

    def test_centring_stays_within_the_tvs_own_edges(self):
        # The viewer in the TV's lower right corner: the dialog ends at the
        # TV's right and bottom edges (2560, 720), not at the desk's 1024 rows.
        state = dumps(self.host(do="hostmove 2300 600 300 300; setup; pump 100; dump; done"))[0]
        self.assertEqual(rect(state["rect"])[2:], (TV[2], TV[3]), state)

    def test_the_balloon_points_at_the_field_on_the_tv(self):
        # At the TV's right edge, a refused value's balloon points at the
        # field's lower right corner there. (At the TV's bottom edge, where
        # the balloon must go above the field, Wine puts it off every screen:
        # Wine 8 at y = 32767, Wine 10 there too for a 32-bit program and
        # above the top, at y = -72, for a 64-bit one; on the desk it does not.)
        state = dumps(self.host(do="hostmove 2300 100 300 300; setup; pump 100; clear 5105; key 5105 enter; "
                                   "pump 100; dump; done"))[0]
        self.assertEqual(rect(state["rect"])[2], TV[2], state)
        edit, balloon = rect(state["edit_rect"]), rect(state["balloon_rect"])
        self.assertEqual(state["balloon"], "1", state)
        self.assertTrue(TV[0] <= balloon[0] <= edit[2] <= balloon[2] <= TV[2], (edit, balloon))
        self.assertLessEqual(abs(balloon[1] - edit[3]), 2, (edit, balloon))

    def test_a_minimised_viewer_gets_the_dialog_over_where_it_comes_back(self):
        # Minimised from the TV, the viewer's own rectangle is its icon (Wine
        # puts it in the TV's lower left corner, Windows far off screen); the
        # dialog opens over where the viewer comes back to. Moved off every
        # monitor before OK, the dialog is centred again at the next opening.
        run = self.host(do=(
            "hostmove 1500 100 800 500; hostshow minimise; setup; pump 100; dump; move 9000 9000; click 5002; "
            "hostshow restore; hostshow maximise; hostshow minimise; setup; pump 100; dump; click 5002; done"))
        shows = [line for line in run.lines if line.startswith("hostshow minimise")]
        self.assertEqual([line.split()[2] for line in shows], ["iconic=1", "iconic=1"], run.report())
        self.assertIn("to_maximised=1", shows[1], run.report())
        states = dumps(run)
        self.assertEqual(len(states), 2, run.report())
        for state, centre in zip(states, [(1900, 350), ((TV[0] + TV[2]) // 2, (TV[1] + TV[3]) // 2)]):
            r = rect(state["rect"])
            self.assertLessEqual(abs((r[0] + r[2]) // 2 - centre[0]), 1, (centre, run.report()))
            self.assertLessEqual(abs((r[1] + r[3]) // 2 - centre[1]), 1, (centre, run.report()))
            self.assertTrue(TV[0] <= r[0] and r[2] <= TV[2] and r[3] <= TV[3], (centre, run.report()))

if __name__ == "__main__":
    unittest.main()
