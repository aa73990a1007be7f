#!/usr/bin/env bash
# Retakes docs/screenshot.png: the real program on a virtual screen, with the
# sample entries loaded and extracted. Needs xvfb-run, xwininfo, xdotool and
# ImageMagick (import, convert). Given the cross build (build-win), it takes
# kestrune.exe under Wine instead, as docs/screenshot-windows.png.
#   resources/art/screenshot.sh <build folder>
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: $0 <build folder>}" && pwd)"
for tool in xvfb-run xwininfo xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
program="$build/kestrune" shot=screenshot.png pause=1
if [ -x "$build/wine-run.sh" ]; then
  # Wine places and draws its window later, and its first click comes late.
  program="$build/wine-run.sh $build/kestrune.exe" shot=screenshot-windows.png pause=5
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The home page opener is a stand-in, so no browser starts on the virtual screen.
printf '#!/bin/sh\nexit 0\n' >"$work/xdg-open"
chmod +x "$work/xdg-open"
cat >"$work/take.sh" <<'INNER'
PATH="$WORK:$PATH"
$PROGRAM & pid=$!
title="Kestrune Domain Extractor 2021"
for i in $(seq 1 300); do xwininfo -name "$title" >/dev/null 2>&1 && break; sleep 0.1; done
sleep $((PAUSE / 2)).5
# The visible window of that title (Wine keeps hidden ones of its own).
eval "$(xdotool search --onlyvisible --name "^$title\$" getwindowgeometry --shell | sed -n '/^[XYWH]/p')"
x=$X; y=$Y; geometry="${WIDTH}x${HEIGHT}+$X+$Y"
xdotool mousemove $((x + 400)) $((y + 246)) click 1; sleep $PAUSE   # Load Sample Emails
xdotool mousemove $((x + 268)) $((y + 280)) click 1; sleep $PAUSE   # Start Extracting
xdotool key Return; sleep $PAUSE                                     # the "Done." box
xdotool mousemove 0 0; sleep 0.3
import -window root "$WORK/root.png"
echo "$geometry" >"$WORK/geometry"
kill $pid; wait $pid || true
INNER
WORK="$work" PROGRAM="$program" PAUSE=$pause xvfb-run -a -s "-screen 0 800x700x24" sh "$work/take.sh"
geometry=$(cat "$work/geometry")
convert "$work/root.png" -crop "${geometry%%+*}+${geometry#*+}" +repage "$root/docs/$shot"
echo "$root/docs/$shot"
