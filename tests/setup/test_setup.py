"""`./run deps` on a bad day of the package mirror, offline: a clone of the
set-up's scripts runs against fake_apt.py (first on PATH as apt-get,
apt-cache, dpkg, dpkg-query and locale) and fake_tools.py (Wine, Xvfb, the
compiler), on a machine of the test's making (its os-release and apt
sources, through ZEK_ETC) with a cache folder of its own, so neither the
machine's apt and release nor the user's cache play a part.

    python3 -m unittest -v test_setup
"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import unittest

import fake_machine

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SCRIPTS = ["run", "setup/apt_steps.sh", "setup/window_check.c", "tests/e2e/wine32_runtime.sh"]
TOOLS = ["apt-get", "apt-cache", "dpkg", "dpkg-query", "locale", "locale-gen"]
OTHER_TOOLS = ["xvfb-run", "wineboot", "wineserver", "i686-w64-mingw32-gcc"]
X11 = ["libxcomposite1", "libxcursor1", "libxfixes3", "libxi6", "libxinerama1", "libxrandr2",
       "libxrender1", "libxxf86vm1"]
MIRROR = {
    "missing": [],
    "known": dict({"wine32:i386": "8.0~repack-4", "libwine:i386": "8.0~repack-4",
                   "libc6:i386": "2.36-9+deb12u14", "qemu-user": "1:7.2+dfsg-7+deb12u13~bpo12+1",
                   "clang": "1:14.0-55.7~deb12u1", "libclang-rt-dev": "1:14.0-55.7~deb12u1"},
                  **{x + ":i386": "1.0" for x in X11}),
    "wine_deps": ["wine32", "libwine", "libc6"],
}
TRIXIE = {
    "known": dict(MIRROR["known"], **{"wine32:i386": "10.0~repack-6", "libwine:i386": "10.0~repack-6",
                                      "qemu-user": "1:10.0.13+ds-0+deb13u1", "clang": "1:19.0-63"}),
    "qemu_from": "release",
}
# The runtime's dynamic loader, on a kernel that refuses 32-bit programs
# unless the test says it runs them (kernel-runs-32-bit); there it says
# how it was started, and answers as Wine to --version.
FAKE_LD_SO = """#!/bin/sh
if [ ! -f "$FAKE_APT/kernel-runs-32-bit" ]; then echo "cannot execute binary file: Exec format error" >&2; exit 126; fi
case "$*" in *wine-i386\\ --version | --version) echo "wine-8.0 (Debian 8.0~repack-4)"; exit 0 ;; esac
echo "natively: $*"
"""
# The recipes of the 32-bit runtime: each number with the hash of the steps
# that make one (see recipe_hash). Steps changed without a new number would
# leave every clone on a runtime made the old way.
RECIPES = {2: "0b18cd0851a8", 3: "7da2e1752ce0"}
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
        self.tmp, self.state, self.bin = fake_machine.make(self, "zek-setup-", {"fake_apt.py": TOOLS,
                                                                               "fake_tools.py": OTHER_TOOLS})
        self.cache = os.path.join(self.tmp, "cache", "ZEK_DideZede")
        make_deb(self.state, "lib", {"usr/lib/wine/wine": ("a loader\n", 0o755),
                                     "usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll": ("MZ\n", 0o644),
                                     "usr/lib/i386-linux-gnu/ld-linux.so.2": (FAKE_LD_SO, 0o755)})
        # The runtime's "Wine": what a 32-bit program prints, or what Wine
        # says when its display driver cannot load, or when the kernel's
        # random layout took the shared user data's page (without a preloader
        # that may happen at any start: here it always does).
        make_deb(self.state, "qemu", {"usr/bin/qemu-i386": (
            '#!/bin/sh\ncase "$*" in *window_check*) ;; *) echo "emulated: $*"; exit 0 ;; esac\n'
            'if [ $((0x$(cat /proc/self/personality) & 0x{:x})) = 0 ]; then\n'
            '  echo "wine: failed to map the shared user data" >&2; exit 1\nfi\n'
            'if [ -f "$FAKE_APT/no-display-driver" ]; then\n'
            '  echo "0024:err:winediag:nodrv_CreateWindow Application tried to create a window, but no driver '
            'could be loaded." >&2; exit 2\nfi\necho "window made; text 40x16"\n'.format(fake_machine.ADDR_NO_RANDOMIZE),
            0o755)})
        self.machine("bookworm")

    def machine(self, release):
        """From now on the machine describes itself as this release."""
        self.etc = fake_machine.describe(os.path.join(self.tmp, "etc-" + release), release)

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
        for log in ("calls.log", "servers-ended"):
            if os.path.exists(os.path.join(self.state, log)):
                os.remove(os.path.join(self.state, log))

    def start(self, clone, env=None):
        """./run deps of the clone, with these variables of the caller's."""
        env = fake_machine.environment(self.tmp, self.state, self.bin, self.etc, **(env or {}))
        # A session of its own: the "kill" outcome ends the run's whole group.
        return subprocess.Popen([os.path.join(clone, "run"), "deps"], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, start_new_session=True,
                                preexec_fn=fake_machine.random_layout)

    def finish(self, process):
        out, _ = process.communicate(timeout=120)
        path = os.path.join(self.state, "calls.log")
        calls = []
        if os.path.exists(path):
            with open(path) as f:
                calls = f.read().splitlines()
        return Run(process, out, calls)

    def deps(self, clone, env=None, **mirror):
        self.mirror(**mirror)
        return self.finish(self.start(clone, env))

    def servers_ended(self):
        """The prefixes whose Wine server `wineserver -k` ended since the mirror was set."""
        path = os.path.join(self.state, "servers-ended")
        if not os.path.exists(path):
            return []
        with open(path) as f:
            return f.read().splitlines()

    def assert_only_checks_servers_ended(self, run):
        ended = self.servers_ended()
        check = re.escape(self.cache) + r"/\.making-wine32-[^/]+/check/prefix"
        self.assertEqual([p for p in ended if not re.fullmatch(check, p)], [],
                         "servers ended: {}\n{}".format(ended, run))
        return ended

    def runtimes(self):
        """The runtime folders in the cache, and those still being made."""
        names = sorted(os.listdir(self.cache)) if os.path.isdir(self.cache) else []
        return ([n for n in names if n.startswith("wine32-")], [n for n in names if n.startswith(".making-")])

    def assert_one_whole_runtime(self, run, *clones,
                                 key="wine32-bookworm-amd64-recipe3-8.0~repack-4-qemu-user-1_7.2+dfsg-7+deb12u13~bpo12+1"):
        made, making = self.runtimes()
        self.assertEqual((len(made), making), (1, []), run)
        runtime = os.path.join(self.cache, made[0])
        for part in (".complete", "qemu/usr/bin/qemu-i386", "root/etc/ld.so.conf", "root/usr/lib/wine/wine64"):
            self.assertTrue(os.path.lexists(os.path.join(runtime, part)), "{} lacks {}\n{}".format(runtime, part, run))
        self.assertFalse(os.path.exists(os.path.join(runtime, "check")), run)  # the window check's prefix is gone
        self.assertEqual(made[0], key, run)
        for clone in clones:
            self.assertEqual(os.readlink(os.path.join(clone, ".cache", "wine32")), runtime, run)
        self.assertIn("the 32-bit runtime is " + runtime, run.out, run)
        self.assert_only_checks_servers_ended(run)

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
        with self.subTest("a system package, while an index failed: the mirror's fault"):
            run = self.deps(self.clone("a"), missing=["ffmpeg"], update=["size"])
            self.assertNotEqual(run.rc, 0, run)
            self.assertIn("The package mirror cannot give what the set-up needs: ffmpeg.", run.out)
            self.assertIn("This is the mirror, not the project", run.out)
            self.assertNotIn("has no package", run.out)
            self.assertIn("    E: Unable to locate package ffmpeg", run.out)
            self.assertIn("The indexes that failed to download: " + FAILED_INDEX, run.out)
            self.assertFalse(run.called("install", "-y"), run)
        self.machine("trixie")
        with self.subTest("a system package this release does not have, every index in: the project's"):
            run = self.deps(self.clone("b"), missing=["xserver-xorg-video-dummy"], **TRIXIE)
            self.assertNotEqual(run.rc, 0, run)
            line = [(n + 1, text.strip()) for n, text in enumerate(open(os.path.join(ROOT, "run")))
                    if " xserver-xorg-video-dummy " in text]
            self.assertIn("Debian 13 (trixie) has no package xserver-xorg-video-dummy.\nThe project asks for "
                          "xserver-xorg-video-dummy here:\n    run:{}: {}\n".format(*line[0]), run.out)
            self.assertIn("This is the project, not the mirror", run.out)
            self.assertNotIn("This is the mirror", run.out)
            self.assertFalse(run.called("install", "-y"), run)
        with self.subTest("a package of the 32-bit runtime this release does not have"):
            run = self.deps(self.clone("c"), wine_deps=MIRROR["wine_deps"] + ["libgone"], **TRIXIE)
            self.assertNotEqual(run.rc, 0, run)
            self.assertIn("Debian 13 (trixie) has no package libgone:i386.\nThe project asks for libgone as "
                          "a dependency of wine32:i386 on this release.", run.out)
            self.assertEqual([c for c in run.called("download") if "--print-uris" not in c], [], run)
            self.assertEqual(self.runtimes()[0], [], run)

    def test_set_up_follows_the_release(self):
        self.machine("trixie")
        with self.subTest("qemu-user 8 or later comes from the release, not its backports"):
            clone = self.clone("a")
            run = self.deps(clone, **TRIXIE)
            self.assertEqual(run.rc, 0, run)
            self.assertEqual([c for c in run.calls if "backports" in c], [], run)
            self.assertTrue(run.called("download", "qemu-user=1:10.0.13+ds-0+deb13u1"), run)
            self.assertIn("window made; text 40x16", run.out, run)
            self.assert_one_whole_runtime(
                run, clone, key="wine32-trixie-amd64-recipe3-10.0~repack-6-qemu-user-1_10.0.13+ds-0+deb13u1")
        with self.subTest("clang's runtime named after clang where the release has no unversioned name"):
            known = dict(TRIXIE["known"])
            del known["libclang-rt-dev"]
            run = self.deps(clone, missing=["libclang-rt-19-dev"], **dict(TRIXIE, known=dict(
                known, **{"libclang-rt-19-dev": "1:19.1.7-3"})))
            self.assertEqual(run.rc, 0, run)
            self.assertTrue(run.called("install", "-y", "libclang-rt-19-dev"), run)

    def test_runtime_that_cannot_show_a_window_is_not_kept(self):
        open(os.path.join(self.state, "no-display-driver"), "w").close()
        clone = self.clone("a")
        run = self.deps(clone)
        self.assertNotEqual(run.rc, 0, run)
        self.assertIn("the new 32-bit runtime cannot start a window (exit 2); it printed:", run.out)
        self.assertIn("no driver could be loaded", run.out)
        self.assertEqual(self.runtimes(), ([], []), run)
        self.assertFalse(os.path.lexists(os.path.join(clone, ".cache", "wine32")), run)

    def test_runtime_check_ends_only_its_own_wine_server(self):
        # The caller has Wine programs open in a prefix of its own, exported.
        own = os.path.join(self.tmp, "own prefix")
        clone = self.clone("a")
        run = self.deps(clone, env={"WINEPREFIX": own})
        ended = self.assert_only_checks_servers_ended(run)
        self.assertEqual(len(ended), 1, "the window check left its own server running: {}\n{}".format(ended, run))
        self.assertEqual(run.rc, 0, run)
        self.assertIn("window made; text 40x16", run.out, run)
        self.assert_one_whole_runtime(run, clone)

    def test_the_runtime_runs_natively_where_the_kernel_runs_32_bit_code(self):
        clone = self.clone("a")
        run = self.deps(clone)
        self.assertEqual(run.rc, 0, run)
        script = os.path.join(clone, "tests", "e2e", "wine32_runtime.sh")
        root = os.path.join(clone, ".cache", "wine32", "root")
        wine = os.path.join(root, "usr", "lib", "wine")
        native = "natively: --inhibit-cache --library-path {0}/lib/i386-linux-gnu:{0}/usr/lib/i386-linux-gnu " \
                 "--argv0 {1}/wine {1}/wine-i386 prog.exe 1".format(root, wine)

        def ask(*args, **env):
            answer = subprocess.run([script, *args], env=fake_machine.environment(
                self.tmp, self.state, self.bin, self.etc, **env), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                text=True, timeout=60)
            return answer.stdout.strip()

        kernel = os.path.join(self.state, "kernel-runs-32-bit")
        for runs_32_bit, forced, way, started in (
                (False, None, "qemu this kernel cannot run the runtime's 32-bit Wine (exit 126: cannot execute "
                              "binary file: Exec format error)", "emulated: "),
                (True, None, "native this kernel runs the runtime's 32-bit Wine (wine-8.0 (Debian 8.0~repack-4))",
                 native),
                (True, "qemu", "qemu ZEK_WINE32=qemu asks for it", "emulated: ")):
            with self.subTest(runs_32_bit=runs_32_bit, forced=forced):
                if runs_32_bit:
                    open(kernel, "w").close()
                elif os.path.exists(kernel):
                    os.remove(kernel)
                env = {"ZEK_WINE32": forced} if forced else {}
                self.assertEqual(ask("way", **env), way)
                # The loader decides for itself when the run has not said.
                for given in ({}, {"ZEK_WINE32": way.split()[0]}):
                    if forced and not given:
                        continue
                    printed = ask("run", "prog.exe", "1", **given)
                    self.assertTrue(printed.startswith(started), "with {} it printed:\n{}".format(given, printed))

    def test_recipe_changes_take_a_new_number(self):
        with open(os.path.join(ROOT, "tests", "e2e", "wine32_runtime.sh")) as f:
            script = f.read()
        recipe = re.search(r"^# --- how a runtime is made.*?^# --- end of the recipe$", script, re.S | re.M)
        number = int(re.search(r"^RECIPE=(\d+)$", script, re.M).group(1))
        with open(os.path.join(ROOT, "setup", "window_check.c"), "rb") as f:
            steps = recipe.group(0).encode() + f.read()
        digest = hashlib.sha256(steps).hexdigest()[:12]
        self.assertEqual(RECIPES.get(number), digest,
                         "the steps that make the 32-bit runtime changed (hash {}) but RECIPE is still {}: give "
                         "wine32_runtime.sh a new RECIPE and record it with its hash in RECIPES".format(digest, number))

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
