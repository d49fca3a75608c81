"""`./run test --on RELEASE`, offline: a checkout at a path with a space and
a quote runs against fake debootstrap, unshare, mount, umount and chroot
(fake_tools.py), on a machine of the test's making, with a cache folder of
its own. What is held: the chroot is made once, whole or not at all; the
paths reach the chroot's command intact; every mount is undone, in reverse
order, however the run inside ends; whatever ends the run (a signal to its
script, its unshare or its PID 1) ends every process in it at once, and
leaves the chroot's lock free.

    python3 -m unittest -v test_other_release
"""
import fcntl
import json
import os
import select
import shutil
import signal
import subprocess
import unittest

import fake_machine

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SCRIPTS = ["run", "setup/apt_steps.sh", "setup/other_release.sh"]
TOOLS = {"fake_apt.py": ["apt-get", "apt-cache", "dpkg"],
         "fake_tools.py": ["debootstrap", "unshare", "mount", "umount", "chroot"]}
INSIDE = "/root/My Projects/ZEK_DideZede"
CHROOT = "debian-trixie-amd64-recipe1"
MOUNTS = ["proc", "sys", "dev", "tmp"]


def git(folder, *args):
    subprocess.run(["git", "-C", folder, "-c", "user.name=t", "-c", "user.email=t@t.invalid"] + list(args),
                   check=True, capture_output=True)


