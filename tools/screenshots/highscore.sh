#!/usr/bin/env bash
# Takes docs/highscore.png: the game's high-score window, opened from the View menu, showing the
# page of a local bloomzap-server that holds several postings. Runs under a virtual X display;
# needs a built bloomzap and bloomzap-server, xvfb, xdotool, curl and imagemagick.
#   tools/screenshots/highscore.sh [build folder] [output file]
# With SCREENSHOT_DEBUG=<file> it also saves the whole screen with the View menu open.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build/dev}
out=${2:-$here/docs/highscore.png}

if [ -z "${SCREENSHOT_INNER:-}" ]; then
  export SCREENSHOT_INNER=1
  exec xvfb-run -a -s "-screen 0 800x640x24" "$0" "$build" "$out"
fi

work=$(mktemp -d)
server_pid=
game_pid=
finish() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# The server on a free port of 127.0.0.1 with a fresh store; it names its address first.
mkdir "$work/data"
"$build/server/bloomzap-server" --listen 127.0.0.1:0 --data "$work/data" --post-limit 0 \
  2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q 'serving http' "$work/server.log" && break
  sleep 0.1
done
root=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/server.log" | head -1)

# Postings as players' games send them (names percent-encoded where they must be).
while read -r name date score; do
  curl -s -o /dev/null "${root}cgi-bin/bloomzap.cgi?name=$name&date=$date&score=$score"
done <<'POSTINGS'
Ann 12/1/26 18450
Lars 11/28/26 15300
Zo%C3%AB%20%26%20Al 12/3/26 12040
Kim 12/2/26 9770
Mia 11/30/26 6120
Rosa 12/5/26 4410
Guest 12/6/26 2390
POSTINGS

# A copy of the game whose settings name that server.
mkdir "$work/game"
cp "$build/app/bloomzap" "$work/game/bloomzap"
printf '[bloomzap]\r\nSite=%s\r\nSounds=no\r\nUpdate=false\r\n' "$root" >"$work/game/bloomzap.ini"
"$work/game/bloomzap" >/dev/null 2>&1 &
game_pid=$!
timeout 20 xdotool search --sync --name '^Bloomzap$' >/dev/null
sleep 1

# View, then "View High Score List" (the window opens at 3,3 without a frame).
xdotool mousemove 100 14 click 1
sleep 0.5
[ -n "${SCREENSHOT_DEBUG:-}" ] && import -window root "$SCREENSHOT_DEBUG"
xdotool mousemove 180 53 click 1
window=$(timeout 20 xdotool search --sync --name '^Bloomzap - High Scores$' | head -1)
sleep 1.5
import -window "$window" "$out"
echo "wrote $out"
