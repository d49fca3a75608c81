"""The demo's pictures of what the plug-in did with a film: ffmpeg and
ImageMagick draw them; this file only says what to draw.

- a timeline: the zoom the plug-in asked for over the film's time, each
  command marked with its value;
- for each zoom command, a still of the frame during which it was sent (as
  the plug-in left it), the black band's last row marked in red, beside the
  same frame enlarged by the command's percentage about its centre, as a
  viewer that applies the zoom that way shows it.
"""
import math
import os
import re
import shutil
import subprocess

# ffmpeg's names for the host's pixel formats; RGB24 frames lie bottom-up.
RAW_FORMATS = {0: ("yuyv422", ""), 1: ("bgr24", "vflip,")}
# A half of a still at most this wide: a 4K film's stills stay a few MB.
STILL_HALF_WIDTH = 1280
CAPTION_HEIGHT = 28
# ImageMagick 7 names its one program magick and keeps convert only for a
# while; ImageMagick 6 has convert alone.
MAGICK = shutil.which("magick") or "convert"


def _run(command):
    done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True, errors="replace")
    if done.returncode != 0:
        raise RuntimeError("%s failed (exit %d): %s" % (command[0], done.returncode, done.stderr.strip()))
    return done


class RawFrame:
    """A frame as the host handed it over: its bytes in a file, its size,
    its pixel format and the shape of its pixels (a 16:9 PAL frame's are
    wider than high), by which the pictures show it as a screen would."""

    def __init__(self, path, width, height, pixel_format, pixel_aspect=1):
        self.path, self.width, self.height = path, width, height
        self.pixel_format, self.pixel_aspect = pixel_format, pixel_aspect

    def input(self):
        codec, _ = RAW_FORMATS[self.pixel_format]
        return ["-f", "rawvideo", "-pix_fmt", codec, "-video_size", "%dx%d" % (self.width, self.height),
                "-i", self.path]

    def upright(self):
        return RAW_FORMATS[self.pixel_format][1]

    def shown(self, most_width):
        """The filter that gives the frame its screen shape, no wider than
        most_width; and the scale of its rows, which stay whole when it is 1."""
        width = self.width * self.pixel_aspect
        scale = min(1.0, most_width / width)
        if scale == 1 and self.pixel_aspect == 1:
            return "", scale
        return "scale=%d:%d," % (2 * round(width * scale / 2), round(self.height * scale)), scale


def frame_png(frame, png):
    """The frame, as the host handed it over, as a PNG."""
    shape, _ = frame.shown(float("inf"))
    _run(["ffmpeg", "-nostdin", "-v", "error", "-y", *frame.input(),
          "-vf", frame.upright() + shape + "setsar=1", "-frames:v", "1", png])


def band_edge_row(frame):
    """The last row of the black band at the top, as ffmpeg's cropdetect
    finds the picture's first row; None when the picture starts at the top.
    The plug-in paints rows 0 to 3 dark grey, so they count as band here."""
    done = _run(["ffmpeg", "-nostdin", "-v", "info", "-hide_banner", *frame.input(),
                 "-vf", frame.upright() + "drawbox=x=0:y=0:w=iw:h=4:color=black:t=fill,cropdetect=skip=0",
                 "-frames:v", "1", "-f", "null", "-"])
    found = re.findall(r"\by1:(\d+)", done.stderr)
    if not found or int(found[-1]) <= 4:
        return None
    return int(found[-1]) - 1


def still(frame, png, count, zoom, seconds):
    """The still of the zoom command sent during the frame-th frame; returns
    the band's last row it marked."""
    edge = band_edge_row(frame)
    shape, scale = frame.shown(STILL_HALF_WIDTH)
    # A marker as thick as one row of the film stays visible when scaled
    # down; tabs at both sides, inside the band, show where to look.
    thick = max(1, math.ceil(1 / scale))
    mark = ""
    if edge is not None:
        tab = min(edge + 1, 8 * thick)
        mark = ("drawbox=x=0:y=%d:w=iw:h=%d:color=red:t=fill,drawbox=x=0:y=%d:w=%d:h=%d:color=red:t=fill,"
                "drawbox=x=iw-%d:y=%d:w=%d:h=%d:color=red:t=fill," %
                (edge - thick + 1, thick, edge - tab + 1, 16 * thick, tab, 16 * thick, edge - tab + 1, 16 * thick, tab))
    grown_w = 2 * round(frame.width * (100 + zoom) / 200)
    grown_h = 2 * round(frame.height * (100 + zoom) / 200)
    graph = ("[0]%ssplit[a][b];[a]%s%spad=iw+8:ih:0:0:white,setsar=1[l];"
             "[b]scale=%d:%d,crop=%d:%d,%ssetsar=1[r];[l][r]hstack" %
             (frame.upright(), mark, shape, grown_w, grown_h, frame.width, frame.height, shape))
    picture = png + ".part.png"
    _run(["ffmpeg", "-nostdin", "-v", "error", "-y", *frame.input(),
          "-filter_complex", graph, "-frames:v", "1", picture])
    where = "last row of the band: %d (red)" % edge if edge is not None else "no black band at the top"
    caption = "zoom %d%% sent at frame %d (%s); %s; right: enlarged by %d%% about the centre" % (
        zoom, count, clock(seconds), where, zoom)
    _caption(picture, png, caption)
    return edge


