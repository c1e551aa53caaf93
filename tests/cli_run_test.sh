#!/bin/sh
# End-to-end checks of vimbra-cli run: BIP scripts over real pictures, what is
# written where, prompts, DELETE, failures and Ctrl+C.
# Usage: cli_run_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
. "$(dirname "$0")/test_lib.sh"

# run STATUS ARGS...: vimbra-cli run ARGS, stdout to $tmp/out, stderr to
# $tmp/err; a run that outlives 60 s counts as a hang.
run() {
    want=$1
    shift
    timeout -k 5 60 "$cli" run "$@" >"$tmp/out" 2>"$tmp/err"
    got=$?
    if [ "$got" -ne "$want" ]; then
        fail "vimbra-cli run $* -> status $got (want $want)"
        return 1
    fi
    if [ "$want" -ne 0 ] && ! [ -s "$tmp/err" ]; then
        fail "vimbra-cli run $* -> status $want without a message"
        return 1
    fi
    return 0
}

# fresh NAME: an empty folder $tmp/NAME.
fresh() {
    rm -rf "${tmp:?}/$1"
    mkdir -p "$tmp/$1"
}

# magic FILE: the first four bytes in hex.
magic() { od -An -tx1 -N4 "$1" | tr -d ' \n'; }

# size FILE: "WxH" as read by vimbra-cli info.
size() { "$cli" info "$1" | sed -n '1s/^\([0-9]*x[0-9]*\).*/\1/p'; }

five="$samples/colour_chart.bmp $samples/gradients.png $samples/grey_ramp.jpg $samples/scene.png $samples/scene_small.bmp"

# ---- a looping script visits every file once and ends ----------------------------
fresh loop
# shellcheck disable=SC2086
run 0 -e NORMALIZE -e SAVE=_n -e NOMODIFYFLAG -e NEXT -e LOOP -o "$tmp/loop" $five && {
    [ "$(wc -l <"$tmp/out")" -eq 5 ] || fail "loop: $(wc -l <"$tmp/out") lines reported, want 5"
    [ "$(find "$tmp/loop" -type f | wc -l)" -eq 5 ] || fail "loop: $(ls "$tmp/loop") written"
    for name in colour_chart gradients grey_ramp scene scene_small; do
        grep -qx "$tmp/loop/${name}_n.bmp" "$tmp/out" || fail "loop: ${name}_n.bmp not reported"
        [ "$(magic "$tmp/loop/${name}_n.bmp" | cut -c1-4)" = 424d ] || fail "loop: ${name}_n.bmp is no BMP"
    done
}
# LOOP without NEXT over one file ends after one pass; no SAVE prints nothing.
run 0 -e NORMALIZE -e LOOP "$samples/scene_small.bmp" && { [ -s "$tmp/out" ] && fail "output without a SAVE"; }

# ---- the script file (CR LF, CR, LF) comes before the -e lines ---------------------
fresh lines
printf 'SAVE=_crlf\r\nSAVE=_cr\rSAVE=_lf\n' >"$tmp/lines/s.bip"
run 0 "$tmp/lines/s.bip" -e SAVE=_e -o "$tmp/lines" "$samples/scene_small.bmp" && {
    printf '%s\n' "$tmp/lines/scene_small_crlf.bmp" "$tmp/lines/scene_small_cr.bmp" \
        "$tmp/lines/scene_small_lf.bmp" "$tmp/lines/scene_small_e.bmp" >"$tmp/want"
    cmp -s "$tmp/out" "$tmp/want" || fail "script lines: $(cat "$tmp/out")"
}

# ---- values carry over lines and passes ------------------------------------------
fresh carry
cp "$samples/scene.png" "$tmp/carry/c1.png"
cp "$samples/scene.png" "$tmp/carry/c2.png"
run 0 -e GAMMA=150,150,150 -e SAVE=_ref -e GAMMA -e SAVE=_twice -o "$tmp/carry" "$tmp/carry/c1.png"
run 0 -e GAMMA=150,150,150 -e GAMMA=150,150,150 -e SAVE=_explicit -e SAVE=_plain2 \
    -o "$tmp/carry" "$samples/scene.png"
cmp -s "$tmp/carry/c1_twice.bmp" "$tmp/carry/scene_explicit.bmp" || fail "GAMMA without values is not the last GAMMA"
cmp -s "$tmp/carry/c1_ref.bmp" "$tmp/carry/c1_twice.bmp" && fail "the second GAMMA did nothing"
# The first pass's GAMMA has no values yet (skipped); the second takes the first's.
run 0 -e GAMMA -e SAVE=_g -e GAMMA=150,150,150 -e NEXT -e LOOP -o "$tmp/carry" \
    "$tmp/carry/c1.png" "$tmp/carry/c2.png"
