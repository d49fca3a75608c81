"""`./run deps` on a bad day of the package mirror, offline: a clone of the
set-up's scripts runs against fake_apt.py (first on PATH as apt-get,
apt-cache, dpkg, dpkg-query and locale) with a cache folder of its own, so
neither the machine's apt nor the user's cache is touched.

    python3 -m unittest -v test_setup
"""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SCRIPTS = ["run", "setup/apt_steps.sh", "tests/e2e/wine32_runtime.sh"]
TOOLS = ["apt-get", "apt-cache", "dpkg", "dpkg-query", "locale", "locale-gen"]
X11 = ["libxcomposite1", "libxcursor1", "libxfixes3", "libxi6", "libxinerama1", "libxrandr2",
       "libxrender1", "libxxf86vm1"]
MIRROR = {
    "missing": [],
    "known": dict({"wine32:i386": "8.0~repack-4", "libwine:i386": "8.0~repack-4",
                   "libc6:i386": "2.36-9+deb12u14", "qemu-user": "1:7.2+dfsg-7+deb12u13~bpo12+1"},
                  **{x + ":i386": "1.0" for x in X11}),
    "wine_deps": ["wine32", "libwine", "libc6"],
}
FAILED_INDEX = ("bookworm-security/main/binary-i386/Packages.xz (File has unexpected size "
                "(374820 != 376004). Mirror sync in progress?)")


class Run:
    def __init__(self, process, out, calls):
        self.rc, self.out, self.calls = process.returncode, out, calls

    def called(self, *words):
        return [c for c in self.calls if all(w in c.split() for w in words)]

    def __str__(self):
        return "exit {}; it printed:\n{}\nfake apt calls:\n{}".format(self.rc, self.out, "\n".join(self.calls))


def make_deb(folder, name, files):
    tree = os.path.join(folder, name)
    os.makedirs(os.path.join(tree, "DEBIAN"))
    with open(os.path.join(tree, "DEBIAN", "control"), "w") as f:
        f.write("Package: {}\nVersion: 1.0\nArchitecture: i386\nMaintainer: test <t@t.invalid>\n"
                "Description: a stand-in\n".format(name))
    for path, (text, mode) in files.items():
        os.makedirs(os.path.dirname(os.path.join(tree, path)), exist_ok=True)
        with open(os.path.join(tree, path), "w") as f:
            f.write(text)
        os.chmod(os.path.join(tree, path), mode)
    subprocess.run(["dpkg-deb", "--build", "--root-owner-group", tree, os.path.join(folder, name + ".deb")],
                   check=True, capture_output=True)


