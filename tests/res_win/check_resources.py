#!/usr/bin/env python3
"""Checks the resources compiled into the plug-in module, byte for byte where
it matters: which resources exist in which language, the string tables, both
dialog templates with every style, rectangle and caption, the picture, and
the version resource's numbers and texts.

    check_resources.py MODULE.dll

The module's resource directory is read straight from the file; nothing runs
under Windows.
"""
import struct
import sys
import unittest

ENGLISH, RUSSIAN = 1033, 1049
RT_BITMAP, RT_DIALOG, RT_STRING, RT_VERSION = 2, 5, 6, 16
CLASS_ORDINALS = {0x80: "button", 0x81: "edit", 0x82: "static"}

# Window and control styles, as the system headers number them.
WS_CHILD, WS_VISIBLE, WS_POPUP = 0x40000000, 0x10000000, 0x80000000
WS_CAPTION, WS_SYSMENU, WS_BORDER = 0x00C00000, 0x00080000, 0x00800000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT = 0x80, 0x40
WS_EX_TOOLWINDOW, WS_EX_STATICEDGE = 0x80, 0x20000
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_GROUPBOX = 0, 1, 3, 7
BS_LEFTTEXT, BS_VCENTER = 0x20, 0xC00
SS_LEFT, SS_CENTER, SS_BITMAP, SS_ETCHEDFRAME = 0, 1, 0x0E, 0x12
SS_CENTERIMAGE, SS_SUNKEN = 0x200, 0x1000
ES_AUTOHSCROLL, ES_NUMBER = 0x80, 0x2000
UDS_SETBUDDYINT, UDS_ALIGNRIGHT, UDS_ARROWKEYS = 0x2, 0x4, 0x20
SHOWN = WS_CHILD | WS_VISIBLE

STRINGS = {
    ENGLISH: {
        1: "Auto zoom",
        2: "Image scaling according to the results of the automatic detection and calculation "
           "of the width of the matte.",
        26: "Error",
        27: "The value must be a number from %d to %d.",
    },
    RUSSIAN: {
        1: "Автозум",
        2: "Масштабирование кадра по результатам автоматического детектирования и вычисления "
           "ширины каше. ",
        26: "Ошибка",
        27: "Значение должно быть числом от %d до %d.",
    },
}


DESCRIPTION = {
    ENGLISH: STRINGS[ENGLISH][2],
    RUSSIAN: STRINGS[RUSSIAN][2].rstrip(),
}


def version_texts(language):
    return {
        "FileDescription": DESCRIPTION[language],
        "FileVersion": "1.10",
        "InternalName": "ZEK_DideZede",
        "OriginalFilename": "ZEK_DideZede.dll",
        "ProductName": "ZEK_DideZede",
        "ProductVersion": "1.10",
    }


def settings_controls(russian):
    """(id, class, style, exstyle, text, rectangle) in template order."""
    def pick(english, russian_value):
        return russian_value if russian else english
    return [
        (5002, "button", SHOWN | BS_PUSHBUTTON | WS_TABSTOP, 0, pick("OK", "ОК"), (62, 38, 36, 13)),
        (5003, "button", SHOWN | BS_PUSHBUTTON | WS_TABSTOP, 0, pick("Cancel", "Отмена"), (102, 38, 36, 13)),
        (5008, "button", SHOWN | BS_PUSHBUTTON | WS_TABSTOP, 0, pick("About", "О плагине"), (2, 38, 44, 13)),
        (5145, "static", SHOWN | SS_CENTER | SS_CENTERIMAGE | WS_GROUP, WS_EX_STATICEDGE, "Static",
         pick((5, 4, 93, 10), (5, 4, 99, 10))),
        (5050, "button", SHOWN | BS_AUTOCHECKBOX | WS_TABSTOP, 0, pick("On/Off", "Вкл."),
         pick((103, 4, 38, 10), (109, 4, 31, 10))),
        (5051, "button", SHOWN | BS_AUTOCHECKBOX | BS_LEFTTEXT | BS_VCENTER | WS_TABSTOP, 0,
         pick("Metrics", "Метрика"), pick((9, 17, 35, 12), (6, 17, 45, 13))),
        (5105, "edit", SHOWN | WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL, 0, "", (90, 18, 28, 12)),
        (5106, "msctls_updown32", SHOWN | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, "Spin1",
         (108, 17, 11, 14)),
        (-1, "static", SHOWN | SS_LEFT | WS_GROUP, 0, "%", (123, 20, 8, 8)),
        (-1, "static", SHOWN | SS_LEFT | WS_GROUP, 0, pick("Zoom +", "Зум +"),
         pick((63, 19, 26, 8), (65, 19, 20, 8))),
        (-1, "static", SHOWN | SS_ETCHEDFRAME | SS_SUNKEN, 0, "", (0, 0, 143, 35)),
    ]


