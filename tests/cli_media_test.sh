#!/bin/sh
# End-to-end checks of text pages through vimbra-cli convert and of info on
# sound and video files made here with GStreamer's tools.
# Usage: cli_media_test.sh PATH/TO/vimbra-cli
cli=$1
. "$(dirname "$0")/test_lib.sh"

# pixels FILE.bmp: one "blue green red" line per pixel of a 24-bit BMP.
pixels() {
    offset=$(od -An -tu4 -j10 -N4 "$1" | tr -d ' ')
    od -An -v -tu1 -j"$offset" "$1" | awk '{ for (i = 1; i <= NF; i++) { v[n++ % 3] = $i; if (n % 3 == 0) print v[0], v[1], v[2] } }'
}

# ---- text pages ------------------------------------------------------------------
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Sans;}}{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue0;}\n\\f0\\fs48\\cf1\\b Bold red\\b0\\cf2  plain\\par}\n' >"$tmp/page.rtf"
run 0 convert "$tmp/page.rtf" "$tmp/page.png" --size 320x200 && {
    grep -qx "$tmp/page.png" "$tmp/out" || fail "convert does not name the page written"
    run 0 info "$tmp/page.png" && { head -n 1 "$tmp/out" | grep -qx '320x200(24) dib' || fail "page size: $(head -n 1 "$tmp/out")"; }
}
# The same page as a BMP, read pixel by pixel (the width keeps rows unpadded).
run 0 convert "$tmp/page.rtf" "$tmp/page.bmp" --size=320x200 && {
    pixels "$tmp/page.bmp" >"$tmp/page.txt"
    [ "$(wc -l <"$tmp/page.txt")" -eq 64000 ] || fail "page.bmp holds $(wc -l <"$tmp/page.txt") pixels"
    red=$(awk '$3 >= 150 && $2 < 60 && $1 < 60' "$tmp/page.txt" | wc -l)
    [ "$red" -gt 100 ] || fail "only $red pixels of the colour-table red"
    [ "$(head -n 1 "$tmp/page.txt")" = "255 255 255" ] || fail "the page is not white at the bottom left"
    [ "$(awk '$1 + $2 + $3 < 200' "$tmp/page.txt" | wc -l)" -gt 20 ] || fail "no black text"
}

# A plain-text page at the default size: the view area of the default window.
printf 'A plain page\nwith two lines\n' >"$tmp/note.TXT"
run 0 convert "$tmp/note.TXT" "$tmp/note.bmp" && {
    run 0 info "$tmp/note.bmp" && { head -n 1 "$tmp/out" | grep -qx '800x495(24) dib' || fail "default page: $(head -n 1 "$tmp/out")"; }
    dark=$(pixels "$tmp/note.bmp" | awk '$1 + $2 + $3 < 300' | wc -l)
    [ "$dark" -gt 50 ] || fail "plain page: only $dark dark pixels"
}

# Bad rich text, missing and bad sizes: a message, no file.
{ printf '{\\rtf1 '; awk 'BEGIN { for (i = 0; i < 500; i++) printf "{" }'; } >"$tmp/deep.rtf"
run 1 convert "$tmp/deep.rtf" "$tmp/never.png" && {
    grep -q '^deep.rtf: Bad RTF file' "$tmp/err" || fail "bad RTF message does not name the file"
}
[ -e "$tmp/never.png" ] && fail "a page was written for a bad RTF file"
run 1 convert "$tmp/missing.rtf" "$tmp/never.png" && grep -qx 'missing.rtf not found.' "$tmp/err" || fail "missing page"
run 2 convert "$tmp/page.rtf" "$tmp/never.png" --size 0x10
run 2 convert "$tmp/page.rtf" "$tmp/never.png" --size 320
run 2 convert "$tmp/page.rtf" "$tmp/never.png" --size 9000x10
run 2 convert "$tmp/page.png" "$tmp/never.bmp" --size 20x20 && grep -q 'text pages' "$tmp/err" || fail "--size on a picture"
[ -e "$tmp/never.png" ] || [ -e "$tmp/never.bmp" ] && fail "a file was written on bad usage"

# ---- sound and video facts ----------------------------------------------------
# GLib keeps what its constructor allocated: under the leak checker the probes
# of sound and video would fail for memory that is not ours.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export ASAN_OPTIONS
gst=$(command -v gst-launch-1.0)
if [ -z "$gst" ] || ! gst-inspect-1.0 --exists vp8enc || ! gst-inspect-1.0 --exists wavenc; then
    echo "SKIP: GStreamer's gst-launch-1.0, vp8enc or wavenc missing; media info not checked"
else
    "$gst" -q videotestsrc num-buffers=30 ! video/x-raw,width=320,height=240,framerate=30/1 ! vp8enc ! webmmux ! \
        filesink location="$tmp/clip.webm" || fail "gst-launch-1.0 made no video"
    run 0 info "$tmp/clip.webm" && {
        head -n 1 "$tmp/out" | grep -qx '320x240 video' || fail "video first line: $(head -n 1 "$tmp/out")"
        grep -qx 'Name: clip.webm' "$tmp/out" || fail "video: no name line"
        grep -qx 'Frame: 320x240' "$tmp/out" || fail "video: no frame line"
        seconds=$(sed -n 's/^Duration: \([0-9.]*\) s$/\1/p' "$tmp/out")
        awk -v s="$seconds" 'BEGIN { exit !(s != "" && s >= 0.95 && s <= 1.05) }' || fail "video duration '$seconds'"
        grep -q '^Uses:\|^Video:' "$tmp/out" && fail "picture lines in a video's facts"
    }
    # One second of sound at 8000 samples a second.
    "$gst" -q audiotestsrc num-buffers=10 samplesperbuffer=800 ! audio/x-raw,rate=8000,channels=1 ! wavenc ! \
        filesink location="$tmp/tone.wav" || fail "gst-launch-1.0 made no sound"
    run 0 info "$tmp/tone.wav" && {
        head -n 1 "$tmp/out" | grep -qx 'sound' || fail "sound first line: $(head -n 1 "$tmp/out")"
        grep -qx 'Duration: 1.000 s' "$tmp/out" || fail "sound duration: $(grep Duration "$tmp/out")"
        grep -q '^Frame:' "$tmp/out" && fail "a frame line for sound"
    }
    if gst-inspect-1.0 --exists vorbisenc; then
        "$gst" -q audiotestsrc num-buffers=10 samplesperbuffer=4410 ! vorbisenc ! oggmux ! \
            filesink location="$tmp/tone.ogg"
        run 0 info "$tmp/tone.ogg" && { grep -q '^Duration: [01]\.[0-9]* s$' "$tmp/out" || fail "ogg duration"; }
    fi
    # Damaged and foreign content: status 1 and a message naming the file, soon.
    head -c 300 "$tmp/clip.webm" >"$tmp/cut.webm"
    printf 'RIFF\377\377\377\377WAVEfmt junk' >"$tmp/bad.wav"
    printf 'not a video at all\n' >"$tmp/text.mp4"
    : >"$tmp/empty.ogg"
    for bad in cut.webm bad.wav text.mp4 empty.ogg; do
        run 1 info "$tmp/$bad" && { grep -q "^$bad could not be read as audio or video: " "$tmp/err" || fail "message for $bad"; }
    done
fi
run 1 info "$tmp/gone.webm" && { grep -qx 'gone.webm not found.' "$tmp/err" || fail "message for a missing video"; }

[ $failures -eq 0 ] && echo "all vimbra-cli media checks passed"
[ $failures -eq 0 ]
