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
"""
import struct
import sys


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


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: pe_tables.py MODULE")
    try:
        main(sys.argv[1])
    except (OSError, ValueError, struct.error) as e:
        sys.exit("{}: {}".format(sys.argv[1], e))
