#!/bin/sh
# End-to-end checks of vimbra-cli convert and info: every output variant is
# read back by ImageMagick (and GraphicsMagick when present) to the same
# pixels; bad input and failed saves end with status 1 and a message.
# Usage: cli_convert_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
. "$(dirname "$0")/test_lib.sh"

# ---- checks that need no other tool ----------------------------------------------
cp "$samples/scene.png" "$tmp/scene.png"
run 0 convert "$tmp/scene.png" "$tmp/copy.bmp" && {
    grep -qx "$tmp/copy.bmp" "$tmp/out" || fail "convert does not name the file written"
    [ -s "$tmp/copy.bmp" ] || fail "convert wrote no file"
}
# A PNG named .jpg still loads; the extension rule renames the target.
cp "$samples/scene.png" "$tmp/misnamed.jpg"
run 0 convert "$tmp/misnamed.jpg" "$tmp/renamed.jpg" --format png &&
    grep -qx "$tmp/renamed.png" "$tmp/out" || fail "extension rule: $(cat "$tmp/out")"
[ -e "$tmp/renamed.jpg" ] && fail "a .jpg was written for format png"

run 0 info "$tmp/scene.png" && {
    grep -q "^Name: scene.png$" "$tmp/out" || fail "info: no name line"
    grep -q "^CRC: [0-9A-F]\{8\}$" "$tmp/out" || fail "info: no checksum line"
    grep -q "^Video: 24 bpp$" "$tmp/out" || fail "info: no video line"
}
printf 'abc' >"$tmp/abc.png"
run 1 info "$tmp/abc.png" && grep -q "Invalid PNG file" "$tmp/err" || fail "info on a bad PNG"

# Malformed or missing input: status 1, a message, nothing written.
: >"$tmp/empty.bmp"
head -c 300 "$samples/scene.jpg" >"$tmp/cut.jpg"
head -c 100 "$samples/scene.png" >"$tmp/cut.png"
head -c 40 "$samples/colour_chart.bmp" >"$tmp/cut.bmp"
printf 'II*\000garbage' >"$tmp/bad.tif"
for bad in empty.bmp cut.jpg cut.png cut.bmp bad.tif missing.png; do
    rm -f "$tmp/never.png"
    run 1 convert "$tmp/$bad" "$tmp/never.png" || continue
    [ -e "$tmp/never.png" ] && fail "output written for $bad"
done
grep -q "missing.png not found." "$tmp/err" || fail "message for a missing file"

# A failed save keeps the existing file byte for byte.
printf 'precious' >"$tmp/keep.tif"
cp "$tmp/keep.tif" "$tmp/keep.orig"
run 1 convert "$tmp/scene.png" "$tmp/keep.tif" --format tif-g4 &&
    grep -q "Write failure" "$tmp/err" || fail "fax save of a colour picture"
cmp -s "$tmp/keep.tif" "$tmp/keep.orig" || fail "a failed save changed the existing file"

# ---- every variant read back by independent tools --------------------------------
im=/usr/bin/convert-im6.q16
imcompare=/usr/bin/compare-im6.q16
gm=/usr/bin/gm
if ! [ -x "$im" ] || ! [ -x "$imcompare" ]; then
    echo "SKIP: ImageMagick not found; read-back checks not run"
    [ $failures -eq 0 ] && echo "all vimbra-cli convert checks passed"
    [ $failures -eq 0 ]
    exit
fi
have_gm=0
[ -x "$gm" ] && have_gm=1

# Smooth colours (so JPEG loss stays small) and a black-and-white pattern.
awk 'BEGIN { print "P3 48 32 255"; for (y = 0; y < 32; y++) for (x = 0; x < 48; x++)
      print x * 5, y * 7, 255 - x * 3 - y * 2 }' >"$tmp/colour.ppm"
"$im" "$tmp/colour.ppm" "$tmp/colour.png"
"$im" -size 45x30 pattern:checkerboard -type bilevel "$tmp/bw.png"
"$im" "$tmp/colour.ppm" -fx '0.3*r+0.6*g+0.1*b' -depth 8 "$tmp/grey-ref.ppm"
"$im" "$tmp/bw.png" -depth 8 "$tmp/bw-ref.ppm"

# decode TOOL FILE: the tool's reading of FILE as 8-bit PPM in $tmp/back.ppm.
# ImageMagick is asked to honour the orientation a TGA records (bottom-up).
decode() {
    case $1 in
    im) "$im" "$2" -auto-orient -depth 8 "ppm:$tmp/back.ppm" 2>/dev/null ;;
    gm) "$gm" convert "$2" -depth 8 "ppm:$tmp/back.ppm" 2>/dev/null ;;
    esac
}

# same_pixels FILE REFERENCE.ppm [gm-only]: each tool's decoding equals the reference.
same_pixels() {
    tools="im gm"
    [ $have_gm -eq 1 ] || tools=im
    # ImageMagick 6 shows the set bits of 1-bit PCX as black, against the format.
    [ "${3:-}" = gm-only ] && { [ $have_gm -eq 1 ] && tools=gm || return 0; }
    "$im" "$2" "$tmp/ref.ppm"
    for tool in $tools; do
        decode $tool "$1" || {
            fail "$tool cannot read $(basename "$1")"
            continue
        }
        "$im" "$tmp/back.ppm" "$tmp/back.ppm" 2>/dev/null  # the same PPM header for both
        cmp -s "$tmp/back.ppm" "$tmp/ref.ppm" || fail "$tool reads $(basename "$1") differently"
    done
}

# close_pixels FILE REFERENCE.ppm LIMIT: ImageMagick's normalised RMSE is within LIMIT.
close_pixels() {
    decode im "$1"
    rmse=$("$imcompare" -metric RMSE "$tmp/back.ppm" "$2" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/')
    awk -v e="$rmse" -v l="$3" 'BEGIN { exit !(e + 0 <= l + 0) }' ||
        fail "$(basename "$1"): error $rmse above $3"
}

for format in bmp pcx png jpg-gray jpg tga tif tif-deflate tif-adobe-deflate tif-g3 tif-g4 tif-packbits; do
    case $format in
    tif-g3 | tif-g4) source=bw ;;
    *) source=colour ;;
    esac
    run 0 convert "$tmp/$source.png" "$tmp/out-$format" --format "$format" || continue
    written=$(cat "$tmp/out")
    [ -s "$written" ] || { fail "$format: $written missing"; continue; }
    case $format in
    jpg) close_pixels "$written" "$tmp/colour.ppm" 0.03 ;;
    jpg-gray)
        close_pixels "$written" "$tmp/grey-ref.ppm" 0.03
        [ "$(/usr/bin/identify-im6.q16 -format '%[colorspace]' "$written")" = Gray ] ||
            fail "jpg-gray is not grey" ;;
    tif-g3 | tif-g4) same_pixels "$written" "$tmp/bw-ref.ppm" ;;
    *) same_pixels "$written" "$tmp/colour.ppm" ;;
    esac
    # The black-and-white picture in every variant that keeps pixels exactly.
    case $format in
    jpg | jpg-gray) ;;
    *)
        run 0 convert "$tmp/bw.png" "$tmp/bw-$format" --format "$format" &&
            same_pixels "$(cat "$tmp/out")" "$tmp/bw-ref.ppm" \
                "$([ "$format" = pcx ] && echo gm-only)" ;;
    esac
done

[ $failures -eq 0 ] && echo "all vimbra-cli convert checks passed"
[ $failures -eq 0 ]
