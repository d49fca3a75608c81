"""The settings dialog on a desktop of two monitors: the desk screen and,
to its right, a smaller TV on which the viewer runs.

Xvfb's Xinerama puts every screen at 0,0, so the two monitors come from
Xephyr, nested in the display the tests run on, with two screens side by
side and Xinerama on. Wine lists monitors from Xinerama only when its
XRandR support is off (RandR sees one output here); both are set up for a
prefix and a Wine session of this module's own."""
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


def start_two_monitor_display():
    """Starts Xephyr with the desk and the TV screens; returns (process, display)."""
    read, write = os.pipe()
    try:
        server = subprocess.Popen(
            ["Xephyr", "-displayfd", str(write), "-ac", "-nolisten", "tcp", "+xinerama",
             "-screen", "%dx%d" % (DESK[2] - DESK[0], DESK[3] - DESK[1]),
             "-screen", "%dx%d" % (TV[2] - TV[0], TV[3] - TV[1])],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    finally:
        os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()  # written once the server takes connections
    if not number:
        output = server.communicate(timeout=30)[0].decode("utf-8", "replace")
        raise AssertionError("Xephyr did not start (exit %s):\n%s" % (server.returncode, output))
    return server, ":" + number


def turn_off_xrandr(prefix):
    """Wine's X11 driver setting, written before the prefix's server starts
    (a running session would keep the monitors it found)."""
    with open(os.path.join(prefix, "user.reg"), "a", encoding="ascii", newline="\n") as f:
        f.write('\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"UseXRandR"="N"\n')


class TwoMonitors(HostTest):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.display = start_two_monitor_display()
        cls.prefix = os.path.join(tempfile.mkdtemp(prefix="zek-monitors-"), "prefix")
        cls.env = {"DISPLAY": cls.display, "WINEPREFIX": cls.prefix}
        try:
            harness.prepare_prefix(cls.prefix, cls.env, turn_off_xrandr)
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
        # the balloon must go above the field, Wine 8 puts it at y = 32767;
        # on the desk it does not.)
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