class DepsOnABadMirrorDay(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="zek-setup-")
        self.addCleanup(shutil.rmtree, self.tmp)
        self.state = os.path.join(self.tmp, "mirror")
        self.bin = os.path.join(self.tmp, "bin")
        self.cache = os.path.join(self.tmp, "cache", "ZEK_DideZede")
        os.makedirs(self.state)
        os.makedirs(self.bin)
        for tool in TOOLS:
            os.symlink(os.path.join(HERE, "fake_apt.py"), os.path.join(self.bin, tool))
        make_deb(self.state, "lib", {"usr/lib/wine/README": ("a library\n", 0o644)})
        make_deb(self.state, "qemu", {"usr/bin/qemu-i386": ("#!/bin/sh\n", 0o755)})

    def clone(self, name):
        for script in SCRIPTS:
            target = os.path.join(self.tmp, name, script)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copy2(os.path.join(ROOT, script), target)
        return os.path.join(self.tmp, name)

    def mirror(self, **changes):
        """From now on the mirror is MIRROR with these changes, met afresh."""
        for f in os.listdir(self.state):
            if f.endswith(".count"):
                os.remove(os.path.join(self.state, f))  # each run meets its mirror afresh
        with open(os.path.join(self.state, "scenario.json"), "w") as f:
            json.dump(dict(MIRROR, **changes), f)
        calls = os.path.join(self.state, "calls.log")
        if os.path.exists(calls):
            os.remove(calls)

    def start(self, clone):
        """./run deps of the clone."""
        env = dict(os.environ, PATH=self.bin + os.pathsep + os.environ["PATH"], FAKE_APT=self.state,
                   XDG_CACHE_HOME=os.path.dirname(self.cache), HOME=os.path.join(self.tmp, "home"),
                   ZEK_APT_PAUSE="0")
        # A session of its own: the "kill" outcome ends the run's whole group.
        return subprocess.Popen([os.path.join(clone, "run"), "deps"], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, start_new_session=True)

    def finish(self, process):
        out, _ = process.communicate(timeout=120)
        path = os.path.join(self.state, "calls.log")
        calls = []
        if os.path.exists(path):
            with open(path) as f:
                calls = f.read().splitlines()
        return Run(process, out, calls)

    def deps(self, clone, **mirror):
        self.mirror(**mirror)
        return self.finish(self.start(clone))

    def runtimes(self):
        """The runtime folders in the cache, and those still being made."""
        names = sorted(os.listdir(self.cache)) if os.path.isdir(self.cache) else []
        return ([n for n in names if n.startswith("wine32-")], [n for n in names if n.startswith(".making-")])

    def assert_one_whole_runtime(self, run, *clones):
        made, making = self.runtimes()
        self.assertEqual((len(made), making), (1, []), run)
        runtime = os.path.join(self.cache, made[0])
        for part in (".complete", "qemu/usr/bin/qemu-i386", "root/etc/ld.so.conf", "root/usr/lib/wine/wine64"):
            self.assertTrue(os.path.lexists(os.path.join(runtime, part)), "{} lacks {}\n{}".format(runtime, part, run))
        self.assertEqual(made[0], "wine32-bookworm-8.0~repack-4-qemu-user-1_7.2+dfsg-7+deb12u13~bpo12+1", run)
        for clone in clones:
            self.assertEqual(os.readlink(os.path.join(clone, ".cache", "wine32")), runtime, run)
        self.assertIn("the 32-bit runtime is " + runtime, run.out, run)

    def test_update_failing_once_is_tried_again(self):
        clone = self.clone("a")
        run = self.deps(clone, missing=["ffmpeg"], known=dict(MIRROR["known"], ffmpeg="7:5.1"),
                        update=["size", "ok"])
        self.assertEqual(run.rc, 0, run)
        self.assertIn("apt-get update, try 1 of 4, failed: " + FAILED_INDEX + "; trying again in 0 s", run.out)
        self.assertEqual(len([c for c in run.called("update") if "backports.list" not in c]), 2, run)
        self.assertNotIn("going on with the lists that arrived", run.out, run)
        self.assertTrue(run.called("install", "-y", "ffmpeg"), run)
        self.assert_one_whole_runtime(run, clone)

    def test_index_failing_every_time_is_named_and_the_run_goes_on(self):
        clone = self.clone("a")
        run = self.deps(clone, missing=["ffmpeg"], known=dict(MIRROR["known"], ffmpeg="7:5.1"), update=["size"])
        self.assertEqual(run.rc, 0, run)
        self.assertEqual(run.out.count("going on with the lists that arrived; these failed 4 times: " + FAILED_INDEX),
                         1, run)
        self.assertEqual(len([c for c in run.called("update") if "backports.list" not in c]), 4, run)
        self.assertTrue(run.called("install", "-y", "ffmpeg"), run)

    def test_package_that_does_not_resolve_stops_the_run_naming_it(self):
        with self.subTest("a system package"):
            run = self.deps(self.clone("a"), missing=["ffmpeg"], update=["size"])
            self.assertNotEqual(run.rc, 0, run)
            self.assertIn("The package mirror cannot give what the set-up needs: ffmpeg.", run.out)
            self.assertIn("This is the mirror, not the project", run.out)
            self.assertIn("    E: Unable to locate package ffmpeg", run.out)
            self.assertIn("The indexes that failed to download: " + FAILED_INDEX, run.out)
            self.assertFalse(run.called("install", "-y"), run)
        with self.subTest("a package of the 32-bit runtime"):
            run = self.deps(self.clone("b"), wine_deps=MIRROR["wine_deps"] + ["libgone"])
            self.assertNotEqual(run.rc, 0, run)
            self.assertIn("The package mirror cannot give what the set-up needs: libgone:i386.", run.out)
            self.assertEqual([c for c in run.called("download") if "--print-uris" not in c], [], run)
            self.assertEqual(self.runtimes()[0], [], run)

    def test_download_failing_with_a_size_mismatch_is_tried_again(self):
        clone = self.clone("a")
        run = self.deps(clone, download=["size", "size", "ok"])
        self.assertEqual(run.rc, 0, run)
        for attempt in (1, 2):
            self.assertIn("downloading qemu-user, try {} of 4: a download failed (unexpected size): "
                          "qemu-user_1.0_i386.deb (File has unexpected size (374820 != 376004). Mirror sync in "
                          "progress?); trying again in 0 s".format(attempt), run.out)
        self.assert_one_whole_runtime(run, clone)
        with self.subTest("no such package is not tried again"):
            shutil.rmtree(self.cache)
            run = self.deps(clone, download=["locate"])
            self.assertNotEqual(run.rc, 0, run)
            self.assertEqual(len([c for c in run.called("download") if "--print-uris" not in c]), 1, run)
            self.assertIn("downloading qemu-user failed (apt-get ended 100 after 1 tries)", run.out)
        with self.subTest("a version the mirror has replaced since the lists came: lists refreshed, tried again"):
            shutil.rmtree(self.cache)
            run = self.deps(clone, download=["ok", "gone", "ok"])
            self.assertEqual(run.rc, 0, run)
            self.assertIn("404  Not Found", run.out)
            self.assertIn("the package lists are older than the mirror: refreshing them and trying once more", run.out)
            self.assertEqual(len([c for c in run.called("update") if "backports.list" not in c]), 1, run)
            self.assert_one_whole_runtime(run, clone)

    def test_fetch_killed_halfway_is_never_taken_for_complete(self):
        first = self.clone("a")
        run = self.deps(first, download=["ok", "kill"])
        self.assertEqual(run.rc, -9, run)
        made, making = self.runtimes()
        self.assertEqual((made, len(making)), ([], 1), run)
        half = os.path.join(self.cache, making[0])
        self.assertTrue(os.listdir(os.path.join(half, "debs")), run)
        self.assertFalse(os.path.lexists(os.path.join(first, ".cache", "wine32")), run)

        run = self.deps(first)
        self.assertEqual(run.rc, 0, run)
        self.assertIn("removing {}, left by a fetch that was stopped halfway".format(half), run.out)
        self.assertEqual(len([c for c in run.called("download") if "libwine:i386" in c]), 2, run)  # URIs, then debs
        self.assert_one_whole_runtime(run, first)

        second = self.clone("b")
        run = self.deps(second)
        self.assertEqual(run.rc, 0, run)
        self.assertIn("32-bit runtime: using the cache in", run.out)
        self.assertEqual((run.called("download"), run.called("update")), ([], []), run)
        self.assert_one_whole_runtime(run, first, second)

    def test_two_runs_at_once_make_one_runtime(self):
        clones = [self.clone("a"), self.clone("b")]
        self.mirror(download=["slow"])
        runs = [self.finish(p) for p in [self.start(c) for c in clones]]
        report = "\n\n".join(map(str, runs))
        self.assertEqual([r.rc for r in runs], [0, 0], report)
        calls = runs[0].calls  # one log: both runs wrote to it
        self.assertEqual(len([c for c in calls if "download" in c.split() and "--print-uris" not in c]), 2, report)
        for run in runs:
            self.assert_one_whole_runtime(run, *clones)


if __name__ == "__main__":
    unittest.main()
