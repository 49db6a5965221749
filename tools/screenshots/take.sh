#!/usr/bin/env bash
# Takes the README's screenshots of the game window under a virtual X display: at start-up,
# during a game, with the keyboard's cursor on the board, at game over and with the keyboard's
# focus on SEND SCORE; the window under a
# German locale; and the six flower tiles side by side, in colour and in grey. Needs a built
# bloomzap, xvfb, xdotool and imagemagick.
#   tools/screenshots/take.sh [path/to/bloomzap] [output folder]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
program=${1:-$here/build/dev/app/bloomzap}
out=${2:-$here/docs}
mkdir -p "$out"

if [ -z "${SCREENSHOT_INNER:-}" ]; then
  export SCREENSHOT_INNER=1
  exec xvfb-run -a -s "-screen 0 560x500x24" "$0" "$program" "$out"
fi

# A fresh settings and tally file beside a copy of the program, so old ones do not show.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/bloomzap"
"$work/bloomzap" >/dev/null 2>&1 &
pid=$!
sleep 2

grab() { import -window root -crop 521x468+3+3 +repage "$out/$1"; }
# Screen position of the centre of board cell (c, r); the window opens at 3,3 without a frame.
cell() { echo $((35 + ($1 - 1) * 32 + 16)) $((54 + ($2 - 1) * 32 + 16)); }

grab startup.png
xdotool mousemove 133 225 click 1   # DONE on the name panel
sleep 0.3
xdotool mousemove 430 363 click 1   # START GAME
sleep 1
# Play a little: click along the lower rows, as a player looking for groups would.
for round in 1 2 3 4 5 6; do
  for r in 10 9 8; do
    for c in 5 6 4 7 3 8 2 9 1 10; do
      xdotool mousemove $(cell $c $r) click 1
      sleep 0.12
    done
  done
done
grab game.png
# The keyboard's cursor: the first arrow key shows it, the next ones move it.
xdotool key Up Up Up Left Left
sleep 0.3
grab keyboard.png
# Then let the lines come until the board overflows.
sleep 40
grab gameover.png
# The game-over panel gives the keys to its name box; Tab goes on to SEND SCORE.
xdotool key Tab
sleep 0.3
grab focus.png
kill $pid
wait $pid 2>/dev/null || true

# The window as a German player meets it at start-up. The locale's name is enough: Qt reads it
# from the environment, whether or not the system has the locale installed.
mkdir "$work/german"
cp "$program" "$work/german/bloomzap"
LC_ALL=de_DE.UTF-8 LANGUAGE=de "$work/german/bloomzap" >/dev/null 2>&1 &
pid=$!
sleep 2
grab german.png
kill $pid
wait $pid 2>/dev/null || true

# The six flowers as the tile generator drew them, and the same without colour: each colour
# has its own shape.
tiles=("$here"/resources/tiles/tile{1..6}@2x.png)
montage "${tiles[@]}" -tile 6x1 -geometry +8+8 -background black "$work/colour.png"
montage "${tiles[@]}" -tile 6x1 -geometry +8+8 -background black -colorspace Gray "$work/grey.png"
convert "$work/colour.png" "$work/grey.png" -append "$out/tiles.png"
