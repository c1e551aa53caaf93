#!/bin/sh
# End-to-end checks of vimbra-cli show and transition: the listing of a small
# script, bad scripts, transition frames at both ends, and a rendered video
# (when GStreamer's tools are installed).
# Usage: cli_show_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
. "$(dirname "$0")/test_lib.sh"

cp "$samples/scene.png" "$tmp/beach.JPG"
mkdir -p "$tmp/pics/sub"
cp "$samples/gradients.png" "$tmp/pics/sub/a,b.png"
printf '[Header]\r\nN=3\r\nRUN=2\r\n[Directory]\r\n0=\r\n1=D:\\pics\\sub\\\r\n[1]\r\nF=beach,0\r\nW=0\r\nS=Day <1>\r\n[2]\r\nF=a?b.png,1\r\nW=0.2\r\nG=96\r\n' >"$tmp/show.avl"

"$cli" show "$tmp/show.avl" --list >"$tmp/out" 2>"$tmp/err" || fail "show --list status $?"
cat >"$tmp/want" <<JSON
{"slide": 2, "kind": "picture", "file": "$tmp/pics/sub/a,b.png", "time_ms": 200, "effect": 0, "family": 0, "background": null, "gamma": 150, "position": null, "box": null, "zoom": 100, "rotate": 0, "caption": null}
{"slide": 1, "kind": "picture", "file": "$tmp/beach.JPG", "time_ms": 50, "effect": 0, "family": 0, "background": null, "gamma": 100, "position": null, "box": null, "zoom": 100, "rotate": 0, "caption": "Day [1]"}
JSON
cmp -s "$tmp/out" "$tmp/want" || { fail "show --list output"; diff "$tmp/want" "$tmp/out"; }

# A folder index outside the directory means its first folder.
printf '[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=beach,3\r\n[2]\r\n' >"$tmp/far.avl"
"$cli" show "$tmp/far.avl" --list >"$tmp/out" 2>"$tmp/err" && grep -q 'beach' "$tmp/out" ||
    fail "folder index outside the directory"
printf '[Header]\r\nN=3\r\nRUN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=beach,0\r\n[2]\r\n' >"$tmp/bad.avl"
"$cli" show "$tmp/bad.avl" --list >"$tmp/out" 2>"$tmp/err"
[ $? -eq 1 ] && grep -qx 'Bad AVL file.' "$tmp/err" || fail "bad script"
printf '[Header]\r\nN=2\r\n[Directory]\r\n0=\r\n[1]\r\nF=beach,0\r\n' >"$tmp/one.avl"
"$cli" show "$tmp/one.avl" --list >"$tmp/out" 2>"$tmp/err"
[ $? -eq 1 ] && grep -qx 'Two or more slides are required for slideshow.' "$tmp/err" || fail "one slide"
printf '[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=beach,0\r\n[2]\r\nF=gone,0\r\n' >"$tmp/missing.avl"
"$cli" show "$tmp/missing.avl" --list >"$tmp/out" 2>"$tmp/err"
[ $? -eq 1 ] && grep -qx 'Slide 2 of 3' "$tmp/err" && grep -qx 'Filename: gone.JPG' "$tmp/err" || fail "missing file"

"$cli" transition --list >"$tmp/out" || fail "transition --list"
[ "$(wc -l <"$tmp/out")" -eq 174 ] || fail "174 effects"
"$cli" transition 24 "$tmp/beach.JPG" "$tmp/pics/sub/a,b.png" --at 0 --size 160x120 -o "$tmp/t0.png" 2>/dev/null || fail "T=0"
"$cli" transition 0 "$tmp/beach.JPG" "$tmp/beach.JPG" --at 1 --size 160x120 -o "$tmp/a.png" 2>/dev/null || fail "plain"
cmp -s "$tmp/t0.png" "$tmp/a.png" || fail "T=0 is the A frame"
"$cli" transition 24 "$tmp/beach.JPG" "$tmp/beach.JPG" --at 2 --size 160x120 -o "$tmp/x.png" 2>/dev/null
[ $? -eq 2 ] || fail "T beyond 1 is bad usage"

if command -v gst-launch-1.0 >/dev/null && gst-inspect-1.0 --exists vp8enc; then
    "$cli" show "$tmp/show.avl" --render "$tmp/show.webm" --size 160x120 --fps 10 >/dev/null 2>&1 || fail "render"
    [ -s "$tmp/show.webm" ] || fail "no video"
    "$cli" show "$tmp/missing.avl" --render "$tmp/none.webm" --size 160x120 >/dev/null 2>&1
    [ $? -eq 1 ] && ! [ -e "$tmp/none.webm" ] || fail "a bad show leaves no video"
    [ -z "$(ls -A "$tmp" | grep vimbra-render)" ] || fail "temporary video left behind"
fi

[ $failures -eq 0 ] && echo "all show checks passed"
exit $failures
