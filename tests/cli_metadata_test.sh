#!/bin/sh
# End-to-end checks of camera metadata through vimbra-cli: ExifTool tags a
# picture, every save path (convert, batch-convert, a run's SAVE) writes the
# data back upright, --strip-metadata writes none, --keep-orientation leaves
# the pixels as stored, info names the tag, and a file whose metadata is
# broken still converts, with a warning, and without it.
# Usage: cli_metadata_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
. "$(dirname "$0")/test_lib.sh"

if [ ! -x /usr/bin/exiftool ]; then
    echo "SKIP: ExifTool is not installed"
    exit 0
fi
im=/usr/bin/convert-im6.q16
tag() { exiftool -s3 -n "-$1" "$2" 2>/dev/null; }

# check FILE W H: the camera's data and the upright size as ExifTool reads them.
check() {
    for pair in "Make=Vimbra" "Model=TestCam" "DateTimeOriginal=2026:05:06 07:08:09" \
        "Title=Harbour" "Keywords=boat" "Orientation=1" "ExifImageWidth=$2" \
        "ExifImageHeight=$3" "ImageSize=$2 $3"; do
        name=${pair%%=*}
        want=${pair#*=}
        got=$(tag "$name" "$1")
        [ "$got" = "$want" ] || fail "$1: $name is '$got', want '$want'"
    done
}

"$im" "$samples/scene.jpg" -resize 64x40! "$tmp/cam.jpg" 2>/dev/null || cp "$samples/scene.jpg" "$tmp/cam.jpg"
w=$(tag ImageWidth "$tmp/cam.jpg")
h=$(tag ImageHeight "$tmp/cam.jpg")
exiftool -q -overwrite_original -Make=Vimbra -Model=TestCam '-DateTimeOriginal=2026:05:06 07:08:09' \
    -XMP-dc:Title=Harbour -IPTC:Keywords=boat -Orientation#=6 "$tmp/cam.jpg" || fail "exiftool could not tag"

for ext in jpg png tif; do
    run 0 convert "$tmp/cam.jpg" "$tmp/out.$ext" && check "$tmp/out.$ext" "$h" "$w"
done

run 0 info "$tmp/cam.jpg" && {
    grep -qx "Orientation: 6" "$tmp/out" || fail "info names no orientation"
    grep -q "^${h}x${w}(24)" "$tmp/out" || fail "info: not the upright size: $(head -1 "$tmp/out")"
}
run 0 info "$tmp/out.jpg" && grep -q "^Orientation" "$tmp/out" && fail "info names orientation 1"

# Upright exactly as ImageMagick's -auto-orient turns it.
if [ -x "$im" ]; then
    "$im" "$tmp/cam.jpg" -auto-orient "$tmp/ref.ppm" 2>/dev/null
    run 0 convert "$tmp/cam.jpg" "$tmp/up.png" &&
        "$im" "$tmp/up.png" "$tmp/up.ppm" 2>/dev/null &&
        cmp -s "$tmp/up.ppm" "$tmp/ref.ppm" || fail "upright pixels differ from -auto-orient"
fi

mkdir "$tmp/batch" "$tmp/run" "$tmp/jobs"
run 0 batch-convert --to png -o "$tmp/batch" "$tmp/cam.jpg" && check "$tmp/batch/cam.png" "$h" "$w"
run 0 batch-convert --to jpg -o "$tmp/batch" "$tmp/cam.jpg" && {
    check "$tmp/batch/cam.jpg" "$h" "$w"
    [ "$(tag Comment "$tmp/batch/cam.jpg")" = "Encoded with Vimbra 6.71 - https://vimbra.example.org" ] ||
        fail "batch comment: $(tag Comment "$tmp/batch/cam.jpg")"
}
run 0 run -e "SAVE" --format tif -o "$tmp/run" "$tmp/cam.jpg" && check "$tmp/run/cam.tif" "$h" "$w"
cp "$tmp/cam.jpg" "$tmp/cam2.jpg"
run 0 run -e "SAVE" -e "NEXT" -e "LOOP" --format jpg --jobs 2 -o "$tmp/jobs" "$tmp/cam.jpg" "$tmp/cam2.jpg" && {
    check "$tmp/jobs/cam.jpg" "$h" "$w"
    check "$tmp/jobs/cam2.jpg" "$h" "$w"
}

# --strip-metadata: nothing of the camera's; --keep-orientation: stored size, tag kept.
run 0 convert "$tmp/cam.jpg" "$tmp/bare.jpg" --strip-metadata &&
    [ -z "$(tag Make "$tmp/bare.jpg")$(tag Title "$tmp/bare.jpg")$(tag Keywords "$tmp/bare.jpg")" ] ||
    fail "--strip-metadata left metadata"
mkdir "$tmp/bare"
run 0 batch-convert --to tif --strip-metadata -o "$tmp/bare" "$tmp/cam.jpg" &&
    [ -z "$(tag Make "$tmp/bare/cam.tif")" ] || fail "batch-convert --strip-metadata"
run 0 run -e "SAVE" --format png --strip-metadata -o "$tmp/bare" "$tmp/cam.jpg" &&
    [ -z "$(tag Make "$tmp/bare/cam.png")" ] || fail "run --strip-metadata"
run 0 convert "$tmp/cam.jpg" "$tmp/kept.png" --keep-orientation && {
    [ "$(tag ImageSize "$tmp/kept.png")" = "$w $h" ] || fail "--keep-orientation turned the pixels"
    [ "$(tag Orientation "$tmp/kept.png")" = "6" ] || fail "--keep-orientation lost the tag"
}

# --to-srgb: the colours converted as lcms2's tificc converts them, no profile written.
adobe=/usr/share/color/icc/compatibleWithAdobeRGB1998.icc
if [ -f "$adobe" ] && [ -x /usr/bin/tificc ]; then
    run 0 convert "$tmp/cam.jpg" "$tmp/plain.tif" --strip-metadata
    cp "$tmp/plain.tif" "$tmp/adobe.tif"
    exiftool -q -overwrite_original "-ICC_Profile<=$adobe" -Make=Vimbra "$tmp/adobe.tif"
    run 0 convert "$tmp/adobe.tif" "$tmp/srgb.tif" --to-srgb && {
        [ -z "$(tag ProfileDescription "$tmp/srgb.tif")" ] || fail "--to-srgb kept the profile"
        [ "$(tag Make "$tmp/srgb.tif")" = "Vimbra" ] || fail "--to-srgb lost the other metadata"
        tificc "-i$adobe" -t1 "$tmp/plain.tif" "$tmp/ref.tif" 2>/dev/null
        if [ -x "$im" ]; then
            "$im" "$tmp/ref.tif" "$tmp/ref-srgb.ppm" 2>/dev/null
            "$im" "$tmp/srgb.tif" "$tmp/our-srgb.ppm" 2>/dev/null
            cmp -s "$tmp/ref-srgb.ppm" "$tmp/our-srgb.ppm" || fail "--to-srgb differs from tificc -t 1"
        fi
    }
    run 0 convert "$tmp/adobe.tif" "$tmp/still.tif" &&
        [ -n "$(tag ProfileDescription "$tmp/still.tif")" ] || fail "the profile was not kept"
fi

# Broken EXIF: converted anyway, with a warning on stderr, and without the metadata.
printf '\377\330\377\341\000\050Exif\000\000II*\000\360\377\377\177' >"$tmp/broken.jpg"
head -c 24 /dev/zero | tr '\000' '\356' >>"$tmp/broken.jpg"
tail -c +3 "$tmp/bare.jpg" >>"$tmp/broken.jpg"
run 0 convert "$tmp/broken.jpg" "$tmp/fixed.jpg" && {
    grep -q "metadata of broken.jpg cannot be read" "$tmp/err" || fail "no warning: $(cat "$tmp/err")"
    [ -z "$(tag Make "$tmp/fixed.jpg")" ] || fail "broken metadata was written"
}

[ $failures -eq 0 ] && echo "all vimbra-cli metadata checks passed"
[ $failures -eq 0 ]
