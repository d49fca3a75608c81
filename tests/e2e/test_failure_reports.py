"""What a failing host run tells: its command, exit code, standard output,
and standard error with Wine's own messages, all in the failure message."""
import os
import unittest

from harness import HostTest


class FailureReport(HostTest):
    def test_a_plug_in_that_needs_a_missing_dll_fails_with_the_hosts_output_and_wines_error(self):
        # The module's import of SHELL32.dll renamed to a DLL no system has.
        path = os.path.join(self.folder, "ZEK_DideZede.dll")
        with open(path, "rb") as f:
            module = f.read()
        self.assertEqual(module.count(b"SHELL32.dll"), 1)
        with open(path, "wb") as f:
            f.write(module.replace(b"SHELL32.dll", b"SHELL99.dll"))

        with self.assertRaises(AssertionError) as caught:
            self.host(do="done")
        message = str(caught.exception)
        self.assertIn("exited with 2", message)
        self.assertIn("zek_host.exe --do done", message)
        self.assertIn("\ncpu bits=", message)  # the host's output
        self.assertIn("\nerror cannot load ZEK_DideZede.dll", message)
        self.assertRegex(message, r"err:module:\w+ Library SHELL99\.dll .*not found")  # Wine's loader


if __name__ == "__main__":
    unittest.main()
