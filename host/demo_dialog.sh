#!/usr/bin/env bash
# Shows the settings dialog to people: opens it over the reference host's
# window in English and in Russian, with the range balloon and the About box,
# and keeps one frame with the metrics graph drawn into it. All as PNG.
#   host/demo_dialog.sh BUILD_DIR OUT_DIR     (BUILD_DIR: build/i686 or build/x86_64)
# ZEK_WINE is the command that runs the build's programs (default: wine).
set -euo pipefail
build=${1:?build folder}
out=${2:?output folder}
mkdir -p "$out/dialog"
work=$out/dialog
cp "$build/plugin/zek_host.exe" "$build/plugin/ZEK_DideZede.dll" "$work/"
export WINEDEBUG=${WINEDEBUG:-fixme-all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winedbg.exe=d;mscoree,mshtml="}

# The letterboxed clip of the main demo when there is one, else a band.
input=(--pattern band:72)
[ -f "$out/clip.yuv" ] && input=(--input "$out/clip.yuv")

read -r -a runner <<<"${ZEK_WINE:-wine}"
runner=(setarch -R "${runner[@]}")  # see fixed_layout in tests/e2e/wine32_runtime.sh
host() {  # display-less callers get a virtual screen of the tests' size
  if [ -n "${DISPLAY:-}" ]; then "${runner[@]}" ./zek_host.exe "$@"
  else xvfb-run -a -s "-screen 0 1280x1024x24" "${runner[@]}" ./zek_host.exe "$@"; fi
}

cd "$work"
rm -rf Plugins
host "${input[@]}" --channel-name "Demo channel" --do "start; frames 40; setup; pump 300; \
  screenshot en.bmp host; clear 5105; key 5105 enter; screenshot en_balloon.bmp; key 5105 escape; \
  click 5051; frames 1; dumpframe metrics.raw; about about.bmp; click 5002; stop; done" 2>en.err >en.log
rm -rf Plugins
LANG=ru_RU.UTF-8 host "${input[@]}" --language 1049 --channel-name "Demo channel" --do "start; frames 1; \
  setup; pump 300; screenshot ru.bmp host; clear 5105; key 5105 enter; screenshot ru_balloon.bmp; \
  key 5105 escape; close; stop; done" 2>ru.err >ru.log

png() { ffmpeg -loglevel error -y "$@"; }
png -i en.bmp "$out/dialog_en.png"
png -i en_balloon.bmp "$out/dialog_en_balloon.png"
png -i ru.bmp "$out/dialog_ru.png"
png -i ru_balloon.bmp "$out/dialog_ru_balloon.png"
png -i about.bmp "$out/about_en.png"
png -f rawvideo -pix_fmt yuyv422 -video_size 720x576 -i metrics.raw -frames:v 1 "$out/metrics_frame.png"
echo "dialog_en.png dialog_en_balloon.png dialog_ru.png dialog_ru_balloon.png about_en.png metrics_frame.png in $out"
