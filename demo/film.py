#!/usr/bin/env python3
"""Plays a film through the plug-in in the reference host: the film part of
`./run demo`.

  demo/film.py --build BUILD_DIR --out OUT_DIR [--pal] [--rgb] [--dialog] FILM

ffmpeg decodes the film into a pipe and the host reads it from its standard
input one frame at a time (`--input -`), so the host holds a few frames and
the disk none, whatever the film's length. The frames are the film's own
size (an odd width gets one black column: YUY2 carries pixels in pairs);
--pal fits the film into a 720 x 576 frame of a 16:9 broadcast instead,
keeping its shape and filling the rest black. --rgb hands the frames over
as RGB24, bottom-up, as a viewer rendering in RGB does (the plug-in only
measures YUY2).

It prints the zoom commands as they come and a progress line, and leaves in
OUT_DIR the host's log, a timeline of the zoom, a still for every zoom
command and the last frame (see pictures.py); --dialog adds the
settings dialog's screenshots (dialog.sh). It runs the build's Windows
programs with ZEK_WINE (default: wine; one program's path) in the X display
and Wine prefix the caller gives (DISPLAY, WINEPREFIX).
"""
import argparse
import fractions
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import pictures

HERE = os.path.dirname(os.path.abspath(__file__))
# See fixed_layout in tests/e2e/wine32_runtime.sh.
RUNNER = ["setarch", "-R", os.environ.get("ZEK_WINE", "wine")]
PAL = (720, 576, fractions.Fraction(16, 9))
FORMAT_NAMES = {0: "YUY2", 1: "RGB24"}
DIALOG_FRAMES = 41  # what dialog.sh plays before it draws the metrics


class DemoError(Exception):
    pass


class Film:
    """What ffprobe says of a film's picture."""

    def __init__(self, path):
        done = subprocess.run(
            ["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
             "stream=width,height,sample_aspect_ratio,avg_frame_rate,r_frame_rate,nb_frames,duration"
             ":format=duration", "-of", "json", path],
            stdin=subprocess.DEVNULL, capture_output=True, text=True, errors="replace")
        if done.returncode != 0:
            raise DemoError("ffprobe cannot read %s: %s" % (path, done.stderr.strip()))
        found = json.loads(done.stdout or "{}")
        streams = found.get("streams") or []
        if not streams or not streams[0].get("width"):
            raise DemoError("%s holds no picture" % path)
        stream = streams[0]
        self.path = path
        self.width, self.height = int(stream["width"]), int(stream["height"])
        self.sar = _fraction(stream.get("sample_aspect_ratio")) or fractions.Fraction(1)
        self.fps = (_fraction(stream.get("avg_frame_rate")) or _fraction(stream.get("r_frame_rate"))
                    or fractions.Fraction(25))
        # The count the file states, else its duration at its rate; neither
        # is promised, so the progress says "about" for the second.
        self.frames, self.counted = None, False
        if str(stream.get("nb_frames", "")).isdigit() and int(stream["nb_frames"]) > 0:
            self.frames, self.counted = int(stream["nb_frames"]), True
        else:
            duration = _number(stream.get("duration")) or _number((found.get("format") or {}).get("duration"))
            if duration:
                self.frames = round(duration * self.fps)


def _fraction(text):
    try:
        value = fractions.Fraction(str(text).replace(":", "/"))
    except (ValueError, ZeroDivisionError):
        return None
    return value if value > 0 else None


def _number(text):
    try:
        return float(text)
    except (TypeError, ValueError):
        return None


def _even(value):
    return max(2, 2 * round(value / 2))