def _caption(picture, png, text):
    _run([MAGICK, picture, "-background", "white", "-gravity", "northwest", "-splice", "0x%d" % CAPTION_HEIGHT,
          "-fill", "black", "-pointsize", "16", "-annotate", "+6+5", _safe(text), png])
    os.remove(picture)


def _safe(text):
    """Text for ImageMagick's drawing, which reads quotes and backslashes."""
    return re.sub(r"['\"\\]", "_", text)


def clock(seconds):
    minutes, rest = divmod(max(0.0, seconds), 60)
    hours, minutes = divmod(int(minutes), 60)
    return ("%d:%02d:%05.2f" % (hours, minutes, rest)) if hours else ("%d:%05.2f" % (minutes, rest))


def _nice_step(span, most):
    """The smallest of 1, 2, 5, 10, 15, 30, 60, ... that cuts span into at most `most` steps."""
    for step in (1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200):
        if span / step <= most:
            return step
    return math.ceil(span / most)


def timeline(png, title, zooms, frames, fps, width=1200, height=420):
    """zooms: (frame, value) of every command; frames: how many were played."""
    left, right, top, bottom = 70, 30, 50, 60
    plot_w, plot_h = width - left - right, height - top - bottom
    seconds = max(frames / fps, 1 / fps)
    most = max([value for _, value in zooms] + [10])
    ceiling = 5 * math.ceil(most * 1.15 / 5)

    def x(t):
        return left + plot_w * t / seconds

    def y(value):
        return top + plot_h * (1 - value / ceiling)

    draw = ["stroke gray80", "stroke-width 1"]
    step = _nice_step(ceiling, 8)
    for value in range(0, ceiling + 1, step):
        draw.append("line %d,%.1f %d,%.1f" % (left, y(value), left + plot_w, y(value)))
    tick = _nice_step(seconds, 12)
    for t in range(0, int(seconds) + 1, tick):
        draw.append("line %.1f,%d %.1f,%d" % (x(t), top, x(t), top + plot_h))
    draw += ["stroke black", "line %d,%d %d,%d" % (left, top + plot_h, left + plot_w, top + plot_h),
             "line %d,%d %d,%d" % (left, top, left, top + plot_h)]
    # The zoom in effect: none until the first command, then each command's
    # value until the next.
    points, current = [(0.0, 0)], 0
    for frame, value in zooms:
        t = (frame - 1) / fps
        points += [(t, current), (t, value)]
        current = value
    points.append((seconds, current))
    draw += ["stroke blue", "stroke-width 2", "fill none",
             "polyline " + " ".join("%.1f,%.1f" % (x(t), y(v)) for t, v in points)]
    draw += ["stroke red", "stroke-width 1", "fill red"]
    for frame, value in zooms:
        cx, cy = x((frame - 1) / fps), y(value)
        draw.append("circle %.1f,%.1f %.1f,%.1f" % (cx, cy, cx + 4, cy))
    draw += ["stroke none", "fill black", "font-size 13"]
    for value in range(0, ceiling + 1, step):
        draw.append("text %d,%.1f '%d%%'" % (left - 40, y(value) + 4, value))
    for t in range(0, int(seconds) + 1, tick):
        draw.append("text %.1f,%d '%s'" % (x(t) - 12, top + plot_h + 18, clock(t).split(".")[0]))
    draw.append("text %d,%d 'time in the film'" % (left + plot_w // 2 - 45, height - 18))
    draw.append("fill red")
    for frame, value in zooms:
        draw.append("text %.1f,%.1f '%d'" % (x((frame - 1) / fps) + 5, y(value) - 6, value))
    draw += ["fill black", "font-size 16", "text %d,%d '%s'" % (left, 30, _safe(title))]
    _run([MAGICK, "-size", "%dx%d" % (width, height), "xc:white", "-draw", "\n".join(draw), png])