run 0 -e SAVE=_plain -o "$tmp/carry" "$tmp/carry/c1.png"
cmp -s "$tmp/carry/c1_g.bmp" "$tmp/carry/c1_plain.bmp" || fail "GAMMA without values ran on the first pass"
cmp -s "$tmp/carry/c2_g.bmp" "$tmp/carry/c1_ref.bmp" || fail "values did not carry over to the next pass"

# ---- names, formats and extensions ----------------------------------------------
fresh fmt
cp "$samples/scene_small.bmp" "$tmp/fmt/pic.bmp"
run 0 -e SAVE=_x --format png "$tmp/fmt/pic.bmp" && {
    grep -qx "$tmp/fmt/pic_x.png" "$tmp/out" || fail "png into the source folder: $(cat "$tmp/out")"
    [ "$(magic "$tmp/fmt/pic_x.png")" = 89504e47 ] || fail "pic_x.png is no PNG"
}
run 0 -e SAVE=_y.JPG --format jpg --quality 90 "$tmp/fmt/pic.bmp" && {
    grep -qx "$tmp/fmt/pic_y.JPG" "$tmp/out" || fail "extension in the suffix: $(cat "$tmp/out")"
    [ "$(magic "$tmp/fmt/pic_y.JPG" | cut -c1-6)" = ffd8ff ] || fail "pic_y.JPG is no JPEG"
}
run 0 -e SAVE=_t --format 7 "$tmp/fmt/pic.bmp" && {
    [ "$(magic "$tmp/fmt/pic_t.tif")" = 49492a00 ] || [ "$(magic "$tmp/fmt/pic_t.tif")" = 4d4d002a ] ||
        fail "format 7 wrote no TIFF: $(cat "$tmp/out")"
}
# A writer that refuses the picture: status 1, the run stops.
run 1 -e SAVE=_g4 -e SAVE=_after --format tif-g4 "$tmp/fmt/pic.bmp" && {
    grep -q "Write failure" "$tmp/err" || fail "no write failure message"
    [ -e "$tmp/fmt/pic_after.tif" ] && fail "the run went on after a failed save"
}

# ---- never over an input file ----------------------------------------------------
fresh own
cp "$samples/scene_small.bmp" "$tmp/own/pic.bmp"
run 1 -e NORMALIZE -e SAVE -e SAVE=_later "$tmp/own/pic.bmp" && {
    grep -q "would replace the input file" "$tmp/err" || fail "no message for the refused save"
    cmp -s "$tmp/own/pic.bmp" "$samples/scene_small.bmp" || fail "the source was overwritten"
    [ -e "$tmp/own/pic_later.bmp" ] && fail "the run went on after a refused save"
    [ -s "$tmp/out" ] && fail "a refused save was reported"
}
# Another input of the same run is protected as well.
cp "$samples/scene.png" "$tmp/own/pic.png"
run 1 -e SAVE "$tmp/own/pic.png" "$tmp/own/pic.bmp" &&
    { cmp -s "$tmp/own/pic.bmp" "$samples/scene_small.bmp" || fail "another input was overwritten"; }

# ---- prompts take --answer --------------------------------------------------------
fresh ask
run 0 -e SAVE=_before -e PROMPT -e SAVE=_after --answer yes -o "$tmp/ask" "$samples/scene_small.bmp" && {
    [ -e "$tmp/ask/scene_small_before.bmp" ] || fail "PROMPT: the line before did not run"
    [ -e "$tmp/ask/scene_small_after.bmp" ] && fail "PROMPT answered yes did not abort"
    grep -q "Abort batch processing? \[yes\]" "$tmp/err" || fail "PROMPT: question not shown"
}
run 0 -e PROMPT -e SAVE=_after -o "$tmp/ask" "$samples/scene_small.bmp" &&
    { [ -e "$tmp/ask/scene_small_after.bmp" ] || fail "PROMPT answered no (default) aborted"; }
run 0 -e PROMPT_NOT_FILESTRING=_last -e SAVE=_warned --answer yes -o "$tmp/ask" "$samples/scene_small.bmp" && {
    [ -e "$tmp/ask/scene_small_warned.bmp" ] && fail "PROMPT_NOT_FILESTRING answered yes did not abort"
    grep -q 'scene_small.bmp does not contain "_last"' "$tmp/err" || fail "PROMPT_NOT_FILESTRING text"
}

