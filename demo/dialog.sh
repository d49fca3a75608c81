#!/usr/bin/env bash
# Shows the settings dialog to people: opens it over the reference host's
# window in English and in Russian, with the range balloon and the About box,
# and keeps one frame with the metrics graph drawn into it. All as PNG.
#   demo/dialog.sh BUILD_DIR OUT_DIR [WIDTH HEIGHT FORMAT]
# (BUILD_DIR: build/i686 or build/x86_64). With a frame size and format, the
# frames come from the standard input (41 of them, a decoder's pipe); without,
# a 720 x 576 picture with a band.
# ZEK_WINE is the program that runs the build's programs (default: wine; a
# path, spaces and all).
set -euo pipefail
build=${1:?build folder}
out=${2:?output folder}
mkdir -p "$out"
out=$(cd "$out" && pwd)
# The host, its settings and the raw frames and bitmaps it writes stay out of
# OUT_DIR; what the host printed is shown when it fails.
work=$(mktemp -d "${TMPDIR:-/tmp}/zek-dialog-XXXXXX")
trap 'status=$?; [ $status = 0 ] || tail -n +1 "$work"/*.log "$work"/*.err >&2 2>/dev/null; rm -rf "$work"; exit $status' EXIT
cp "$build/plugin/zek_host.exe" "$build/plugin/ZEK_DideZede.dll" "$work/"
export WINEDEBUG=${WINEDEBUG:-fixme-all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winedbg.exe=d;mscoree,mshtml="}

input=(--pattern band:72) size=(720 576 0)
if [ $# -ge 5 ]; then
  size=("$3" "$4" "$5")
  input=(--input - --width "$3" --height "$4" --format "$5")
fi

runner=(setarch -R "${ZEK_WINE:-wine}")  # see fixed_layout in tests/e2e/wine32_runtime.sh
host() {  # display-less callers get a virtual screen of the tests' size
  if [ -n "${DISPLAY:-}" ]; then "${runner[@]}" ./zek_host.exe "$@"
  else xvfb-run -a -s "-screen 0 1280x1024x24" "${runner[@]}" ./zek_host.exe "$@"; fi
}

cd "$work"
host "${input[@]}" --channel-name "Demo channel" --do "start; frames 40; setup; pump 300; \
  screenshot en.bmp host; clear 5105; key 5105 enter; screenshot en_balloon.bmp; key 5105 escape; \
  click 5051; frames 1; dumpframe metrics.raw; about about.bmp; click 5002; stop; done" 2>en.err >en.log
rm -rf Plugins
LANG=ru_RU.UTF-8 host --width "${size[0]}" --height "${size[1]}" --format "${size[2]}" --language 1049 \
  --channel-name "Demo channel" --do "start; frames 1; setup; pump 300; screenshot ru.bmp host; clear 5105; \
  key 5105 enter; screenshot ru_balloon.bmp; key 5105 escape; close; stop; done" 2>ru.err >ru.log

png() { ffmpeg -loglevel error -y "$@"; }
png -i en.bmp "$out/dialog_en.png"
png -i en_balloon.bmp "$out/dialog_en_balloon.png"
png -i ru.bmp "$out/dialog_ru.png"
png -i ru_balloon.bmp "$out/dialog_ru_balloon.png"
png -i about.bmp "$out/about_en.png"
# (RGB24 frames lie bottom-up.)
raw=(-pix_fmt yuyv422) upright=null
[ "${size[2]}" = 1 ] && raw=(-pix_fmt bgr24) upright=vflip
png -f rawvideo "${raw[@]}" -video_size "${size[0]}x${size[1]}" -i metrics.raw -vf "$upright" -frames:v 1 "$out/metrics_frame.png"
echo "dialog_en.png dialog_en_balloon.png dialog_ru.png dialog_ru_balloon.png about_en.png metrics_frame.png in $out"
