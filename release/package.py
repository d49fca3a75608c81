#!/usr/bin/env python3
"""Writes the release zip that a Windows user downloads:

    package.py I686_DLL X86_64_DLL OUT_FOLDER

It holds the 32-bit module at the top (the viewer is a 32-bit program), the
64-bit one in x64/, the user guide in English and Russian as text that Notepad
shows as it should (CR LF line ends; the Russian one UTF-8 with a byte-order
mark), and the modules' SHA-256 sums. Entries are dated by the sources, not
the clock, so the same modules give the same zip. The version in the zip's name and in the
guides comes from res/version.h. The zip is read back and checked before the
script reports it.
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MODULE = "ZEK_DideZede.dll"
# Zip entry, PE machine of the module.
MODULES = ((MODULE, 0x014C), ("x64/" + MODULE, 0x8664))
GUIDES = (("readme_en.txt", "guide.en.txt", "ascii"), ("readme_ru.txt", "guide.ru.txt", "utf-8-sig"))
SUMS = "SHA256SUMS.txt"


def version():
    text = (ROOT / "res" / "version.h").read_text()
    numbers = [re.search(r"^#define ZEK_VERSION_%s (\d+)$" % part, text, re.M) for part in ("MAJOR", "MINOR")]
    if not all(numbers):
        sys.exit("res/version.h: no ZEK_VERSION_MAJOR and ZEK_VERSION_MINOR")
    return "%s.%s" % (numbers[0].group(1), numbers[1].group(1))


def windows_text(text, encoding):
    """Line ends as CR LF, whatever the source file has."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode(encoding)


def pe_machine(data):
    if data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, pe + 4)[0]


def sums_text(modules):
    return "".join("%s *%s\r\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in modules)


def build(i686, x86_64, ver):
    """{entry name: bytes}, in the order the zip lists them."""
    modules = [(MODULES[0][0], Path(i686).read_bytes()), (MODULES[1][0], Path(x86_64).read_bytes())]
    entries = dict(modules)
    for name, source, encoding in GUIDES:
        text = (ROOT / "docs" / source).read_text(encoding="utf-8").replace("{version}", ver)
        entries[name] = windows_text(text, encoding)
    entries[SUMS] = sums_text(modules).encode("ascii")
    return entries


def release_time():
    """The entries' date: SOURCE_DATE_EPOCH, else the last commit's, so the
    same sources give the same zip; now only outside a git checkout."""
    if os.environ.get("SOURCE_DATE_EPOCH", "").isdigit():
        seconds = int(os.environ["SOURCE_DATE_EPOCH"])
    else:
        try:
            seconds = int(subprocess.run(["git", "-C", str(ROOT), "log", "-1", "--format=%ct"],
                                         capture_output=True, text=True, check=True).stdout)
        except (OSError, ValueError, subprocess.CalledProcessError):
            seconds = int(time.time())
    # A zip cannot date anything before 1980.
    return max(time.gmtime(seconds)[:6], (1980, 1, 1, 0, 0, 0))


def write(path, entries):
    stamp = release_time()
    partial = path.with_name(path.name + ".partial")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries.items():
            info = zipfile.ZipInfo(name, stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, data)
    os.replace(partial, path)


def check(path, entries):
    """Every fault found in the written zip, as text; empty when it is sound."""
    faults = []
    with zipfile.ZipFile(path) as z:
        if z.testzip() is not None:
            return ["damaged entry " + z.testzip()]
        if z.namelist() != list(entries):
            return ["entries %s, expected %s" % (z.namelist(), list(entries))]
        got = {name: z.read(name) for name in z.namelist()}
    for name, data in got.items():
        if data != entries[name]:
            faults.append(name + " differs from its source")
    for name, machine in MODULES:
        if pe_machine(got[name]) != machine:
            faults.append("%s is not a module for machine 0x%04X" % (name, machine))
    listed = {}
    for line in got[SUMS].decode("ascii").split("\r\n")[:-1]:
        digest, name = line.split(" *", 1)
        listed[name] = digest
    actual = {name: hashlib.sha256(got[name]).hexdigest() for name, _ in MODULES}
    if listed != actual:
        faults.append("%s lists %s, the modules have %s" % (SUMS, listed, actual))
    for name, _, encoding in GUIDES + ((SUMS, None, "ascii"),):
        data = got[name]
        if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n"):
            faults.append(name + " has line ends other than CR LF")
        if encoding == "utf-8-sig" and not data.startswith(b"\xef\xbb\xbf"):
            faults.append(name + " has no byte-order mark")
        try:
            data.decode(encoding)
        except UnicodeDecodeError:
            faults.append(name + " is not " + encoding)
    return faults


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    ver = version()
    out = Path(sys.argv[3])
    out.mkdir(parents=True, exist_ok=True)
    path = out / ("ZEK_DideZede-%s-win32.zip" % ver)
    entries = build(sys.argv[1], sys.argv[2], ver)
    write(path, entries)
    faults = check(path, entries)
    if faults:
        path.unlink()
        sys.exit("%s is not sound:\n  %s" % (path, "\n  ".join(faults)))
    print("%s, %d bytes" % (path, path.stat().st_size))
    for name in entries:
        print("  %-22s %8d bytes" % (name, len(entries[name])))
    sys.stdout.write(entries[SUMS].decode("ascii").replace("\r\n", "\n"))


if __name__ == "__main__":
    main()
