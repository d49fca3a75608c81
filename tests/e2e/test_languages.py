"""The descriptor's name and description in the host's language, as bytes of
the ANSI code page the plug-in runs under."""
import re
import unittest

from harness import HostTest

RUSSIAN_LOCALE = {"LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8"}  # Wine then uses code page 1251
ENGLISH_LOCALE = {"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}

ENGLISH_NAME = "Auto zoom"
ENGLISH_DESCRIPTION = ("Image scaling according to the results of the automatic detection and "
                       "calculation of the width of the matte.")
RUSSIAN_NAME = "Автозум"
RUSSIAN_DESCRIPTION = ("Масштабирование кадра по результатам автоматического детектирования и "
                       "вычисления ширины каше. ")

DESCRIPTOR = re.compile(r"^descriptor address=(\S+) name_hex=([0-9a-f]*) description_hex=([0-9a-f]*)$")


def descriptors(run):
    """(address, name bytes, description bytes) for every descriptor the host got."""
    found = []
    for line in run.lines:
        m = DESCRIPTOR.match(line)
        if m:
            found.append((m.group(1), bytes.fromhex(m.group(2)), bytes.fromhex(m.group(3))))
    return found


class DescriptorLanguage(HostTest):
    def texts(self, *args, env=RUSSIAN_LOCALE, do="done"):
        run = self.host(*args, env=env, do=do)
        found = descriptors(run)
        self.assertTrue(found, run.stdout)
        return run, found

    def assert_texts(self, descriptor, name, description, code_page):
        self.assertEqual(descriptor[1], name.encode(code_page))
        self.assertEqual(descriptor[2], description.encode(code_page))

    def test_host_answering_russian_gives_russian_texts_in_code_page_1251(self):
        run, found = self.texts("--language", "1049")
        self.assert_texts(found[0], RUSSIAN_NAME, RUSSIAN_DESCRIPTION, "cp1251")
        self.assertEqual(found[0][1], b"\xc0\xe2\xf2\xee\xe7\xf3\xec")
        # Asked once while the module loads, once more by the descriptor call.
        self.assertGreaterEqual(run.stdout.count("language-query window=Korvisan answer=1049"), 2)

    def test_only_the_low_word_of_the_answer_counts(self):
        _, found = self.texts("--language", str(0x10000 | 1049))
        self.assert_texts(found[0], RUSSIAN_NAME, RUSSIAN_DESCRIPTION, "cp1251")

    def test_host_answering_english_or_german_gives_english_texts(self):
        for language in ("1033", "1031"):
            _, found = self.texts("--language", language)
            self.assert_texts(found[0], ENGLISH_NAME, ENGLISH_DESCRIPTION, "ascii")

    def test_without_a_host_window_the_system_language_rules(self):
        _, found = self.texts("--no-window", env=RUSSIAN_LOCALE)
        self.assert_texts(found[0], RUSSIAN_NAME, RUSSIAN_DESCRIPTION, "cp1251")
        _, found = self.texts("--no-window", env=ENGLISH_LOCALE)
        self.assert_texts(found[0], ENGLISH_NAME, ENGLISH_DESCRIPTION, "ascii")

    def test_host_answer_of_0_leaves_the_system_language(self):
        _, found = self.texts("--language", "0", env=RUSSIAN_LOCALE)
        self.assert_texts(found[0], RUSSIAN_NAME, RUSSIAN_DESCRIPTION, "cp1251")

    def test_second_call_gives_the_same_record_with_the_language_of_that_moment(self):
        _, found = self.texts("--language", "1049", do="lang 1033; pr; lang 0; pr; done")
        self.assertEqual(len(found), 3)
        self.assertEqual(len({address for address, _, _ in found}), 1)
        self.assert_texts(found[0], RUSSIAN_NAME, RUSSIAN_DESCRIPTION, "cp1251")
        self.assert_texts(found[1], ENGLISH_NAME, ENGLISH_DESCRIPTION, "ascii")
        # No answer: a fresh start from the system language, Russian here.
        self.assert_texts(found[2], RUSSIAN_NAME, RUSSIAN_DESCRIPTION, "cp1251")


class DialogLanguage(HostTest):
    """The module's own locator: refreshed at every opening of the dialog."""

    def captions(self, run):
        found = []
        for line in run.lines:
            if line.startswith("dialog open=1"):
                fields = dict(part.split("=", 1) for part in line.split() if "=" in part)
                found.append(bytes.fromhex(fields["caption_hex"]).decode("utf-8"))  # the host reads it as UTF-16
        return found

    def test_answer_of_0_keeps_the_language_the_host_gave_last(self):
        # Under the Russian system language an English answer, then none: a
        # reset to the system default would bring Russian back.
        opened = "setup; pump 100; dump; click 5002; pump 100"
        run = self.host("--language", "1049", env=RUSSIAN_LOCALE,
                        do=f"{opened}; lang 1033; {opened}; lang 0; {opened}; done")
        self.assertEqual(self.captions(run),
                         ["ZEK_DideZede плагин", "ZEK_DideZede plugin", "ZEK_DideZede plugin"])


if __name__ == "__main__":
    unittest.main()