class Frames:
    """The frames the host hands over: size, pixel format, the shape of their
    pixels, and the ffmpeg filter that makes them of the film."""

    def __init__(self, film, pal, pixel_format):
        self.pixel_format = pixel_format
        if not pal:
            self.width = film.width + (film.width % 2 if pixel_format == 0 else 0)
            self.height, self.aspect = film.height, film.sar
            # A film whose picture changes size midway keeps its first one.
            self.fit = "scale=%d:%d" % (film.width, film.height)
            if self.width != film.width:
                self.fit += ",pad=%d:%d:0:0:black" % (self.width, self.height)
            return
        self.width, self.height, screen = PAL
        self.aspect = screen * self.height / self.width
        shape = film.width * film.sar / film.height
        if shape >= screen:
            picture_w, picture_h = self.width, min(self.height, _even(self.height * screen / shape))
        else:
            picture_w, picture_h = min(self.width, _even(self.width * shape / screen)), self.height
        self.fit = "scale=%d:%d,setsar=%d/%d,pad=%d:%d:%d:%d:black" % (
            picture_w, picture_h, self.aspect.numerator, self.aspect.denominator, self.width, self.height,
            (self.width - picture_w) // 4 * 2, (self.height - picture_h) // 4 * 2)

    def decoder(self, film, count=None):
        """ffmpeg writing the film's raw frames to its standard output; every
        decoded frame once, as a viewer shows it."""
        pix_fmt, upright = pictures.RAW_FORMATS[self.pixel_format]
        # vflip turns the picture over for the bottom-up rows of RGB24.
        chain = self.fit + ("," + upright.rstrip(",") if upright else "")
        return ["ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-i", film.path, "-map", "0:v:0",
                "-fps_mode", "passthrough", "-vf", chain, "-pix_fmt", pix_fmt,
                *(["-frames:v", str(count)] if count else []), "-f", "rawvideo", "pipe:1"]

    def raw(self, path):
        return pictures.RawFrame(path, self.width, self.height, self.pixel_format, self.aspect)

    def __str__(self):
        return "%dx%d %s" % (self.width, self.height, FORMAT_NAMES[self.pixel_format])


class Progress:
    """One line that updates itself on a terminal; elsewhere a plain line
    every `every` seconds and at the end. Other lines go above it."""

    def __init__(self, total, counted, out=sys.stdout, every=10.0):
        self.total, self.counted, self.out, self.every = total, counted, out, every
        self.terminal = out.isatty()
        self.started = None  # the first frame's time and count: the host's start-up is no part of the rate
        self.done = 0
        self.shown = None
        self.last_plain = time.monotonic()

    def text(self):
        line = "frame %d" % self.done
        if self.total:
            line += " of %s%d (%d%%)" % ("" if self.counted else "about ", self.total,
                                         min(100, 100 * self.done // self.total))
        rate = self.rate()
        if rate:
            line += ", %.1f frames/s" % rate
            if self.total and self.done < self.total:
                line += ", %s left" % pictures.clock((self.total - self.done) / rate).split(".")[0]
        return line

    def rate(self):
        if not self.started:
            return None
        seconds = time.monotonic() - self.started[0]
        return (self.done - self.started[1]) / seconds if seconds > 0.5 and self.done > self.started[1] else None

    def update(self, done):
        self.done = done
        if self.started is None:
            self.started = (time.monotonic(), done)
        if self.terminal:
            self._draw()
        elif time.monotonic() - self.last_plain >= self.every:
            self.last_plain = time.monotonic()
            self.out.write(self.text() + "\n")
        self.out.flush()

    def say(self, line):
        if self.terminal and self.shown is not None:
            self.out.write("\r\x1b[K")
            self.shown = None
        self.out.write(line + "\n")
        if self.terminal and self.started:
            self._draw()
        self.out.flush()

    def finish(self):
        if self.terminal:
            self._draw()
            self.out.write("\n")
        else:
            self.out.write(self.text() + "\n")
        self.out.flush()

    def _draw(self):
        self.shown = self.text()
        self.out.write("\r" + self.shown + "\x1b[K")


def _fields(line):
    return dict(part.split("=", 1) for part in line.split() if "=" in part)


class Play:
    """One play of the film through the host: the decoder's pipe in, the
    host's lines out, followed as they come."""

    def __init__(self, args, film, frames, work):
        self.args, self.film, self.frames, self.work = args, film, frames, work
        self.zooms = []  # (frame, value)
        self.end = None  # the host's "input end" fields
        self.summary = None
        self.memory = None
        self.progress = Progress(film.frames, film.counted)

    def run(self):
        out = self.args.out
        script = "start; frames all; dumpframe last.raw; stop; done"
        frames = self.frames
        host_command = [*RUNNER, "./zek_host.exe", "--input", "-", "--width", str(frames.width),
                        "--height", str(frames.height), "--format", str(frames.pixel_format),
                        "--channel-name", "Demo channel", "--progress", "250", "--zoom-frames", "frames",
                        "--do", script]
        with open(os.path.join(out, "ffmpeg.log"), "wb") as decoder_log, \
                open(os.path.join(out, "host.log"), "wb") as host_log, \
                open(os.path.join(out, "host.err"), "wb") as host_err:
            decoder = subprocess.Popen(frames.decoder(self.film),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=decoder_log)
            try:
                # The host's output goes to a file, not a pipe: the Wine session's
                # own programs, which a first host starts, keep its outputs open.
                host = subprocess.Popen(host_command, cwd=self.work, stdin=decoder.stdout,
                                        stdout=host_log, stderr=host_err)
            finally:
                decoder.stdout.close()  # the host's end alone: ffmpeg learns when it goes
            try:
                status = self._follow(host, os.path.join(out, "host.log"))
            finally:
                if host.poll() is None:
                    host.kill()
                    host.wait()
            self.progress.finish()
            return self._outcome(status, decoder)

    def _follow(self, host, log):
        pending = b""
        with open(log, "rb") as lines:
            while True:
                status = host.poll()
                chunk = lines.read()
                pending += chunk
                *complete, pending = pending.split(b"\n")
                for line in complete:
                    self._line(line.decode("latin-1").rstrip("\r"))
                if status is not None and not chunk:
                    return status
                if not chunk:
                    time.sleep(0.2)

    def _line(self, line):
        if line.startswith("progress "):
            self.progress.update(int(_fields(line)["frames"]))
        elif line.startswith("zoom "):
            f = _fields(line)
            frame, value = int(f["frame"]), int(f["value"])
            self.zooms.append((frame, value))
            self.progress.say("zoom frame=%d value=%d at %s" % (frame, value, self.clock(frame)))
        elif line.startswith("input end"):
            self.end = _fields(line)
        elif line.startswith("summary "):
            self.summary = _fields(line)
            self.progress.update(int(self.summary["frames"]))
        elif line.startswith("memory "):
            self.memory = _fields(line)
        elif line.startswith(("cpu ", "error ")):
            self.progress.say(line)

    def decoder_said(self, lines):
        return "\n".join(_text(os.path.join(self.args.out, "ffmpeg.log")).strip().split("\n")[-lines:])

    def clock(self, frame):
        return pictures.clock((frame - 1) / self.film.fps)

    def _outcome(self, host_status, decoder):
        """None when the film played to its end, else what went wrong."""
        out = self.args.out
        if host_status != 0 or self.summary is None or self.end is None:
            # The host stopped before the film's end: the decoder would wait
            # for a reader for ever.
            _stop(decoder)
            return "the host %s before the end of the film; it printed:\n%s%s" % (
                "exited with %d" % host_status if host_status >= 0 else "was killed by signal %d" % -host_status,
                _text(os.path.join(out, "host.log")), _text(os.path.join(out, "host.err")))
        try:
            decoder.wait(timeout=60)
        except subprocess.TimeoutExpired:
            _stop(decoder)
            return "ffmpeg did not end after the host had read its last frame"
        if decoder.returncode != 0:
            return "ffmpeg failed after %s frames (exit %d); its last words:\n%s" % (
                self.end.get("frames"), decoder.returncode, self.decoder_said(8))
        if "read_error" in self.end:
            return "the host could not read the pipe after %s frames (Windows error %s)" % (
                self.end["frames"], self.end["read_error"])
        if "partial_bytes" in self.end:
            return "the film's last frame was cut short: %s of %s bytes" % (
                self.end["partial_bytes"], self.end["of"])
        return None


def _stop(process):
    """Ends a decoder whose frames nobody reads any more."""
    if process.poll() is None:
        process.kill()
    process.wait()


def _count(n, thing):
    return "%d %s%s" % (n, thing, "" if n == 1 else "s")


def _text(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "replace")


def leave_pictures(play, out):
    """The stills, the timeline and the last frame, from the raw frames the
    host wrote into the work folder."""
    made = []
    for count, value in play.zooms:
        raw = os.path.join(play.work, "frames", "zoom-%d.raw" % count)
        if not os.path.exists(raw):
            raise DemoError("the host wrote no frame for the zoom command at frame %d" % count)
        name = "zoom-%06d.png" % count
        edge = pictures.still(play.frames.raw(raw), os.path.join(out, name), count, value,
                              (count - 1) / play.film.fps)
        print("%s: zoom %d at frame %d, %s" % (
            name, value, count, "no black band at the top" if edge is None else "last row of the band: %d" % edge))
        made.append(name)
    played = int(play.summary["frames"])
    title = "Zoom asked for by the plug-in: %s, %s, %d frames, %s" % (
        os.path.basename(play.film.path), play.frames, played,
        _count(len(play.zooms), "zoom command"))
    pictures.timeline(os.path.join(out, "timeline.png"), title, play.zooms, played, float(play.film.fps))
    made.append("timeline.png")
    last = os.path.join(play.work, "last.raw")
    if os.path.exists(last):
        pictures.frame_png(play.frames.raw(last), os.path.join(out, "last_frame.png"))
        made.append("last_frame.png")
    return made


def dialog(args, film, frames):
    """The settings dialog's screenshots, with the film's first frames."""
    # (What ffmpeg says of the film, the play has told.)
    decoder = subprocess.Popen(frames.decoder(film, DIALOG_FRAMES),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        done = subprocess.run([os.path.join(HERE, "dialog.sh"), args.build, args.out,
                               str(frames.width), str(frames.height), str(frames.pixel_format)],
                              stdin=decoder.stdout)
    finally:
        decoder.stdout.close()
        _stop(decoder)
    if done.returncode != 0:
        raise DemoError("the dialog's screenshots failed (exit %d)" % done.returncode)


def clear_earlier(out):
    """Pictures of an earlier play would mix with this one's."""
    for name in os.listdir(out):
        if re.fullmatch(r"zoom-\d+\.png|timeline\.png|last_frame\.png", name):
            os.remove(os.path.join(out, name))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", required=True, help="build/i686 or build/x86_64")
    parser.add_argument("--out", required=True)
    parser.add_argument("--pal", action="store_true", help="a 720 x 576 16:9 frame instead of the film's size")
    parser.add_argument("--rgb", action="store_true", help="RGB24 frames instead of YUY2")
    parser.add_argument("--dialog", action="store_true", help="also the settings dialog's screenshots")
    parser.add_argument("film")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="zek-demo-")
    try:
        film = Film(args.film)
        frames = Frames(film, args.pal, 1 if args.rgb else 0)
        print("%s: %dx%d at %s frames/s%s; handed over as %s" % (
            film.path, film.width, film.height, round(float(film.fps), 3),
            ", %d frames" % film.frames if film.frames else "", frames))
        sys.stdout.flush()
        plugin = os.path.join(args.build, "plugin")
        for name in ("zek_host.exe", "ZEK_DideZede.dll"):
            shutil.copy(os.path.join(plugin, name), work)
        os.mkdir(os.path.join(work, "frames"))
        clear_earlier(args.out)
        play = Play(args, film, frames, work)
        began = time.monotonic()
        failure = play.run()
        if failure and play.summary is None:
            raise DemoError(failure)
        seconds = time.monotonic() - began
        played = int(play.summary["frames"])
        print("played %d frames in %.1f s (%.1f frames/s); %s" % (
            played, seconds, played / seconds, _count(len(play.zooms), "zoom command")))
        if not failure and play.decoder_said(1):
            print("ffmpeg reported trouble with the film (all of it in ffmpeg.log):\n" + play.decoder_said(4))
        if play.memory:
            print("the host's peak memory: %.1f MB working set, %.1f MB private" % (
                int(play.memory["peak_working_set_kb"]) / 1024, int(play.memory["peak_private_kb"]) / 1024))
        made = leave_pictures(play, args.out)
        print("pictures in %s: %s" % (args.out, " ".join(made)))
        if failure:
            raise DemoError(failure)
        if args.dialog:
            dialog(args, film, frames)
    except (DemoError, RuntimeError) as error:
        print("error: %s" % error, file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