# ---- DELETE removes the sources for good -----------------------------------------
fresh del
fresh delout
cp "$samples/scene_small.bmp" "$tmp/del/one.bmp"
cp "$samples/scene.png" "$tmp/del/two.png"
run 0 -e SAVE=_kept -e DELETE -e NEXT -e LOOP -o "$tmp/delout" "$tmp/del/one.bmp" "$tmp/del/two.png" && {
    [ -e "$tmp/del/one.bmp" ] || [ -e "$tmp/del/two.png" ] && fail "DELETE left a source"
    for kept in one_kept two_kept; do
        [ -s "$tmp/delout/$kept.bmp" ] || fail "DELETE: $kept.bmp missing"
    done
    [ "$(wc -l <"$tmp/out")" -eq 2 ] || fail "DELETE: $(cat "$tmp/out")"
}

# ---- CROP ------------------------------------------------------------------------
fresh crop
run 0 -e CROP=1310740,6553700 -e SAVE=_c -o "$tmp/crop" --format png "$samples/scene.png" &&
    { [ "$(size "$tmp/crop/scene_c.png")" = 80x80 ] || fail "CROP gave $(size "$tmp/crop/scene_c.png")"; }
identify=/usr/bin/identify-im6.q16
if [ -x "$identify" ] && [ -e "$tmp/crop/scene_c.png" ]; then
    [ "$("$identify" -format '%wx%h' "$tmp/crop/scene_c.png")" = 80x80 ] || fail "CROP: ImageMagick disagrees"
fi

# ---- filter, mask and composition lines give their exact pixels ---------------------
# A 3 x 3 grey picture: ring 50, centre 100. MEANREMOVAL=8 gives 9*100 - 8*50 =
# 500 -> 255 in the centre; REPLACE_RGB of the ring colour whitens the ring and
# blackens the rest; a DIFFERENCE with its own duplicate is 127 everywhere.
magick=/usr/bin/convert-im6.q16
if [ -x "$magick" ]; then
    fresh px
    "$magick" -size 3x3 xc:'rgb(50,50,50)' -fill 'rgb(100,100,100)' -draw 'point 1,1' \
        -type TrueColor BMP3:"$tmp/px/grey.bmp"
    # pixel FILE X Y: "r,g,b" as ImageMagick reads it.
    pixel() { "$magick" "$1" txt:- | sed -n "s/^$2,$3: *(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p"; }
    run 0 -e MEANREMOVAL=8 -e SAVE=_a -e REPLACE_RGB=50,50,50 -e SAVE=_b -e DUPLICATE \
        -e DIFFERENCE -e SAVE=_c -o "$tmp/px" "$tmp/px/grey.bmp" && {
        for check in "_a 1 1 255,255,255" "_a 0 0 50,50,50" "_b 0 0 255,255,255" \
                     "_b 1 1 0,0,0" "_c 1 1 127,127,127" "_c 2 2 127,127,127"; do
            set -- $check
            got=$(pixel "$tmp/px/grey$1.bmp" "$2" "$3")
            [ "$got" = "$4" ] || fail "pixels: grey$1.bmp at $2,$3 is '$got', want $4"
        done
    }
fi

# ---- lines that do not parse are skipped -----------------------------------------
fresh bad
printf '%s\n' 'GAMMA=abc' 'NO_SUCH_COMMAND=5' '' '   ' '=5' '>NORMALIZE' 'GAMMA=99999999999' \
    'GAMMA=-5,-5,-5' 'GAMMA=501,501,501' 'SAVE=_m' >"$tmp/bad/m.bip"
run 0 "$tmp/bad/m.bip" -o "$tmp/bad" "$samples/scene.png" &&
    run 0 -e SAVE=_plain -o "$tmp/bad" "$samples/scene.png" &&
    { cmp -s "$tmp/bad/scene_m.bmp" "$tmp/bad/scene_plain.bmp" || fail "a malformed line changed the picture"; }

