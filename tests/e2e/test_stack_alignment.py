"""The 32-bit plug-in called by a host whose stack is only 4-byte aligned, as
programs of other compilers call it: every export and entry point goes
through the host's misaligning thunk, with frames measured, the graph drawn,
a zoom sent and the dialog opened and closed."""
import unittest

from harness import HostTest


def luma(frame, width, x, y):
    return frame[(y * width + x) * 2]


class MisalignedStack(HostTest):
    def test_frames_graph_zoom_and_dialog_with_a_stack_off_by_4(self):
        run = self.host("--misalign-stack", "--keep", "all", do=(
            "channel 17; start; frames 26; setup; pump 100; click 5051; frames 1; dumpframe graph.raw; "
            "type 5105 7; key 5105 enter; frames 1; about; click 5002; setup; pump 100; close; stop; done"))
        # The thunk really hands over ESP = 4 (mod 16) at the call, where
        # the host's own calls keep 0.
        self.assertEqual(run.fields("stack calls=misaligned"), {"calls": "misaligned", "at_call_mod16": "4",
                                                                 "own_mod16": "0"})
        self.assertEqual([value for _, _, value in run.zooms()], [15, 19])
        with open(run.path("graph.raw"), "rb") as f:
            graph = f.read()
        # Band of 60 rows: the graph's line runs down column 0 above the
        # matte and jumps out to 122040 / 255 = 478 at rows 58 and 59.
        self.assertEqual(luma(graph, 720, 0, 20), 255)
        self.assertEqual(luma(graph, 720, 478, 59), 255)
        self.assertIn("about closed=1", run.lines)
        with open(run.path("Plugins", "ZEK_DideZede.ini"), "rb") as f:
            self.assertIn(b"[17]\r\nProcEnable=1\r\nOverZoom=7\r\n", f.read())


if __name__ == "__main__":
    unittest.main()
