#!/usr/bin/python3
"""Stand-ins for the programs the set-up runs beside apt, linked under their
names into the folder put first on PATH (as fake_apt.py is): what makes and
checks a 32-bit runtime (xvfb-run, wineboot, wineserver, the mingw-w64
compiler) and what `./run test --on RELEASE` uses (debootstrap, unshare,
mount, umount, chroot). Each logs its call to $FAKE_APT/calls.log; the
scenario's "debootstrap" and "chroot" lists give each call's outcome in turn,
the last repeating: "ok", "fail", "kill" (the whole run is killed; in the
chroot, while apt installs, which leaves dpkg's journal pending) or, for
chroot, "hold" (the test inside runs until something ends it) and "term"
(the run's PID 1 is sent SIGTERM while the test runs inside, which then
holds). A test that holds says so ("the test runs inside"), and says it
again if nothing has ended it HOLD seconds later. A test inside meets apt's
refusal while dpkg's journal is pending; `dpkg --configure -a` in the chroot
finishes dpkg's work.

unshare is the real one, so that the run's namespaces are the kernel's: what
a signal to PID 1 does, and what a SIGKILL leaves running, is then what it
is on a user's machine.
"""
import json
import os
import shutil
import signal
import sys
import time

STATE = os.environ["FAKE_APT"]
TOOL = os.path.basename(sys.argv[0])
ARGS = sys.argv[1:]
HOLD = 30


def log_call():
    with open(os.path.join(STATE, "calls.log"), "a") as f:
        f.write(" ".join([TOOL] + ARGS) + "\n")


def outcome(kind):
    with open(os.path.join(STATE, "scenario.json")) as f:
        outcomes = json.load(f).get(kind, ["ok"])
    counter = os.path.join(STATE, kind + ".count")
    n = int(open(counter).read()) if os.path.exists(counter) else 0
    with open(counter, "w") as f:
        f.write(str(n + 1))
    return outcomes[min(n, len(outcomes) - 1)]


def run_rest(args):
    """Runs what follows the options, as xvfb-run does."""
    while args and args[0].startswith("-"):
        option = args.pop(0)
        if option == "--":
            break
        if option == "-s":  # an option with a value
            args.pop(0)
    os.execvp(args[0], args)


def wineboot():
    prefix = os.environ["WINEPREFIX"]
    os.makedirs(os.path.join(prefix, "drive_c", "windows", "syswow64"), exist_ok=True)
    open(os.path.join(prefix, "system.reg"), "w").close()


def wineserver():
    """`-k` ends the server of one prefix, the one its caller names (WINEPREFIX,
    else ~/.wine), as the real one does; which one goes to $FAKE_APT/servers-ended."""
    if "-k" in ARGS:
        prefix = os.environ.get("WINEPREFIX") or os.path.join(os.environ["HOME"], ".wine")
        with open(os.path.join(STATE, "servers-ended"), "a") as f:
            f.write(prefix + "\n")


def gcc():
    out = ARGS[ARGS.index("-o") + 1]
    with open(out, "w") as f:
        f.write("MZ a stand-in\n")


def debootstrap():
    target = [a for a in ARGS if not a.startswith("-")][1]
    result = outcome("debootstrap")
    os.makedirs(os.path.join(target, "etc", "apt", "sources.list.d"), exist_ok=True)
    for folder in ("proc", "sys", "dev", "tmp", "root"):
        os.makedirs(os.path.join(target, folder), exist_ok=True)
    if result == "kill" and os.getpgrp() == os.getsid(0):
        os.killpg(0, signal.SIGKILL)
    if result == "fail":
        sys.stderr.write("E: Couldn't download packages: base-files\n")
        sys.exit(1)


def unshare():
    """The real unshare; not as root, in a user namespace of its own, whose
    root may make the others. The mounts' propagation stays as it is: the
    fake mount makes none, and in a chroot (as in a run on another release)
    the root is no mount point whose propagation could change. Its process
    id goes to $FAKE_APT/unshare.pid."""
    here = os.path.dirname(os.path.abspath(sys.argv[0]))
    path = os.pathsep.join(p for p in os.environ["PATH"].split(os.pathsep) if os.path.abspath(p) != here)
    real = shutil.which("unshare", path=path)
    with open(os.path.join(STATE, "unshare.pid"), "w") as f:
        f.write(str(os.getpid()))
    args = ARGS[:]
    while "--propagation" in args:
        del args[args.index("--propagation"):args.index("--propagation") + 2]
    user = [] if os.geteuid() == 0 else ["--user", "--map-root-user"]
    os.execv(real, [real] + user + ["--propagation", "unchanged"] + args)


def hold():
    print("the test runs inside", flush=True)
    time.sleep(HOLD)
    print("the test inside ran on for {} s: nothing ended it".format(HOLD), flush=True)


def chroot():
    journal = os.path.join(ARGS[0], "var", "lib", "dpkg", "updates")
    if ARGS[-3:] == ["dpkg", "--configure", "-a"]:
        shutil.rmtree(journal, ignore_errors=True)
        return
    with open(os.path.join(STATE, "chroot-args.json"), "w") as f:
        json.dump(ARGS, f)  # as the run passed them, spaces and all
    if os.path.isdir(journal) and os.listdir(journal):
        sys.exit("E: dpkg was interrupted, you must manually run 'dpkg --configure -a' to correct the problem.")
    result = outcome("chroot")
    if result == "term":
        os.kill(os.getppid(), signal.SIGTERM)  # the run's PID 1, as a user's kill would reach it
    if result in ("hold", "term"):
        hold()
    if result == "kill" and os.getpgrp() == os.getsid(0):
        os.makedirs(journal, exist_ok=True)
        open(os.path.join(journal, "0001"), "w").close()
        os.killpg(0, signal.SIGKILL)
    sys.exit(1 if result == "fail" else 0)


def nothing():
    pass


if __name__ == "__main__":
    log_call()
    {"xvfb-run": lambda: run_rest(ARGS[:]), "unshare": unshare, "wineboot": wineboot,
     "wineserver": wineserver, "i686-w64-mingw32-gcc": gcc, "debootstrap": debootstrap, "mount": nothing,
     "umount": nothing, "chroot": chroot}[TOOL]()
