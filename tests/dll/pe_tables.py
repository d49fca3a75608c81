#!/usr/bin/env python3
"""The tables of a PE module that the module check holds to their lists,
read from the file's own bytes: what objdump prints of them changes its
layout from one binutils release to the next.

    pe_tables.py MODULE    prints one line per fact:
        machine i386|amd64
        export NAME
        import dll!function      (dll!#ordinal for an import by ordinal)
        section NAME             (long names resolved through the string table)
        symbols N                (entries of the COFF symbol table)
        timestamp N              (the file header's build time)
        entry ADDRESS            (the entry point, in hex, where the image prefers to lie)
        subsystem gui|console|N  (the optional header's subsystem)
        characteristic NAME      (one per DllCharacteristics flag set, e.g. NX_COMPAT)
        relocations N            (bytes of base relocations: the loader moves the image by them)
"""
import struct
import sys


# The DllCharacteristics flags, by their names in the PE format.
DLL_CHARACTERISTICS = {
    0x0020: "HIGH_ENTROPY_VA", 0x0040: "DYNAMIC_BASE", 0x0080: "FORCE_INTEGRITY", 0x0100: "NX_COMPAT",
    0x0200: "NO_ISOLATION", 0x0400: "NO_SEH", 0x0800: "NO_BIND", 0x1000: "APPCONTAINER",
    0x2000: "WDM_DRIVER", 0x4000: "GUARD_CF", 0x8000: "TERMINAL_SERVER_AWARE",
}


class Module:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature at offset {}".format(pe))
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbol_count,
         optional_size) = struct.unpack_from("<HHIIIH", data, pe + 4)
        optional = pe + 24
        magic = self.u16(optional)
        if magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header magic {:#x}".format(magic))
        # PE32+ widens the image base and drops the field before it, so the
        # fields from the subsystem on lie at the same offsets in both.
        self.image_base = self.u32(optional + 28) if magic == 0x10B else struct.unpack_from("<Q", data, optional + 24)[0]
        self.entry = self.u32(optional + 16)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        # The data directories follow the fields whose size differs between
        # PE32 and PE32+; their count comes just before them.
        directories = optional + (96 if magic == 0x10B else 112)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            raw_name, size, address, raw_size, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((self.section_name(raw_name), address, max(size, raw_size), raw_at))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def section_name(self, raw):
        name = raw.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit():  # an offset into the COFF string table
            strings = self.symbol_table + 18 * self.symbol_count
            return self.string(strings + int(name[1:]))
        return name

    def string(self, at):
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def offset(self, rva):
        for _, address, size, raw_at in self.sections:
            if address <= rva < address + size:
                return raw_at + rva - address
        raise ValueError("address {:#x} lies in no section".format(rva))

    def exports(self):
        rva, size = self.directories[0] if self.directories else (0, 0)
        if not size:
            return []
        at = self.offset(rva)
        names, name_table = self.u32(at + 24), self.offset(self.u32(at + 32))
        return [self.string(self.offset(self.u32(name_table + 4 * i))) for i in range(names)]

    def imports(self):
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        if not size:
            return []
        wide = self.machine == 0x8664
        entry, ordinal_flag = (8, 1 << 63) if wide else (4, 1 << 31)
        out = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunks):
                return out
            dll = self.string(self.offset(name)).lower()
            table = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<Q" if wide else "<I", self.data, table)[0]
                if not value:
                    break
                if value & ordinal_flag:
                    out.append("{}!#{}".format(dll, value & 0xFFFF))
                else:  # a hint, then the name
                    out.append("{}!{}".format(dll, self.string(self.offset(value & 0x7FFFFFFF) + 2)))
                table += entry
            at += 20


def main(path):
    with open(path, "rb") as f:
        module = Module(f.read())
    print("machine", {0x14C: "i386", 0x8664: "amd64"}.get(module.machine, hex(module.machine)))
    for name in module.exports():
        print("export", name)
    for name in module.imports():
        print("import", name)
    for name, *_ in module.sections:
        print("section", name)
    print("symbols", module.symbol_count)
    print("timestamp", module.timestamp)
    print("entry {:x}".format(module.image_base + module.entry))
    print("subsystem", {2: "gui", 3: "console"}.get(module.subsystem, module.subsystem))
    for flag, name in sorted(DLL_CHARACTERISTICS.items()):
        if module.dll_characteristics & flag:
            print("characteristic", name)
    print("relocations", module.directories[5][1] if len(module.directories) > 5 else 0)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: pe_tables.py MODULE")
    try:
        main(sys.argv[1])
    except (OSError, ValueError, struct.error) as e:
        sys.exit("{}: {}".format(sys.argv[1], e))