class RunOnAnotherRelease(unittest.TestCase):
    def setUp(self):
        self.tmp, self.state, self.bin = fake_machine.make(self, "zek-other-", TOOLS)
        self.cache = os.path.join(self.tmp, "cache", "ZEK_DideZede")
        self.etc = fake_machine.describe(os.path.join(self.tmp, "etc"), "bookworm")
        # The checkout: committed, with a change to a tracked file and a file git does not track.
        self.checkout = os.path.join(self.tmp, "My checkout's copy")
        for script in SCRIPTS:
            os.makedirs(os.path.dirname(os.path.join(self.checkout, script)), exist_ok=True)
            shutil.copy2(os.path.join(ROOT, script), os.path.join(self.checkout, script))
        with open(os.path.join(self.checkout, "notes.txt"), "w") as f:
            f.write("committed\n")
        git(self.checkout, "init", "-q")
        git(self.checkout, "add", ".")
        git(self.checkout, "commit", "-q", "-m", "the checkout")
        with open(os.path.join(self.checkout, "notes.txt"), "w") as f:
            f.write("changed, not committed\n")
        open(os.path.join(self.checkout, "untracked.txt"), "w").close()

    def start(self, **scenario):
        """`./run test --on trixie` with each fake's outcomes in turn."""
        for f in os.listdir(self.state):
            os.remove(os.path.join(self.state, f))
        with open(os.path.join(self.state, "scenario.json"), "w") as f:
            json.dump(dict({"known": {}, "wine_deps": []}, **scenario), f)
        env = fake_machine.environment(self.tmp, self.state, self.bin, self.etc, JOBS="3", TERM="dumb")
        # A session of its own: the "kill" outcome ends the run's whole group.
        # Unbuffered, to read what it printed so far while it runs.
        return subprocess.Popen([os.path.join(self.checkout, "run"), "test", "--on", "trixie"], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=0,
                                start_new_session=True)

    @staticmethod
    def read_until(process, text):
        """What the run printed up to text (or all of it, when it ends first)."""
        out = b""
        while text.encode() not in out:
            ready, _, _ = select.select([process.stdout], [], [], 120)
            chunk = os.read(process.stdout.fileno(), 65536) if ready else b""
            if not chunk:
                break
            out += chunk
        return out.decode()

    def finish(self, process, out=""):
        """Waits for the run's output to end: every process of the run holds it."""
        rest, _ = process.communicate(timeout=120)
        out += rest.decode()
        with open(os.path.join(self.state, "calls.log")) as f:
            calls = f.read().splitlines()
        args = None
        if os.path.exists(os.path.join(self.state, "chroot-args.json")):
            with open(os.path.join(self.state, "chroot-args.json")) as f:
                args = json.load(f)
        report = "exit {}; it printed:\n{}\nfake calls:\n{}".format(process.returncode, out, "\n".join(calls))
        return process.returncode, calls, args, report

    def run_on(self, **scenario):
        return self.finish(self.start(**scenario))

    def chroots(self):
        names = sorted(os.listdir(self.cache)) if os.path.isdir(self.cache) else []
        return [n for n in names if n.startswith("debian-") and not n.endswith(".lock")], \
               [n for n in names if n.startswith(".making-")]

    def assert_mounts_undone(self, calls, report):
        mounts = [c for c in calls if c.startswith("mount ")]
        umounts = [c for c in calls if c.startswith("umount ")]
        where = os.path.join(self.cache, CHROOT)
        self.assertEqual([m.split()[-1] for m in mounts], [os.path.join(where, m) for m in MOUNTS], report)
        self.assertEqual(umounts, ["umount -R " + os.path.join(where, m) for m in reversed(MOUNTS)], report)

    def test_a_run_in_a_chroot_made_once(self):
        # More files git does not track than a pipe holds the names of.
        many = [os.path.join("build output", "{:04d}-{}".format(n, "x" * 90)) for n in range(2000)]
        os.makedirs(os.path.join(self.checkout, "build output"))
        for name in many:
            open(os.path.join(self.checkout, name), "w").close()
        rc, calls, args, report = self.run_on()
        self.assertEqual(rc, 0, report)
        made = [c for c in calls if c.startswith("debootstrap ")]
        self.assertEqual(len(made), 1, report)
        self.assertIn("--variant=minbase --include=git,ca-certificates "
                      "--keyring=/usr/share/keyrings/debian-archive-keyring.gpg trixie ", made[0], report)
        self.assertTrue(made[0].endswith(" http://mirror.invalid/debian"), report)
        self.assertEqual(self.chroots(), ([CHROOT], []), report)
        chroot = os.path.join(self.cache, CHROOT)
        with open(os.path.join(chroot, "etc", "apt", "sources.list.d", "debian.sources")) as f:
            self.assertEqual(f.read(), fake_machine.SOURCES.format("trixie"), report)
        # Paths with spaces and quotes reach the chroot's command as they are.
        self.assertEqual(args, [chroot, "/usr/bin/env", "-i", "HOME=/root",
                                "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin",
                                "LANG=C.UTF-8", "TERM=dumb", "JOBS=3", "ZEK_APT_PAUSE=0", "/bin/bash", "-c",
                                'cd "$1" || exit; status=0\n'
                                'for command in package demo test; do ./run "$command" || status=$?; done\n'
                                'exit "$status"', "run-test", INSIDE], report)
        clone = chroot + INSIDE
        with open(os.path.join(clone, "notes.txt")) as f:
            self.assertEqual(f.read(), "changed, not committed\n", report)
        self.assertFalse(os.path.exists(os.path.join(clone, "untracked.txt")), report)
        self.assertIn("not in the clone, as git does not track them (2001): {} ...".format(" ".join(many[:5])), report)
        resolv_conf = os.path.join(chroot, "etc", "resolv.conf")
        with open(resolv_conf) as f:
            self.assertEqual(f.read(), fake_machine.RESOLV_CONF, report)
        self.assert_mounts_undone(calls, report)

        with self.subTest("the next run takes the same chroot and a fresh clone"):
            open(os.path.join(clone, "left-by-the-last-run"), "w").close()
            # The chroot's resolv.conf became a symlink that names a path of this machine.
            machines = os.path.join(self.tmp, "the machine's own resolv.conf")
            with open(machines, "w") as f:
                f.write("the machine's own\n")
            os.remove(resolv_conf)
            os.symlink(machines, resolv_conf)
            rc, calls, args, report = self.run_on()
            self.assertEqual(rc, 0, report)
            self.assertEqual([c for c in calls if c.startswith("debootstrap ")], [], report)
            self.assertIn("Debian trixie: using the chroot in " + chroot, report)
            self.assertFalse(os.path.exists(os.path.join(clone, "left-by-the-last-run")), report)
            with open(machines) as f:
                self.assertEqual(f.read(), "the machine's own\n", report)
            self.assertFalse(os.path.islink(resolv_conf), report)
            with open(resolv_conf) as f:
                self.assertEqual(f.read(), fake_machine.RESOLV_CONF, report)

    def test_every_mount_is_undone_however_the_test_inside_ends(self):
        for outcome, status in (("fail", 1), ("term", 143)):
            with self.subTest(outcome):
                rc, calls, _, report = self.run_on(chroot=[outcome])
                self.assertEqual(rc, status, report)
                self.assertIn("./run test in Debian trixie ended with exit {}".format(status), report)
                self.assertNotIn("nothing ended it", report)  # SIGTERM ends the test inside, not its end
                self.assert_mounts_undone(calls, report)

    def test_a_run_killed_while_apt_installs_inside_leaves_a_chroot_that_works(self):
        rc, _, _, report = self.run_on(chroot=["kill"])
        self.assertEqual(rc, -9, report)
        rc, _, _, report = self.run_on()
        self.assertEqual(rc, 0, report)

    def test_a_killed_run_leaves_no_process_and_no_lock(self):
        for killed in ("script", "unshare"):
            with self.subTest("kill -9 of the run's " + killed):
                process = self.start(chroot=["hold"])
                out = self.read_until(process, "the test runs inside")
                if "the test runs inside" in out:
                    with open(os.path.join(self.state, "unshare.pid")) as f:
                        os.kill(process.pid if killed == "script" else int(f.read()), signal.SIGKILL)
                rc, _, _, report = self.finish(process, out)  # ends when every process of the run has
                self.assertIn("the test runs inside", report)
                self.assertNotIn("nothing ended it", report)
                self.assertEqual(rc, -9 if killed == "script" else 137, report)
                with open(os.path.join(self.cache, CHROOT + ".lock")) as lock:
                    try:
                        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                    except BlockingIOError:
                        self.fail("the chroot's lock is still held\n" + report)

    def test_a_chroot_is_taken_only_when_whole(self):
        rc, calls, _, report = self.run_on(debootstrap=["fail"])
        self.assertEqual(rc, 1, report)
        self.assertIn("debootstrap of trixie failed 4 times; the last one printed:\n"
                      "E: Couldn't download packages: base-files", report)
        self.assertEqual(len([c for c in calls if c.startswith("debootstrap ")]), 4, report)
        self.assertEqual(self.chroots(), ([], []), report)  # the half-made root went with the last try

        rc, calls, _, report = self.run_on(debootstrap=["kill"])
        self.assertEqual(rc, -9, report)
        made, making = self.chroots()
        self.assertEqual((made, len(making)), ([], 1), report)
        self.assertFalse([c for c in calls if c.startswith(("mount ", "chroot "))], report)

        rc, calls, _, report = self.run_on(debootstrap=["fail", "ok"])
        self.assertEqual(rc, 0, report)
        self.assertIn("removing {}, left by a chroot that was stopped halfway".format(
            os.path.join(self.cache, making[0])), report)
        self.assertIn("debootstrap failed: E: Couldn't download packages: base-files; trying again in 0 s", report)
        self.assertEqual(len([c for c in calls if c.startswith("debootstrap ")]), 2, report)
        self.assertEqual(self.chroots(), ([CHROOT], []), report)


if __name__ == "__main__":
    unittest.main()
