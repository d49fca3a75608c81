#!/usr/bin/python3
"""A stand-in for apt-get, apt-cache, dpkg, dpkg-query and locale, and a
guard against locale-gen, linked under those names into a folder put first
on PATH. It plays a package mirror as $FAKE_APT/scenario.json describes it,
logs every call to $FAKE_APT/calls.log, and refuses whatever it does not
know, so that a test never reaches the machine's real apt.

scenario.json:
  missing      system packages that dpkg-query has never heard of
  known        packages apt can find: name -> version
  qemu_from    "backports" (the default: "qemu-user" only from there) or
               "release" (only from the release's own lists)
  wine_deps    what the dependency walk of wine32:i386 names
  update, backports_update, install, download
               outcome of each call in turn, the last one repeating:
               "ok", "size" (a size mismatch), "locate" (no such package),
               "kill" (the whole run is killed halfway through a download),
               "slow" (a download that takes a second),
               "gone" (the mirror has replaced a version the lists name: 404)
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
MIRROR = "http://mirror.invalid"
SIZE = ("E: Failed to fetch {}  File has unexpected size (374820 != 376004). Mirror sync in progress? "
        "[IP: 192.0.2.1 80]")


def scenario():
    with open(os.path.join(STATE, "scenario.json")) as f:
        return json.load(f)


def log_call():
    with open(os.path.join(STATE, "calls.log"), "a") as f:
        f.write(" ".join([TOOL] + ARGS) + "\n")


def outcome(kind):
    """The next outcome of this kind of call; the last one repeats."""
    outcomes = scenario().get(kind, ["ok"])
    counter = os.path.join(STATE, kind + ".count")
    n = int(open(counter).read()) if os.path.exists(counter) else 0
    with open(counter, "w") as f:
        f.write(str(n + 1))
    return outcomes[min(n, len(outcomes) - 1)]


def backports():
    return any("backports.list" in a for a in ARGS)


def words():
    """The arguments that are not options (nor an option's value)."""
    out, skip = [], False
    for a in ARGS:
        if skip:
            skip = False
        elif a == "-o":
            skip = True
        elif not a.startswith("-"):
            out.append(a)
    return out


def base_name(name):
    """The package of "name/suite" or "name=version"."""
    return name.split("/")[0].split("=")[0]


def version_of(name):
    """None when the mirror has no such package for this source list."""
    base = base_name(name)
    from_backports = base == "qemu-user" and scenario().get("qemu_from", "backports") == "backports"
    if backports() != from_backports:
        return None
    if backports() and not os.path.exists(os.path.join(STATE, "backports.lists")):
        return None  # no lists fetched yet
    return scenario()["known"].get(base)


def unresolved(names):
    return [n for n in names if version_of(n) is None]


def fail(lines, code=100):
    sys.stderr.write("\n".join(lines) + "\n")
    sys.exit(code)


def apt_get():
    command, names = words()[0], words()[1:]
    if command == "update":
        kind = "backports_update" if backports() else "update"
        if backports():
            open(os.path.join(STATE, "backports.lists"), "w").close()  # what arrived is kept
        if outcome(kind) == "size":
            fail([SIZE.format(MIRROR + "/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"),
                  "E: Some index files failed to download. They have been ignored, or old ones used instead."])
        return
    missing = unresolved(names)
    if missing and command in ("install", "download"):
        fail(["E: Unable to locate package " + n for n in missing])
    if command == "install":
        if "-s" in ARGS:
            return
        if outcome("install") == "size":
            fail([SIZE.format(MIRROR + "/debian/pool/main/f/ffmpeg/ffmpeg_5.1_amd64.deb"),
                  "E: Unable to fetch some archives, maybe run apt-get update or try with --fix-missing?"])
        open(os.path.join(STATE, "installed"), "w").close()
        return
    if command == "download":
        if "--print-uris" in ARGS:
            for n in names:
                print("'{}/pool/{}.deb' {}.deb 100 SHA256:0".format(MIRROR, n, n))
            return
        result = outcome("download")
        if result == "slow":
            time.sleep(1)  # long enough for a second run to come along
        for i, n in enumerate(names):
            # Only a run in a session of its own (as the tests start it) is killed.
            if result == "kill" and i == len(names) // 2 and os.getpgrp() == os.getsid(0):
                os.killpg(0, signal.SIGKILL)  # the run, as a user's Ctrl-C or a closed terminal would
            base = base_name(n).split(":")[0]
            template = "qemu.deb" if base == "qemu-user" else "lib.deb"
            shutil.copy(os.path.join(STATE, template), "{}_{}_i386.deb".format(base, version_of(n).replace(":", "%3a")))
        if result == "size":
            fail([SIZE.format(MIRROR + "/debian/pool/main/x/" + base_name(names[0]).split(":")[0] + "_1.0_i386.deb")])
        if result == "gone":
            fail(["E: Failed to fetch {}/debian/pool/main/x/{}_0.9_i386.deb  404  Not Found [IP: 192.0.2.1 80]".format(
                MIRROR, base_name(names[0]).split(":")[0])])
        if result == "locate":
            fail(["E: Unable to locate package " + names[0]])
        return
    fail(["fake apt-get: no such command in the test: " + " ".join(ARGS)], 99)


def apt_cache():
    command, names = words()[0], words()[1:]
    if command == "policy":
        for n in names:
            v = version_of(n)
            if v:
                print("{}:\n  Installed: (none)\n  Candidate: {}\n".format(n, v))
        return
    if command == "depends":
        for n in scenario()["wine_deps"]:
            print(n + ":i386\n  Depends: <none>")
        return
    fail(["fake apt-cache: no such command in the test: " + " ".join(ARGS)], 99)


def dpkg():
    if ARGS == ["--print-foreign-architectures"]:
        print("i386")
    elif ARGS == ["--print-architecture"]:
        print("amd64")
    elif ARGS[:1] == ["-x"]:
        os.execvp("dpkg-deb", ["dpkg-deb"] + ARGS)
    else:
        fail(["fake dpkg: not in the test: " + " ".join(ARGS)], 99)


def dpkg_query():
    # As on a fresh machine: dpkg has never heard of a missing package, says
    # so and ends 1 after listing the others.
    installed = os.path.exists(os.path.join(STATE, "installed"))
    unknown = [n for n in ARGS[2:] if n in scenario().get("missing", []) and not installed]
    for name in ARGS[2:]:
        if name not in unknown:
            print(name + " install ok installed")
    if unknown:
        fail(["dpkg-query: no packages found matching " + n for n in unknown], 1)


def locale():
    sys.stdout.write("C\nC.utf8\nen_US.utf8\nru_RU.utf8\n")


def refuse():
    fail(["fake: the set-up must not run {} in the test: {}".format(TOOL, " ".join(ARGS))], 99)


if __name__ == "__main__":
    log_call()
    {"apt-get": apt_get, "apt-cache": apt_cache, "dpkg": dpkg, "dpkg-query": dpkg_query,
     "locale": locale, "locale-gen": refuse}[TOOL]()