# ---- geometry keywords change the size as asked ------------------------------------
fresh geo
small="$samples/scene_small.bmp"  # 321 x 241
run 0 -e ROTATE=90 -e SAVE=_r90 -e RELOAD -e DOWNSAMPLE=100,100 -e SAVE=_d -e RELOAD \
    -e CROP=1310740,6553700 -e SAVE=_c -e RELOAD -e CROP=50,6553610 -e MOSAIC=4 \
    -e BORDER=255,2,2 -e RESAMPLE=64,48 -e SAVE=_m -o "$tmp/geo" "$small" && {
    [ "$(size "$tmp/geo/scene_small_r90.bmp")" = 241x321 ] || fail "ROTATE=90: $(size "$tmp/geo/scene_small_r90.bmp")"
    [ "$(size "$tmp/geo/scene_small_d.bmp")" = 100x75 ] || fail "DOWNSAMPLE: $(size "$tmp/geo/scene_small_d.bmp")"
    [ "$(size "$tmp/geo/scene_small_c.bmp")" = 80x80 ] || fail "CROP: $(size "$tmp/geo/scene_small_c.bmp")"
    # A crop whose right lies before its left leaves the picture for the next lines.
    [ "$(size "$tmp/geo/scene_small_m.bmp")" = 64x48 ] || fail "RESAMPLE: $(size "$tmp/geo/scene_small_m.bmp")"
}
# A rotation the picture size limit refuses: status 1, the message, no SAVE.
{
    printf 'BM\306\137\001\000\000\000\000\000\066\000\000\000\050\000\000\000\060\165\000\000'
    printf '\001\000\000\000\001\000\030\000\000\000\000\000\220\137\001\000'
    printf '\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000'
    head -c 90000 /dev/zero
} >"$tmp/geo/strip.bmp"  # 30000 x 1
run 1 -e ROTATE=45 -e SAVE=_r -o "$tmp/geo" "$tmp/geo/strip.bmp" && {
    grep -q "too large" "$tmp/err" || fail "failed rotation: no message"
    [ -e "$tmp/geo/strip_r.bmp" ] && fail "failed rotation: the picture was saved"
}

# ---- bad input: status 1 and a message --------------------------------------------
fresh in
printf 'abc' >"$tmp/in/broken.png"
run 1 -e SAVE=_n -e NEXT -e LOOP -o "$tmp/in" "$samples/scene_small.bmp" "$tmp/in/broken.png" \
    "$samples/scene.png" && {
    grep -q "Invalid PNG file" "$tmp/err" || fail "no message for a bad picture"
    grep -q "stopped at $tmp/in/broken.png" "$tmp/err" || fail "the bad picture is not named"
    [ -e "$tmp/in/scene_small_n.bmp" ] || fail "the file before the bad one was not saved"
    [ -e "$tmp/in/scene_n.bmp" ] && fail "the run went on after a bad picture"
}
fresh in
printf 'abc' >"$tmp/in/broken.png"
run 1 -e SAVE=_n -o "$tmp/in" "$tmp/in/broken.png" && { [ -e "$tmp/in/broken_n.bmp" ] && fail "a bad first picture was saved"; }
run 1 -e SAVE=_n -o "$tmp/in" "$samples/scene.png" "$tmp/in/missing.png" && {
    grep -q "missing.png not found." "$tmp/err" || fail "message for a missing file"
    [ -e "$tmp/in/scene_n.bmp" ] && fail "a run with a missing file started"
}
run 1 -e SAVE=_n -o "$tmp/no/such/folder" "$samples/scene.png"
run 1 "$tmp/in/none.bip" "$samples/scene.png" && { grep -q "none.bip not found." "$tmp/err" || fail "missing script"; }

# ---- Ctrl+C ends a long run after the current line ----------------------------------
fresh int
awk 'BEGIN { for (i = 0; i < 20000; i++) print "NORMALIZE"; print "SAVE=_never"; print "NEXT"; print "LOOP" }' \
    >"$tmp/int/long.bip"
start=$(date +%s)
# shellcheck disable=SC2086
# --foreground: one SIGINT to the run only, as a terminal's Ctrl+C gives (without
# it timeout signals the child and then its whole group, a second Ctrl+C).
timeout --foreground -k 20 --preserve-status -s INT 2 "$cli" run "$tmp/int/long.bip" -o "$tmp/int" $five \
    >"$tmp/out" 2>"$tmp/err"
got=$?
elapsed=$(($(date +%s) - start))
[ "$got" -eq 130 ] || fail "Ctrl+C: status $got (want 130)"
[ "$elapsed" -le 10 ] || fail "Ctrl+C: the run took $elapsed s to stop"
grep -q "Interrupted" "$tmp/err" || fail "Ctrl+C: no message"
[ -n "$(find "$tmp/int" -name '*_never*')" ] && fail "Ctrl+C: the run reached its SAVE"

[ $failures -eq 0 ] && echo "all vimbra-cli run checks passed"
[ $failures -eq 0 ]
