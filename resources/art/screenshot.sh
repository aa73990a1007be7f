#!/usr/bin/env bash
# Retakes docs/screenshot.png: the real program on a virtual screen, with the
# sample entries loaded and extracted. Needs xvfb-run, xwininfo, xdotool and
# ImageMagick (import, convert).
#   resources/art/screenshot.sh <build folder>
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: $0 <build folder>}" && pwd)"
for tool in xvfb-run xwininfo xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The home page opener is a stand-in, so no browser starts on the virtual screen.
printf '#!/bin/sh\nexit 0\n' >"$work/xdg-open"
chmod +x "$work/xdg-open"
cat >"$work/take.sh" <<'INNER'
PATH="$WORK:$PATH"
"$BUILD/kestrune" & pid=$!
title="Kestrune Domain Extractor 2021"
for i in $(seq 1 50); do xwininfo -name "$title" >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
geometry=$(xwininfo -name "$title" | sed -n 's/.*-geometry \([0-9x+]*\).*/\1/p')
x=$(echo "$geometry" | cut -d+ -f2); y=$(echo "$geometry" | cut -d+ -f3)
xdotool mousemove $((x + 400)) $((y + 246)) click 1; sleep 0.3   # Load Sample Emails
xdotool mousemove $((x + 268)) $((y + 280)) click 1; sleep 0.6   # Start Extracting
xdotool key Return; sleep 0.4                                     # the "Done." box
xdotool mousemove 0 0; sleep 0.3
import -window root "$WORK/root.png"
echo "$geometry" >"$WORK/geometry"
kill $pid
INNER
WORK="$work" BUILD="$build" xvfb-run -a -s "-screen 0 800x700x24" sh "$work/take.sh"
geometry=$(cat "$work/geometry")
convert "$work/root.png" -crop "${geometry%%+*}+${geometry#*+}" +repage "$root/docs/screenshot.png"
echo "$root/docs/screenshot.png"