def read_resources(path):
    """{(type, name, language): data} of a PE module (32 or 64 bits)."""
    image = open(path, "rb").read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    root_rva = struct.unpack_from("<I", image, directories + 2 * 8)[0]

    table = []
    for i in range(sections):
        _, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", image, optional + optional_size + 40 * i)
        table.append((vaddr, max(vsize, raw_size), raw_ptr))

    def offset(rva):
        for vaddr, size, raw_ptr in table:
            if vaddr <= rva < vaddr + size:
                return raw_ptr + rva - vaddr
        raise ValueError("address outside the module's sections")

    root = offset(root_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, root + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, root + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = root + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", image, at)[0]
                name = image[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target & 0x7FFFFFFF, bool(target & 0x80000000)

    out = {}
    for kind, names, _ in entries(0):
        for name, languages, _ in entries(names):
            for language, leaf, _ in entries(languages):
                rva, size = struct.unpack_from("<II", image, root + leaf)
                out[(kind, name, language)] = image[offset(rva):offset(rva) + size]
    return out


class Reader:
    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return value

    def name_or_ordinal(self):
        """An ordinal as int, a name as str, nothing as None."""
        first = struct.unpack_from("<H", self.data, self.pos)[0]
        if first == 0:
            self.pos += 2
            return None
        if first == 0xFFFF:
            self.pos += 2
            return self.take("H")
        return self.text()

    def align(self):
        self.pos = (self.pos + 3) & ~3


def parse_dialog(data):
    r = Reader(data)
    version, signature, _help, exstyle, style, count = r.take("HHIIIH")
    dialog = {"version": version, "signature": signature, "exstyle": exstyle, "style": style,
              "rect": r.take("hhhh"), "menu": r.name_or_ordinal(), "class": r.name_or_ordinal(),
              "caption": r.text()}
    if style & DS_SETFONT:
        dialog["font"] = r.take("HHBB") + (r.text(),)
    controls = []
    for _ in range(count):
        r.align()
        _help, cexstyle, cstyle = r.take("III")
        rect = r.take("hhhh")
        control_id = r.take("i")
        kind = r.name_or_ordinal()
        kind = CLASS_ORDINALS.get(kind, kind).lower() if kind is not None else None
        text = r.name_or_ordinal()
        text = "" if text is None else text  # an empty title is a lone zero
        extra = r.take("H")
        r.pos += extra
        controls.append((control_id, kind, cstyle, cexstyle, text, rect))
    dialog["controls"] = controls
    return dialog


def version_node(data, pos=0):
    """(key, value bytes, text flag, children) of one node of a version
    resource: length, value length, type, key, then the value and the
    children, each on a 4-byte boundary."""
    length, value_length, text = struct.unpack_from("<HHH", data, pos)
    r = Reader(data, pos + 6)
    key = r.text()
    r.align()
    value_size = 2 * value_length if text else value_length
    value = data[r.pos:r.pos + value_size]
    r.pos += value_size
    children = []
    r.align()
    while r.pos < pos + length:
        child = version_node(data, r.pos)
        children.append(child)
        r.pos += struct.unpack_from("<H", data, r.pos)[0]
        r.align()
    return key, value, text, children


def version_strings(table):
    """{key: text} of one StringTable node; values end at their first zero."""
    texts = {}
    for key, value, _, _ in table[3]:
        texts[key] = value.decode("utf-16-le").split("\0")[0]
    return texts


def string_block(data):
    r = Reader(data)
    entries = []
    for _ in range(16):
        n = r.take("H")
        entries.append(data[r.pos:r.pos + 2 * n].decode("utf-16-le"))
        r.pos += 2 * n
    assert r.pos == len(data), "bytes after the 16 entries"
    return entries


class ModuleResources(unittest.TestCase):
    resources = None

    def test_languages_of_each_resource(self):
        self.assertEqual(set(self.resources), {
            (RT_STRING, 1, ENGLISH), (RT_STRING, 1, RUSSIAN),
            (RT_STRING, 2, ENGLISH), (RT_STRING, 2, RUSSIAN),
            (RT_DIALOG, 5000, ENGLISH), (RT_DIALOG, 5000, RUSSIAN),
            (RT_DIALOG, 5002, ENGLISH),
            (RT_BITMAP, 5004, RUSSIAN),
            (RT_VERSION, 1, ENGLISH),
        })

    def test_string_tables_hold_exactly_the_four_texts(self):
        for language, texts in STRINGS.items():
            for block in (1, 2):
                entries = string_block(self.resources[(RT_STRING, block, language)])
                for index, entry in enumerate(entries):
                    string_id = (block - 1) * 16 + index
                    self.assertEqual(entry, texts.get(string_id, ""), (language, string_id))

    def test_settings_dialog_in_both_languages(self):
        for language, caption in ((ENGLISH, "ZEK_DideZede plugin"), (RUSSIAN, "ZEK_DideZede плагин")):
            d = parse_dialog(self.resources[(RT_DIALOG, 5000, language)])
            self.assertEqual((d["version"], d["signature"]), (1, 0xFFFF), "extended template")
            self.assertEqual(d["style"], WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)
            self.assertEqual(d["exstyle"], WS_EX_TOOLWINDOW)
            self.assertEqual(d["rect"], (0, 0, 142, 54))
            self.assertEqual((d["menu"], d["class"], d["caption"]), (None, None, caption))
            self.assertEqual(d["font"][0], 8)
            self.assertEqual(d["font"][4], "MS Sans Serif")
            self.assertEqual(d["controls"], settings_controls(language == RUSSIAN), language)

    def test_about_dialog(self):
        d = parse_dialog(self.resources[(RT_DIALOG, 5002, ENGLISH)])
        self.assertEqual((d["version"], d["signature"]), (1, 0xFFFF), "extended template")
        self.assertEqual(d["style"], WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT)
        self.assertEqual(d["exstyle"], 0)
        self.assertEqual(d["rect"], (0, 0, 150, 106))
        self.assertEqual(d["caption"], "")
        self.assertEqual((d["font"][0], d["font"][4]), (8, "MS Sans Serif"))
        controls = d["controls"]
        self.assertEqual(len(controls), 6)
        self.assertEqual(controls[0], (1, "button", SHOWN | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, "OK", (54, 87, 44, 13)))
        notice = controls[1]
        self.assertEqual((notice[0], notice[1], notice[2] & 0xFFFF, notice[5]),
                         (-1, "static", SS_CENTER | SS_CENTERIMAGE, (7, 70, 136, 10)))
        self.assertTrue(notice[4])
        self.assertEqual(controls[2][:2] + (controls[2][2] & 0xFFFF,) + controls[2][4:],
                         (-1, "static", SS_CENTER, "Ver.1.10", (7, 54, 136, 10)))
        self.assertEqual(controls[3][:2] + (controls[3][2] & 0xFFFF,) + controls[3][4:],
                         (-1, "static", SS_CENTER, "ZEK_DideZede plugin", (7, 41, 136, 8)))
        self.assertEqual(controls[4][:2] + (controls[4][2] & 0xFFFF,) + controls[4][4:],
                         (-1, "button", BS_GROUPBOX, "", (3, -2, 144, 106)))
        self.assertEqual(controls[5][:2] + (controls[5][2] & 0xFFFF,) + controls[5][4:],
                         (-1, "static", SS_BITMAP, "#5004", (63, 12, 21, 20)))
        for control in controls:
            self.assertEqual(control[2] & SHOWN, SHOWN, control)

    def test_version_resource(self):
        key, fixed, _, children = version_node(self.resources[(RT_VERSION, 1, ENGLISH)])
        self.assertEqual(key, "VS_VERSION_INFO")
        (signature, _struct, file_ms, file_ls, product_ms, product_ls, _mask, flags, os_, kind,
         _subtype, _date_ms, _date_ls) = struct.unpack("<13I", fixed)
        self.assertEqual(signature, 0xFEEF04BD)
        self.assertEqual((file_ms, file_ls, product_ms, product_ls), (0x1000A, 0, 0x1000A, 0), "1.10.0.0")
        self.assertEqual((flags, os_, kind), (0, 4, 2), "a release DLL for 32-bit Windows")
        blocks = {node[0]: node for node in children}
        self.assertEqual(set(blocks), {"StringFileInfo", "VarFileInfo"})
        tables = {node[0]: node for node in blocks["StringFileInfo"][3]}
        self.assertEqual(set(tables), {"040904B0", "041904E3"})
        self.assertEqual(version_strings(tables["040904B0"]), version_texts(ENGLISH))
        self.assertEqual(version_strings(tables["041904E3"]), version_texts(RUSSIAN))
        translation = blocks["VarFileInfo"][3][0]
        self.assertEqual(translation[0], "Translation")
        self.assertEqual(struct.unpack("<4H", translation[1]), (0x409, 1200, 0x419, 1251))

    def test_about_picture_is_32_by_32_uncompressed_24_bit(self):
        data = self.resources[(RT_BITMAP, 5004, RUSSIAN)]
        size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data)
        self.assertEqual((size, width, height, planes, bits, compression), (40, 32, 32, 1, 24, 0))
        self.assertEqual(len(data), 40 + 32 * 32 * 3)


def main():
    ModuleResources.resources = read_resources(sys.argv[1])
    program = unittest.main(argv=sys.argv[:1], exit=False, verbosity=2)
    sys.exit(0 if program.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
