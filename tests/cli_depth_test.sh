#!/bin/sh
# End-to-end checks of the colour-depth, artifact and text-mark lines through
# vimbra-cli run, with ImageMagick reading what was written.
# Usage: cli_depth_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
im=/usr/bin/convert-im6.q16
if ! [ -x "$im" ]; then
    echo "ImageMagick ($im) is not installed; skipping"
    exit 0
fi
. "$(dirname "$0")/test_lib.sh"

# run NAME LINE...: runs the lines over $src, writing into $tmp (format $fmt).
run() {
    name=$1
    shift
    args=""
    for line in "$@"; do args="$args -e $line"; done
    # shellcheck disable=SC2086
    timeout -k 5 60 "$cli" run --format "${fmt:-bmp}" $args -o "$tmp" "$src" >"$tmp/out" 2>"$tmp/err" ||
        fail "$name: vimbra-cli run failed: $(cat "$tmp/err")"
}
colours() { "$im" "$1" -format '%k' info:; }
depth() { "$cli" info "$1" | sed -n '1s/^[0-9]*x[0-9]*(\([0-9]*\)).*/\1/p'; }
pixel() { "$im" "$1" -format "%[pixel:p{$2}]" info:; }
rmse() { compare-im6.q16 -metric RMSE "$1" "$2" null: 2>&1 | sed 's/.*(\(.*\))/\1/'; }

# ---- QUANTIZE: at most n colours, saved at the save format's depth ---------
src="$samples/scene.png"
for n in 16 256; do
    run "quantize$n" QUANTIZE$n SAVE=_q$n
    out="$tmp/scene_q$n.bmp"
    [ "$(depth "$out")" = 24 ] || fail "QUANTIZE$n then SAVE: depth $(depth "$out"), want 24"
    [ "$(colours "$out")" -le "$n" ] || fail "QUANTIZE$n left $(colours "$out") colours"
    # Close to ImageMagick's own palette without dithering.
    "$im" "$src" +dither -colors "$n" "$tmp/im$n.png"
    ours=$(rmse "$src" "$out")
    theirs=$(rmse "$src" "$tmp/im$n.png")
    awk -v a="$ours" -v b="$theirs" 'BEGIN { exit !(a <= 1.25 * b + 0.002) }' ||
        fail "QUANTIZE$n error $ours, ImageMagick's $theirs"
done

# A picture of 25 colours keeps them exactly.
src="$samples/colour_chart.png"
for n in 256 16; do
    run "chart$n" QUANTIZE$n SAVE=_q
    if [ "$n" = 256 ]; then
        ae=$(compare-im6.q16 -metric AE "$src" "$tmp/colour_chart_q.bmp" null: 2>&1)
        [ "$ae" = 0 ] || fail "QUANTIZE256 changed $ae pixels of a 25-colour picture"
    else
        [ "$(colours "$tmp/colour_chart_q.bmp")" -le 16 ] || fail "QUANTIZE16 left too many colours"
    fi
done

# ---- GRAYSCALE: white becomes 254; TRUECOLOR widens a palette picture --------
"$im" -size 3x1 xc:white -fill 'rgb(10,20,30)' -draw 'point 1,0' -fill 'rgb(255,0,0)' -draw 'point 2,0' \
    "$tmp/three.png"
src="$tmp/three.png"
run grayscale GRAYSCALE SAVE=_g
[ "$(pixel "$tmp/three_g.bmp" 0,0)" = "srgb(254,254,254)" ] || fail "GRAYSCALE white: $(pixel "$tmp/three_g.bmp" 0,0)"
[ "$(pixel "$tmp/three_g.bmp" 1,0)" = "srgb(18,18,18)" ] || fail "GRAYSCALE (10,20,30): $(pixel "$tmp/three_g.bmp" 1,0)"
[ "$(pixel "$tmp/three_g.bmp" 2,0)" = "srgb(76,76,76)" ] || fail "GRAYSCALE red: $(pixel "$tmp/three_g.bmp" 2,0)"

"$im" "$samples/scene.png" -colors 64 -type Palette BMP3:"$tmp/pal.bmp"
src="$tmp/pal.bmp"
[ "$(depth "$src")" = 8 ] || fail "test picture is not 8-bit: $(depth "$src")"
run truecolor TRUECOLOR SAVE=_t
[ "$(depth "$tmp/pal_t.bmp")" = 24 ] || fail "TRUECOLOR then SAVE: depth $(depth "$tmp/pal_t.bmp")"
ae=$(compare-im6.q16 -metric AE "$src" "$tmp/pal_t.bmp" null: 2>&1)
[ "$ae" = 0 ] || fail "TRUECOLOR changed $ae pixels"

# ---- ARTIFACT and TEXTMARK keep the size --------------------------------------
src="$samples/scene.png"
run artifact ARTIFACT=5 SAVE=_a
[ "$("$im" "$tmp/scene_a.bmp" -format '%wx%h' info:)" = 640x480 ] || fail "ARTIFACT changed the size"
ae=$(compare-im6.q16 -metric AE "$src" "$tmp/scene_a.bmp" null: 2>&1)
[ "$ae" != 0 ] || fail "ARTIFACT=5 changed nothing"
run textmark "TEXTMARK_TOPLEFT=Hello" SAVE=_m
# Only the top 16 rows and the columns left of 634 may change.
"$im" "$src" -crop 640x464+0+16 +repage "$tmp/below.png"
"$im" "$tmp/scene_m.bmp" -crop 640x464+0+16 +repage "$tmp/below_m.png"
ae=$(compare-im6.q16 -metric AE "$tmp/below.png" "$tmp/below_m.png" null: 2>&1)
[ "$ae" = 0 ] || fail "TEXTMARK_TOPLEFT changed $ae pixels below its rectangle"
ae=$(compare-im6.q16 -metric AE "$src" "$tmp/scene_m.bmp" null: 2>&1)
[ "$ae" != 0 ] || fail "TEXTMARK_TOPLEFT drew nothing"

[ "$failures" -eq 0 ] || exit 1
echo "all depth checks passed"
