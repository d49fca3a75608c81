"""Frames streamed into the host through a pipe, as ffmpeg decodes them, and
the film demo that plays a viewer's own film that way."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from harness import HostTest, Run

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DEMO = os.path.join(ROOT, "demo", "film.py")

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


def ffmpeg(*args, timeout=120):
    done = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", *args], stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=timeout)
    if done.returncode != 0:
        raise AssertionError("ffmpeg %s failed (exit %d): %s" % (args, done.returncode, done.stderr.decode()))
    return done.stdout


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


class FilmDemo(HostTest):
    """demo/film.py, as `./run demo FILM` runs it."""

    def setUp(self):
        super().setUp()
        self.films = tempfile.mkdtemp(prefix="zek-films-")
        self.addCleanup(shutil.rmtree, self.films, True)

    def film(self, name, source, *codec):
        path = os.path.join(self.films, name)
        ffmpeg("-f", "lavfi", "-i", source, *codec, path)
        return path

    def demo(self, film, *options, build=None, timeout=600):
        out = os.path.join(self.folder, "demo-out")
        command = [sys.executable, DEMO, "--build", build or os.environ["ZEK_BUILD"], "--out", out, *options, film]
        with tempfile.TemporaryFile() as said, tempfile.TemporaryFile() as errors:
            try:
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=said, stderr=errors,
                                        timeout=timeout).returncode
            except subprocess.TimeoutExpired:
                status = None
            said.seek(0)
            errors.seek(0)
            run = Run(out, subprocess.CompletedProcess(command, status, said.read(), errors.read()), timeout)
        self.runs.append(run)
        if status is None:
            self.fail("the demo %s\n%s" % (run.ended(), run.report()))
        return run

    def odd_film(self):
        """100 frames of 851 x 387, neither a multiple of 8, kept exactly
        (lossless): a band of 44 rows, then two white rows and a picture
        with nothing dark in it, so the peak is row 43."""
        return self.film("odd.mkv", "testsrc2=size=851x343:rate=25:duration=4,format=yuv444p,"
                         "lutyuv=y=max(val\\,40),pad=851:387:0:44:black,"
                         "drawbox=x=0:y=44:w=iw:h=2:color=white:t=fill", "-c:v", "ffv1")

    def test_a_film_of_any_size_plays_to_its_end_with_its_pictures_and_no_raw_frames(self):
        run = self.demo(self.odd_film())
        self.assertEqual(run.returncode, 0, run.report())
        # An odd width gets one black column: YUY2 carries pixels in pairs.
        self.assertIn("handed over as 852x387 YUY2", run.stdout)
        # 4300 / (387 - 86) + 3 = 17, once the 25 frames after the switch are through.
        self.assertIn("zoom frame=25 value=17 at 0:00.96", run.lines)
        self.assertEqual(len([line for line in run.lines if line.startswith("zoom ")]), 1, run.stdout)
        # Not a terminal: plain progress lines, the last at the end.
        self.assertIn("frame 100 of about 100 (100%)", run.stdout)
        with open(run.path("host.log")) as log:
            self.assertIn("input end frames=100", log.read())
        names = sorted(os.listdir(run.folder))
        self.assertEqual([n for n in names if n.endswith(".png")], ["last_frame.png", "timeline.png", "zoom-000025.png"])
        for name in names:
            self.assertRegex(name, r"\.(png|log|err)$", "only pictures and logs are left: %s" % names)
            self.assertLess(os.path.getsize(run.path(name)), 20 << 20, name)
        # The still: the frame beside itself enlarged, under a caption; the
        # band's last row marked where the film has it.
        probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height", "-of", "csv=p=0",
                                run.path("zoom-000025.png")], capture_output=True, text=True)
        self.assertEqual(probe.stdout.strip(), "%d,%d" % (2 * 852 + 8, 387 + 28))
        self.assertIn("zoom-000025.png: zoom 17 at frame 25, last row of the band: 43", run.lines)

    def test_rgb_frames_are_handed_over_bottom_up_and_never_measured(self):
        run = self.demo(self.odd_film(), "--rgb")
        self.assertEqual(run.returncode, 0, run.report())
        self.assertIn("handed over as 851x387 RGB24", run.stdout)
        self.assertEqual([line for line in run.lines if line.startswith("zoom ")], [])
        # The last frame, turned upright again: the band's 44 black rows on
        # top, then the white ones, as in the film.
        raw = ffmpeg("-i", run.path("last_frame.png"), "-f", "rawvideo", "-pix_fmt", "rgb24", "pipe:1")
        row = 3 * 851
        self.assertEqual(len(raw), row * 387)
        self.assertEqual(raw[:44 * row], bytes(44 * row))
        self.assertEqual(raw[44 * row:46 * row], b"\xff" * (2 * row))

    def test_a_host_that_fails_stops_the_decoder_and_says_what_it_printed(self):
        build = os.path.join(self.films, "build")
        os.makedirs(os.path.join(build, "plugin"))
        shutil.copy(os.environ["ZEK_HOST"], os.path.join(build, "plugin", "zek_host.exe"))
        with open(os.path.join(build, "plugin", "ZEK_DideZede.dll"), "w") as f:
            f.write("not a module")
        # Longer than a pipe holds: ffmpeg waits on a reader that is gone
        # until the demo stops it.
        run = self.demo(self.odd_film(), build=build, timeout=300)
        self.assertEqual(run.returncode, 1, run.report())
        self.assertIn("the host exited with 2 before the end of the film", run.stderr)
        self.assertIn("error cannot load ZEK_DideZede.dll", run.stderr)

    def test_ffmpeg_failing_midway_is_told_in_its_words_after_the_host_has_ended_cleanly(self):
        # One second the decoder reads, then a file of another codec that it
        # cannot: ffmpeg gives up when most frames fail.
        self.film("good.mkv", "testsrc2=size=320x240:rate=25:duration=1", "-c:v", "libx264", "-bf", "0")
        self.film("other.mkv", "testsrc2=size=320x240:rate=25:duration=4", "-c:v", "ffv1")
        listing = os.path.join(self.films, "broken.ffconcat")
        with open(listing, "w") as f:
            f.write("ffconcat version 1.0\nfile good.mkv\nfile other.mkv\n")
        run = self.demo(listing)
        self.assertEqual(run.returncode, 1, run.report())
        self.assertRegex(run.stderr, r"ffmpeg failed after 25 frames \(exit \d+\); its last words:\n")
        self.assertIn("Invalid data found when processing input", run.stderr)
        with open(run.path("host.log")) as log:
            host = log.read()
        self.assertIn("input end frames=25\n", host.replace("\r", ""))
        self.assertIn("summary frames=25", host)


if __name__ == "__main__":
    unittest.main()
