"""A machine of a set-up test's making, in a temporary folder: a folder of
fakes (fake_apt.py, fake_tools.py) linked under the tools' names, to put
first on PATH; the folder where the fakes keep their scenario and log
($FAKE_APT); and the machine's description of itself, its os-release, apt
sources and resolv.conf, which the scripts read through ZEK_ETC."""
import ctypes
import os
import shutil
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RELEASES = {"bookworm": ("12", "bookworm"), "trixie": ("13", "trixie")}
RESOLV_CONF = "nameserver 192.0.2.53\n"
SOURCES = ("Types: deb\nURIs: http://mirror.invalid/debian\nSuites: {0} {0}-updates\nComponents: main\n"
           "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\nTypes: deb\n"
           "URIs: http://mirror.invalid/debian-security\nSuites: {0}-security\nComponents: main\n"
           "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n")


def make(test, prefix, fakes):
    """(folder, state, bin) of a new machine, removed after the test; fakes
    maps a fake's file to the tools it stands in for."""
    folder = tempfile.mkdtemp(prefix=prefix)
    test.addCleanup(shutil.rmtree, folder)
    state, bin_folder = os.path.join(folder, "state"), os.path.join(folder, "bin")
    os.makedirs(state)
    os.makedirs(bin_folder)
    for fake, tools in fakes.items():
        for tool in tools:
            os.symlink(os.path.join(HERE, fake), os.path.join(bin_folder, tool))
    return folder, state, bin_folder


def describe(etc, release):
    """Writes the release's os-release and apt sources, and a resolv.conf,
    into etc; returns etc."""
    version, codename = RELEASES[release]
    os.makedirs(os.path.join(etc, "apt", "sources.list.d"))
    with open(os.path.join(etc, "resolv.conf"), "w") as f:
        f.write(RESOLV_CONF)
    with open(os.path.join(etc, "os-release"), "w") as f:
        f.write('PRETTY_NAME="Debian GNU/Linux {0} ({1})"\nNAME="Debian GNU/Linux"\nVERSION_ID="{0}"\n'
                'VERSION_CODENAME={1}\n'.format(version, codename))
    with open(os.path.join(etc, "apt", "sources.list.d", "debian.sources"), "w") as f:
        f.write(SOURCES.format(codename))
    return etc


def environment(folder, state, bin_folder, etc, **extra):
    """The scripts' environment on this machine, with its own home and cache
    (and neither a Wine prefix of the caller's nor the way the caller's run
    starts 32-bit programs, unless the test gives them)."""
    env = {k: v for k, v in os.environ.items() if k not in ("WINEPREFIX", "ZEK_WINE32")}
    return dict(env, PATH=bin_folder + os.pathsep + os.environ["PATH"], FAKE_APT=state,
                XDG_CACHE_HOME=os.path.join(folder, "cache"), HOME=os.path.join(folder, "home"), ZEK_ETC=etc,
                ZEK_APT_PAUSE="0", **extra)


ADDR_NO_RANDOMIZE = 0x0040000


def random_layout():
    """For a run's preexec_fn: the run starts with the kernel's random address
    layout, whatever the test itself was started with (setarch -R is
    inherited), so that only the run's own setarch gives it a fixed one."""
    personality = ctypes.CDLL(None, use_errno=True).personality
    personality(personality(0xffffffff) & ~ADDR_NO_RANDOMIZE)
