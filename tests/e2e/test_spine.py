"""The plug-in in the reference host: exports, entry points and zoom commands."""
import unittest

from harness import ARCH, HostTest, yuy2_frame


class RoadOfOneFrame(HostTest):
    def test_band_of_60_rows_zooms_to_15_on_the_25th_frame_and_only_once(self):
        # 25 frames settle the switch, the 26th is the same picture again.
        run = self.host("--pattern", "band:60", "--channel", "17",
                        do="start; frames 26; stop; done")
        self.assertEqual(run.first("version"), "version 3")
        self.assertEqual(run.zooms(), [(25, "Korvisan", 15)])

    def test_frames_from_a_file_follow_a_changing_band(self):
        # 40 frames with a band of 60 rows, then 200 with a band of 40 rows:
        # the held peak of row 59 decays by 500 a frame until row 39 wins.
        band60 = yuy2_frame(720, 576, lambda y: 16 if y < 60 else 100)
        band40 = yuy2_frame(720, 576, lambda y: 16 if y < 40 else 100)
        clip = self.write_frames("clip.yuv", [band60] * 40 + [band40] * 200)
        run = self.host("--input", clip, do="start; frames all; stop; done")
        values = [value for _, _, value in run.zooms()]
        self.assertEqual(values[0], 15)
        # The matte's lower edge is the last black row: 39.
        self.assertEqual(values[-1], 3900 // (576 - 2 * 39) + 3)
        self.assertEqual(run.zooms()[0][0], 25)

    def test_processing_waits_for_the_settle_count_after_each_switch(self):
        run = self.host("--pattern", "band:60",
                        do="channel 17; start; frames 10; channel 18; frames 25; stop; done")
        self.assertEqual(run.zooms(), [(35, "Korvisan", 15)])


class Refusals(HostTest):
    def test_null_pixels_return_0_and_do_not_count_down(self):
        run = self.host(do="start; frames 24; null; frames 1; stop; done")
        self.assertEqual(run.fields("null"), {"frame": "25", "result": "0"})
        # The null frame neither switched nor counted: frame 26 is the 25th real one.
        self.assertEqual(run.zooms(), [(26, "Korvisan", 15)])

    def test_start_with_height_0_returns_1_and_frames_are_survived(self):
        run = self.host("--height", "0", do="start; frames 30; stop; done")
        self.assertEqual(run.fields("start")["result"], "1")
        self.assertEqual(run.zooms(), [])
        self.assertEqual(run.fields("summary"), {"frames": "30"})

    def test_broken_stream_records_are_survived_and_a_sound_stream_zooms_as_ever(self):
        broken = [(1 << 30, 576, 0), (715827883, 576, 1), (-720, -576, 0),
                  (-2147483648, -2147483648, 1), (720, 576, -2147483648)]
        if ARCH == "i686":
            # An array of 2^30 + 4 rows wraps a 32-bit size to 16 bytes; a
            # 64-bit build really allocates and clears its 4 GiB.
            broken.insert(0, (720, 0x40000004, 0))
        script = "".join(f"start {w} {h} {f}; stop; " for w, h, f in broken)
        run = self.host(do=script + "start; frames 25; stop; done")
        starts = [line for line in run.lines if line.startswith("start ")]
        self.assertEqual([line.endswith("result=1") for line in starts], [True] * (len(broken) + 1), run.stdout)
        self.assertEqual(run.zooms(), [(25, "Korvisan", 15)])

    def test_stop_without_start_and_process_after_stop(self):
        run = self.host(do="stop; start; stop; frames 30; stop; done")
        self.assertNotIn("result=0", run.stdout)
        self.assertEqual(run.zooms(), [])

    def test_frames_too_small_to_measure_are_left_alone(self):
        for width, height in ((6, 576), (720, 3)):
            run = self.host("--width", str(width), "--height", str(height), "--pattern", "band:1",
                            do="start; frames 30; stop; done")
            self.assertEqual(run.zooms(), [], (width, height))

    def test_rgb_frames_are_never_measured(self):
        run = self.host("--format", "1", do="start; frames 30; dumpframe f.raw; stop; done")
        self.assertEqual(run.zooms(), [])
        with open(run.path("f.raw"), "rb") as f:
            self.assertEqual(f.read(4), bytes([16, 16, 16, 16]))  # top rows not painted


class Instances(HostTest):
    def test_numbered_instance_zooms_its_own_window_only(self):
        run = self.host("-inst:2", "--decoy", "Korvisan", do="start; frames 25; stop; done")
        self.assertIn("window Korvisan.Inst2", run.lines)
        self.assertEqual(run.zooms(), [(25, "Korvisan.Inst2", 15)])

    def test_without_a_host_window_frames_go_on(self):
        run = self.host("--no-window", do="start; frames 30; stop; done")
        self.assertEqual(run.zooms(), [])
        self.assertEqual(run.fields("summary"), {"frames": "30"})

    def test_switch_at_the_end_of_the_line_means_the_plain_instance(self):
        # "-inst:" at the very end of the command line: no suffix, plain title.
        run = self.host("--do", "start; frames 25; stop; done", "-inst:")
        self.assertEqual(run.zooms(), [(25, "Korvisan", 15)])


if __name__ == "__main__":
    unittest.main()
