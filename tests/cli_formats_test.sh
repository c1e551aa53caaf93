#!/bin/sh
# End-to-end checks of vimbra-cli with WebP, AVIF, HEIF and JPEG XL: convert
# by --format and by extension, each output read back by its reference
# decoder, lossless outputs exact, info on each, damaged files refused with
# status 1, batch-convert --to webp|avif|jxl and a script's SAVE in 13..18.
# Usage: cli_formats_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
. "$(dirname "$0")/test_lib.sh"

for tool in dwebp avifdec djxl cwebp heif-enc cjxl; do
    if ! command -v $tool >/dev/null; then
        echo "SKIP: $tool not found; modern format checks not run"
        exit 0
    fi
done
cp "$samples/scene.png" "$tmp/scene.png"
# The source's pixels as our BMP, the yardstick for exact outputs.
"$cli" convert "$tmp/scene.png" "$tmp/ref.bmp" >/dev/null 2>&1 || fail "convert to bmp"
# same_pixels A.bmp B.bmp: the 24-bit pixel rows agree (the headers may differ
# in the resolution a source carried).
same_pixels() { [ "$(tail -c +55 "$1" | md5sum)" = "$(tail -c +55 "$2" | md5sum)" ]; }

# convert --format NAME: the file named by the extension rule, status 0.
for f in webp webp-lossless avif avif-lossless jxl jxl-lossless; do
    ext=${f%-lossless}
    run 0 convert "$tmp/scene.png" "$tmp/out-$f.png" --format $f || continue
    grep -qx "$tmp/out-$f.$ext" "$tmp/out" || fail "convert --format $f: $(cat "$tmp/out")"
done
# By extension: lossy.
run 0 convert "$tmp/scene.png" "$tmp/byext.webp" && grep -qx "$tmp/byext.webp" "$tmp/out" || fail "convert .webp"
run 0 convert "$tmp/scene.png" "$tmp/byext.avif" || fail "convert .avif"
run 0 convert "$tmp/scene.png" "$tmp/byext.jxl" || fail "convert .jxl"
cmp -s "$tmp/byext.webp" "$tmp/out-webp.webp" || fail ".webp is not the lossy variant at quality 90"
run 0 convert "$tmp/scene.png" "$tmp/q90.webp" --quality 90
cmp -s "$tmp/byext.webp" "$tmp/q90.webp" || fail "the default quality is not 90"
run 0 convert "$tmp/scene.png" "$tmp/q20.webp" --quality 20
[ "$(stat -c %s "$tmp/q20.webp")" -lt "$(stat -c %s "$tmp/q90.webp")" ] || fail "--quality 20 is not smaller"

# Reference decoders read every output; lossless ones give the source's pixels.
dwebp -quiet "$tmp/out-webp-lossless.webp" -ppm -o "$tmp/webp.ppm" || fail "dwebp refused our lossless WebP"
dwebp -quiet "$tmp/out-webp.webp" -ppm -o "$tmp/webp-lossy.ppm" || fail "dwebp refused our WebP"
avifdec "$tmp/out-avif-lossless.avif" "$tmp/avif.png" >/dev/null 2>&1 || fail "avifdec refused our lossless AVIF"
avifdec "$tmp/out-avif.avif" "$tmp/avif-lossy.png" >/dev/null 2>&1 || fail "avifdec refused our AVIF"
djxl "$tmp/out-jxl-lossless.jxl" "$tmp/jxl.ppm" >/dev/null 2>&1 || fail "djxl refused our lossless JPEG XL"
djxl "$tmp/out-jxl.jxl" "$tmp/jxl-lossy.ppm" >/dev/null 2>&1 || fail "djxl refused our JPEG XL"
for f in webp.ppm avif.png jxl.ppm; do
    run 0 convert "$tmp/$f" "$tmp/back-$f.bmp" --format bmp || continue
    same_pixels "$tmp/back-$f.bmp" "$tmp/ref.bmp" || fail "the reference decoder's $f is not the source"
done
for f in webp-lossless avif-lossless jxl-lossless; do
    ext=${f%-lossless}
    run 0 convert "$tmp/out-$f.$ext" "$tmp/again-$f.bmp" || continue
    same_pixels "$tmp/again-$f.bmp" "$tmp/ref.bmp" || fail "$f does not read back exact"
done

# The reference decoder's pixels are ours: PNG from the reference, BMP from both.
run 0 convert "$tmp/avif-lossy.png" "$tmp/avifdec.bmp"
run 0 convert "$tmp/out-avif.avif" "$tmp/ours-avif.bmp"
same_pixels "$tmp/avifdec.bmp" "$tmp/ours-avif.bmp" || fail "our AVIF decoding differs from avifdec's"

# HEIC in, any format out.
heif-enc -q 90 "$tmp/scene.png" -o "$tmp/phone.heic" >/dev/null 2>&1 || fail "heif-enc"
run 0 convert "$tmp/phone.heic" "$tmp/phone.jpg" && grep -qx "$tmp/phone.jpg" "$tmp/out" || fail "convert .heic"

# info on each: size and depth lines.
for f in out-webp.webp out-avif.avif out-jxl.jxl phone.heic; do
    run 0 info "$tmp/$f" || continue
    grep -q "^Name: $f$" "$tmp/out" || fail "info $f: no name line"
    grep -q "^Video: 24 bpp$" "$tmp/out" || fail "info $f: no video line"
done

# Damaged files: status 1, a message naming the file, nothing written.
for f in out-webp.webp out-avif.avif out-jxl.jxl phone.heic; do
    head -c $(( $(stat -c %s "$tmp/$f") / 2 )) "$tmp/$f" >"$tmp/cut-$f"
    rm -f "$tmp/never.png"
    run 1 convert "$tmp/cut-$f" "$tmp/never.png" || continue
    grep -q "cut-$f" "$tmp/err" || fail "the message does not name cut-$f"
    [ -e "$tmp/never.png" ] && fail "output written for cut-$f"
done
printf 'RIFF\020\000\000\000WEBPVP8 garbage' >"$tmp/junk.webp"
run 1 info "$tmp/junk.webp" && grep -q "junk.webp: Bad WebP file" "$tmp/err" || fail "info on a bad WebP"

# batch-convert --to webp|avif|jxl, and a script's SAVE in variant 18.
mkdir "$tmp/dest"
for to in webp avif jxl; do
    run 0 batch-convert --to $to -o "$tmp/dest" "$tmp/scene.png" "$tmp/phone.heic" || continue
    [ -s "$tmp/dest/scene.$to" ] && [ -s "$tmp/dest/phone.$to" ] || fail "batch-convert --to $to wrote $(ls "$tmp/dest")"
done
mkdir "$tmp/run"
run 0 run -e SAVE -o "$tmp/run" --format 18 "$tmp/scene.png" &&
    [ -s "$tmp/run/scene.jxl" ] || fail "run --format 18: $(ls "$tmp/run")"
run 0 convert "$tmp/run/scene.jxl" "$tmp/run-back.bmp"
same_pixels "$tmp/run-back.bmp" "$tmp/ref.bmp" || fail "the script's lossless JPEG XL is not exact"
run 2 convert "$tmp/scene.png" "$tmp/x.webp" --format webp-lossy

[ $failures -eq 0 ] && echo "all vimbra-cli format checks passed"
[ $failures -eq 0 ]
