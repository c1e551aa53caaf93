#!/bin/sh
# End-to-end checks of vimbra-cli analyze, jpeg, batch-convert and rename on
# real temporary folders: exact output lines and exit statuses.
# Usage: cli_ops_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") samples=$(cd "$2" && pwd)
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*"; }

# run STATUS ARGS...: runs in $tmp, keeps stdout in $tmp/out, stderr in $tmp/err.
run() {
    want=$1
    shift
    (cd "$tmp" && "$cli" "$@" >"$tmp/out" 2>"$tmp/err")
    got=$?
    [ "$got" -eq "$want" ] || { fail "vimbra-cli $* -> status $got (want $want)"; cat "$tmp/err"; }
}
same() {  # same FILE EXPECTED-TEXT
    printf '%s\n' "$2" | diff - "$1" >/dev/null || { fail "$1 differs:"; diff - "$1" <<E
$2
E
    }
}

mkdir "$tmp/src" "$tmp/dest"
cp "$samples/scene.jpg" "$tmp/src/photo.jpeg"
cp "$samples/scene.png" "$tmp/src/a.png"
cp "$samples/grey_ramp.png" "$tmp/src/grey.png"

# analyze: layout of the single and compare forms.
run 0 analyze src/a.png
[ "$(sed -n 1p "$tmp/out")" = "Filename: a.png" ] || fail "analyze: first line"
[ "$(sed -n 2p "$tmp/out")" = "Location: $tmp/src/" ] || fail "analyze: location line"
[ "$(wc -l <"$tmp/out")" -eq 21 ] || fail "analyze: 21 lines expected"
grep -q "^Red values:  Mean = [0-9]*\.[0-9][0-9]  sd\. = [0-9]*\.[0-9][0-9]  gamut = [0-9]*$" "$tmp/out" || fail "analyze: red line"
grep -q "^Filesize: $(stat -c %s "$tmp/src/a.png") bytes ([0-9]*\.*[0-9]* : 1 compression)$" "$tmp/out" || fail "analyze: filesize line"
run 0 analyze src/a.png src/grey.png --complexity
[ "$(wc -l <"$tmp/out")" -ge 24 ] || fail "analyze: compare form"
[ "$(sed -n 10p "$tmp/out")" = "" ] && [ "$(sed -n 12p "$tmp/out")" = "" ] || fail "analyze: compare spacing"
grep -q "^Complexity Rating = [0-9]* (higher has more texture)$" "$tmp/out" || fail "analyze: complexity"
run 1 analyze src/missing.png
same "$tmp/err" "missing.png not found."

# jpeg: add twice, read, strip with and without the backup.
run 0 jpeg read src/photo.jpeg
run 0 jpeg add-comment src/photo.jpeg "first line"
[ ! -s "$tmp/out" ] || fail "jpeg add-comment printed something"
[ -f "$tmp/src/photo.bak" ] || fail "jpeg: no backup"
cmp -s "$tmp/src/photo.bak" "$samples/scene.jpg" || fail "jpeg: backup differs from the original"
run 1 jpeg add-comment src/photo.jpeg second
printf 'from stdin\n' | (cd "$tmp" && "$cli" jpeg add-comment src/photo.jpeg - --overwrite-bak) || fail "jpeg: add from stdin"
run 0 jpeg read src/photo.jpeg
same "$tmp/out" "from stdin
first line"
before=$(stat -c %s "$tmp/src/photo.jpeg")
run 1 jpeg strip-comments src/photo.jpeg
same "$tmp/err" "src/photo.bak exists.
Nothing changed; --overwrite-bak replaces the backup."
[ "$(stat -c %s "$tmp/src/photo.jpeg")" -eq "$before" ] || fail "jpeg: refused strip changed the file"
run 0 jpeg strip-comments src/photo.jpeg --overwrite-bak
after=$(stat -c %s "$tmp/src/photo.jpeg")
same "$tmp/out" "Comments removed: $((before - after)) bytes"
cmp -s "$tmp/src/photo.jpeg" "$samples/scene.jpg" || fail "jpeg: strip did not give the original back"
run 0 jpeg strip-comments src/photo.jpeg --overwrite-bak
same "$tmp/out" "No Comments found.
File unchanged."
printf 'not a jpeg' >"$tmp/src/bad.jpg"
run 1 jpeg read src/bad.jpg
same "$tmp/err" "File has bad JPEG markers."
head -c 300 "$samples/scene.jpg" >"$tmp/src/cut.jpg"
run 1 jpeg strip-all src/cut.jpg
same "$tmp/err" "File has bad JPEG markers."
run 2 jpeg frob src/photo.jpeg

# batch-convert: free names, skipped files, never overwriting.
: >"$tmp/dest/a.jpg"
: >"$tmp/dest/a-1.jpg"
run 1 batch-convert --to jpg -o dest src/a.png src/photo.jpeg src/bad.jpg src/nothere.png
same "$tmp/out" "dest/a-2.jpg
dest/photo.jpg"
same "$tmp/err" "Skipped: src/bad.jpg
Skipped: src/nothere.png"
[ ! -s "$tmp/dest/a.jpg" ] || fail "batch-convert: a.jpg was overwritten"
(cd "$tmp" && "$cli" jpeg read dest/a-2.jpg) | grep -q "^Encoded with Vimbra 6.71 - " || fail "batch-convert: comment"
run 0 batch-convert --to png -o dest -e "GAMMA=130,130,130" -e NEXT -e LOOP -e DELETE src/a.png src/grey.png
same "$tmp/out" "dest/a.png
dest/grey.png"
[ -f "$tmp/src/a.png" ] && [ -f "$tmp/src/grey.png" ] || fail "batch-convert: a source was deleted"
run 2 batch-convert --to gif -o dest src/a.png

# rename: sequence and numeric-prefix modes, a name taken outside the list.
mkdir "$tmp/ren"
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do : >"$tmp/ren/x$i.jpg"; done
run 0 rename --prefix pic ren/x1.jpg ren/x2.jpg ren/x3.jpg ren/x4.jpg ren/x5.jpg ren/x6.jpg \
    ren/x7.jpg ren/x8.jpg ren/x9.jpg ren/x10.jpg ren/x11.jpg ren/x12.jpg
[ "$(sed -n 1p "$tmp/out")" = "ren/x1.jpg -> ren/pic01.jpg" ] || fail "rename: first line"
[ "$(sed -n 12p "$tmp/out")" = "ren/x12.jpg -> ren/pic12.jpg" ] || fail "rename: last line"
run 0 rename --numeric ren/pic01.jpg ren/pic02.jpg
same "$tmp/out" "ren/pic01.jpg -> ren/1~pic01.jpg
ren/pic02.jpg -> ren/2~pic02.jpg"
echo keep >"$tmp/ren/pic1.jpg"
run 1 rename --prefix pic ren/pic03.jpg ren/pic04.jpg ren/pic05.jpg
same "$tmp/out" "ren/pic04.jpg -> ren/pic2.jpg
ren/pic05.jpg -> ren/pic3.jpg"
same "$tmp/err" "Could not rename pic03.jpg"
[ "$(cat "$tmp/ren/pic1.jpg")" = keep ] || fail "rename replaced pic1.jpg"
run 2 rename ren/pic06.jpg

[ $failures -eq 0 ] && echo "all vimbra-cli file command checks passed"
[ $failures -eq 0 ]
