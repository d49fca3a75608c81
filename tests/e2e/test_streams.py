"""Frames streamed into the host through a pipe, as ffmpeg decodes them."""
import os
import subprocess
import sys
import tempfile
import unittest

from harness import HostTest

# A letterbox of 72 rows over a 720 x 576 frame. The picture's two top rows
# are white and nothing in it is dark, so the only edge the plug-in finds is
# the band's: rows 70 and 71 measure alike, the peak is row 71, and the zoom
# is 7100 / (576 - 142) + 3 = 19. Two seconds of the test source, repeated:
# the decoder's cost stays small beside the stream's.
LETTERBOX = ("testsrc2=size=720x432:rate=25:duration=2,lutyuv=y=max(val\\,40),pad=720:576:0:72:black,"
             "drawbox=x=0:y=72:w=iw:h=2:color=white:t=fill,format=yuyv422,loop=loop=-1:size=50")
LONG, SHORT = 20000, 2000
PEAK_LIMIT_KB = 100 * 1024
# Ten times the stream may not cost the host a quarter of one more frame (a
# leak of a dozen bytes a frame would); the figures of one length vary by
# some 30 KB from run to run under the emulator.
GROWTH_LIMIT_KB = 720 * 576 * 2 // 1024 // 4


class ThroughThePipe(HostTest):
    def stream(self, source, frames, *args, do="start; frames all; stop; done", timeout=600):
        """The host reading `frames` frames that ffmpeg makes of a test
        source, from its standard input; the run, and what ffmpeg said."""
        with tempfile.TemporaryFile() as said:
            decoder = subprocess.Popen(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", source,
                                        "-frames:v", str(frames), "-f", "rawvideo", "pipe:1"],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=said)
            try:
                run = self.host("--input", "-", *args, do=do, timeout=timeout, stdin=decoder.stdout)
            finally:
                decoder.stdout.close()
                if decoder.poll() is None:
                    decoder.kill()
                decoder.wait()
            said.seek(0)
            words = said.read().decode("utf-8", "replace")
        self.assertEqual(decoder.returncode, 0, "ffmpeg failed: " + words)
        return run

    def test_a_long_stream_plays_in_the_memory_of_a_short_one_and_zooms_to_its_band(self):
        peaks = {}
        for frames in (SHORT, LONG):
            run = self.stream(LETTERBOX, frames)
            self.assertEqual(run.fields("input end"), {"frames": str(frames)})
            self.assertEqual(run.fields("summary"), {"frames": str(frames)})
            self.assertEqual(run.zooms(), [(25, "Korvisan", 19)])
            memory = run.fields("memory")
            peaks[frames] = int(memory["peak_working_set_kb"]), int(memory["peak_private_kb"])
            print("the host's peak memory after %d frames of 720x576: working set %d KB, private %d KB" %
                  (frames, *peaks[frames]), file=sys.stderr)
        self.assertLess(peaks[LONG][0], PEAK_LIMIT_KB, peaks)
        for kind, short, long in zip(("working set", "private"), peaks[SHORT], peaks[LONG]):
            self.assertLessEqual(long - short, GROWTH_LIMIT_KB, "%s grew: %s" % (kind, peaks))

    def test_a_last_frame_cut_short_ends_the_stream_and_the_script_goes_on(self):
        frame = 720 * 576 * 2
        path = self.write_frames("cut.yuv", [b"\x01" * frame, b"\x02" * frame, b"\x03" * (frame // 2)])
        script = "start; frames 5; frames all; dumpframe last.raw; stop; done"
        end = "input end frames=2 partial_bytes=%d of=%d" % (frame // 2, frame)
        for through_pipe in (False, True):
            with open(path, "rb") as f:
                # (cat makes a pipe of the file.)
                cat = subprocess.Popen(["cat"], stdin=f, stdout=subprocess.PIPE) if through_pipe else None
                try:
                    run = self.host("--input", "-" if cat else path, do=script, stdin=cat and cat.stdout)
                finally:
                    if cat:
                        cat.stdout.close()
                        cat.wait()
            self.assertEqual([line for line in run.lines if line.startswith("input end")], [end])
            self.assertEqual(run.fields("summary"), {"frames": "2"})
            self.assertIn("done", run.lines)
            # The last frame played stays whole; the piece after it is not played.
            with open(run.path("last.raw"), "rb") as f:
                self.assertEqual(f.read(), b"\x02" * frame, "through the pipe" if through_pipe else "from the file")


if __name__ == "__main__":
    unittest.main()
