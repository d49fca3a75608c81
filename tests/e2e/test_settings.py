"""The settings file under wine: where it lands and what the first run writes."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import FIXED_LAYOUT, REG_VIEW, HostTest, check_run, prepare_prefix, run_program, wine_env
from test_dialog import BAND_ZOOM, section

SIX_LINES = (b"[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n"
             b"[17]\r\nProcEnable=1\r\nOverZoom=3\r\n")
SEVEN_FOR_17 = SIX_LINES.replace(b"OverZoom=3", b"OverZoom=7")
ONE_FRAME = "channel 17; start; frames 1; stop; done"
THIRTY_FRAMES = "channel 17; start; frames 30; done"
# 7 typed into the extra zoom field and kept with OK.
CHANGE_TO_7 = "channel 17; start; frames 1; setup; pump 100; type 5105 7; key 5105 enter; click 5002; done"


def read(path):
    with open(path, "rb") as f:
        return f.read()


class SettingsFile(HostTest):
    def test_first_run_writes_the_dialog_and_the_channel_beside_the_host(self):
        run = self.host("--keep", "all", do=ONE_FRAME)
        self.assertIn("keep id=17 answer=1", run.lines)
        self.assertEqual(read(run.path("Plugins", "ZEK_DideZede.ini")), SIX_LINES)
        # Nothing but the file itself is left in the folder.
        self.assertEqual(os.listdir(run.path("Plugins")), ["ZEK_DideZede.ini"])

    def test_a_declined_channel_is_dropped_and_an_unchanged_file_is_not_rewritten(self):
        self.host("--keep", "all", do=ONE_FRAME)
        ini = os.path.join(self.folder, "Plugins", "ZEK_DideZede.ini")
        before = os.stat(ini)
        self.host("--keep", "all", do=ONE_FRAME)
        after = os.stat(ini)
        self.assertEqual((before.st_ino, before.st_mtime_ns), (after.st_ino, after.st_mtime_ns))
        self.host("--keep", "none", do=ONE_FRAME)
        self.assertEqual(read(ini), b"[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n")

    def test_a_numbered_instance_keeps_its_file_in_its_instance_folder(self):
        os.makedirs(os.path.join(self.folder, "Instances", "2"))
        run = self.host("-inst:2", "--keep", "all", do=ONE_FRAME)
        self.assertEqual(read(run.path("Instances", "2", "Plugins", "ZEK_DideZede.ini")), SIX_LINES)
        self.assertFalse(os.path.exists(run.path("Plugins")))

    def test_a_missing_instance_folder_is_made_and_keeps_the_change(self):
        self.host("-inst:3", "--keep", "all", do=CHANGE_TO_7)
        written = read(os.path.join(self.folder, "Instances", "3", "Plugins", "ZEK_DideZede.ini"))
        self.assertEqual(section(written.decode("ascii"), "17"), {"ProcEnable": "1", "OverZoom": "7"})
        self.assertFalse(os.path.exists(os.path.join(self.folder, "Plugins")))
        run = self.host("-inst:3", "--keep", "all", do=THIRTY_FRAMES)
        self.assertEqual([z[2] for z in run.zooms()], [BAND_ZOOM + 7])

    def test_a_read_only_file_is_read_and_left_alone(self):
        plugins = os.path.join(self.folder, "Plugins")
        os.makedirs(plugins)
        ini = os.path.join(plugins, "ZEK_DideZede.ini")
        with open(ini, "wb") as f:
            f.write(SEVEN_FOR_17)
        os.chmod(ini, 0o444)
        # Channel 18 is new: any save would have added it.
        run = self.host("--keep", "all", do="channel 17; start; frames 30; channel 18; frames 1; done")
        self.assertEqual([z[2] for z in run.zooms()], [BAND_ZOOM + 7])
        self.assertEqual(read(ini), SEVEN_FOR_17)
        self.assertEqual(os.listdir(plugins), ["ZEK_DideZede.ini"])


class FolderNames(HostTest):
    def test_a_folder_the_code_page_cannot_spell_holds_the_settings(self):
        # Under en_US.UTF-8 wine's ANSI code page is 1252, which has no Cyrillic.
        folder = os.path.join(self.folder, "Тест")
        os.makedirs(os.path.join(folder, "Plugins"))
        for name in ("zek_host.exe", "ZEK_DideZede.dll"):
            shutil.copy(os.path.join(self.folder, name), folder)
        self.folder = folder
        ini = os.path.join(self.folder, "Plugins", "ZEK_DideZede.ini")
        with open(ini, "wb") as f:
            f.write(SEVEN_FOR_17)
        run = self.host("--keep", "all", env={"LANG": "en_US.UTF-8"},
                        do="channel 17; start; frames 30; channel 18; frames 1; done")
        self.assertEqual([z[2] for z in run.zooms()], [BAND_ZOOM + 7])
        self.assertEqual(read(ini), SEVEN_FOR_17 + b"[18]\r\nProcEnable=1\r\nOverZoom=3\r\n")


class UsersFolder(HostTest):
    """The registry switch, in a wine prefix of its own so that no other
    test running meanwhile sees it."""

    def setUp(self):
        super().setUp()
        self.prefix = tempfile.mkdtemp(prefix="zek-e2e-prefix-")
        self.addCleanup(shutil.rmtree, self.prefix, True)
        self.env = {"WINEPREFIX": self.prefix}
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=wine_env(self.env),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        prepare_prefix(self.prefix)

    def wine(self, *args):
        """Runs one of Wine's own programs in the test's prefix; its output, if it fails."""
        run = check_run(run_program([*FIXED_LAYOUT, "wine", *args], env=wine_env(self.env), timeout=300),
                        "wine " + " ".join(args))
        return run.stdout.strip()

    def app_data(self):
        windows = self.wine("cmd", "/c", "echo", "%APPDATA%").splitlines()[-1].strip()
        return self.wine("winepath", "-u", windows).splitlines()[-1].strip()

    def test_store_in_users_folder_moves_the_file_under_app_data(self):
        app_data = self.app_data()
        # A fresh account has no Korvisan folder yet; it is made on the way.
        self.assertFalse(os.path.exists(os.path.join(app_data, "Korvisan")))
        self.wine("reg", "add", r"HKLM\SOFTWARE\Korvisan", "/v", "StoreInUsersFolder",
                  "/t", "REG_DWORD", "/d", "1", "/f", REG_VIEW)
        self.host("--keep", "all", do=CHANGE_TO_7, env=self.env)
        written = read(os.path.join(app_data, "Korvisan", "Plugins", "ZEK_DideZede.ini"))
        self.assertEqual(section(written.decode("ascii"), "17"), {"ProcEnable": "1", "OverZoom": "7"})
        self.assertFalse(os.path.exists(os.path.join(self.folder, "Plugins")))
        run = self.host("--keep", "all", do=THIRTY_FRAMES, env=self.env)
        self.assertEqual([z[2] for z in run.zooms()], [BAND_ZOOM + 7])

        # Switched off again: back beside the host.
        self.wine("reg", "add", r"HKLM\SOFTWARE\Korvisan", "/v", "StoreInUsersFolder",
                  "/t", "REG_DWORD", "/d", "0", "/f", REG_VIEW)
        self.host("--keep", "all", do=ONE_FRAME, env=self.env)
        self.assertEqual(read(os.path.join(self.folder, "Plugins", "ZEK_DideZede.ini")), SIX_LINES)


if __name__ == "__main__":
    unittest.main()
