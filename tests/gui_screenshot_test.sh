#!/bin/sh
# The viewer window with samples/scene.png, offscreen, against the expected
# picture: the picture area must match exactly; around it (tool bar, path box
# and status texts, whose fonts may render a little differently) at most 2% of
# the pixels may differ by more than 10%.
#
# Usage: gui_screenshot_test.sh VIMBRA SAMPLES_DIR EXPECTED_DIR
#        gui_screenshot_test.sh --update VIMBRA SAMPLES_DIR EXPECTED_DIR
set -eu
update=0
if [ "$1" = "--update" ]; then update=1; shift; fi
viewer=$(realpath "$1") samples=$(realpath "$2") expected=$(realpath "$3")
compare=$(command -v compare-im6.q16 || command -v compare || true)
convert=$(command -v convert-im6.q16 || command -v convert || true)
[ -n "$compare" ] && [ -n "$convert" ] || { echo "ImageMagick is needed" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vimbra-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Default settings (no stored window size or layout), the same path box text
# wherever the tree lives.
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen
mkdir -p "$work/pictures"
cp "$samples/scene.png" "$work/pictures/scene.png"
cd "$work/pictures"
geometry=$(timeout 60 "$viewer" --screenshot "$work/shot.png" scene.png)
echo "$geometry"
case $geometry in "picture: "*) ;; *) echo "no picture geometry printed" >&2; exit 1 ;; esac
set -- $geometry
crop="${4}x${5}+${2}+${3}"

if [ $update = 1 ]; then
  cp "$work/shot.png" "$expected/viewer_scene.png"
  echo "$geometry" > "$expected/viewer_scene.txt"
  echo "updated $expected/viewer_scene.png"
  exit 0
fi

want=$(cat "$expected/viewer_scene.txt")
[ "$geometry" = "$want" ] || { echo "picture placed at '$geometry', expected '$want'" >&2; exit 1; }

# After an intended change of the window's look, run this script with --update
# and check the new tests/expected/viewer_scene.png by eye.
size() { "$convert" "$1" -format '%wx%h' info:; }
[ "$(size "$work/shot.png")" = "$(size "$expected/viewer_scene.png")" ] ||
  { echo "window size $(size "$work/shot.png"), expected $(size "$expected/viewer_scene.png")" >&2; exit 1; }

# compare prints the number of differing pixels on stderr (and exits 1 when
# there are any).
differing() { "$compare" -metric AE "$@" null: 2>&1 || true; }

"$convert" "$work/shot.png" -crop "$crop" +repage "$work/got_picture.png"
"$convert" "$expected/viewer_scene.png" -crop "$crop" +repage "$work/want_picture.png"
inside=$(differing "$work/got_picture.png" "$work/want_picture.png")
echo "picture area: $inside differing pixels"
[ "$inside" = 0 ] || { echo "the picture area differs" >&2; exit 1; }

all=$(differing -fuzz 10% "$work/shot.png" "$expected/viewer_scene.png")
total=$("$convert" "$work/shot.png" -format '%[fx:w*h]' info:)
echo "whole window: $all of $total pixels differ by more than 10%"
[ $((all * 50)) -le "$total" ] || { echo "too much of the window differs" >&2; exit 1; }
echo "ok"
