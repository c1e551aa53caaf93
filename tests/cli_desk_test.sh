#!/bin/sh
# End-to-end checks of vimbra-cli print and unzip.
# Usage: cli_desk_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1 samples=$2
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*"; }
cd "$tmp" || exit 1

# print: the page is written; a missing or unreadable picture leaves an existing PDF alone.
"$cli" print "$samples/scene.png" --pdf page.pdf >out 2>err || fail "print scene.png"
head -c 5 page.pdf | grep -q '%PDF-' || fail "page.pdf is no PDF"
echo keep >old.pdf
"$cli" print missing.png --pdf old.pdf >out 2>err
[ $? -eq 1 ] || fail "missing picture: status"
grep -q "missing.png" err || fail "missing picture: message names the file"
[ "$(cat old.pdf)" = keep ] || fail "missing picture: old.pdf replaced"
echo junk >bad.png
"$cli" print bad.png --pdf old.pdf >out 2>err
[ $? -eq 1 ] || fail "unreadable picture: status"
grep -q "bad.png" err || fail "unreadable picture: message names the file"
[ "$(cat old.pdf)" = keep ] || fail "unreadable picture: old.pdf replaced"

# unzip: two archives, one missing; nothing lands outside the destination.
mkdir src && echo one >src/a.txt && echo two >src/b.txt
(cd src && zip -q ../one.zip a.txt && zip -q ../two.zip b.txt) || fail "zip"
"$cli" unzip one.zip missing.zip two.zip -o dest >out 2>err
[ $? -eq 1 ] || fail "unzip with a missing archive: status"
grep -q "missing.zip" err || fail "unzip: missing archive reported"
[ "$(cat dest/a.txt)" = one ] && [ "$(cat dest/b.txt)" = two ] || fail "unzip: others extracted"
grep -q "^2 file(s) unzipped.$" out || fail "unzip: count"
echo changed >dest/a.txt
"$cli" unzip one.zip -o dest >out 2>err
[ $? -eq 1 ] || fail "unzip over an existing file: status"
grep -q "^a.txt in one.zip exists; skipped.$" out || fail "unzip: skip line"
[ "$(cat dest/a.txt)" = changed ] || fail "unzip: existing file replaced"
"$cli" unzip one.zip -o dest --overwrite >out 2>err || fail "unzip --overwrite: status"
[ "$(cat dest/a.txt)" = one ] || fail "unzip --overwrite: not replaced"
# unzip --overwrite never writes through a link standing in the destination.
echo victim >victim.txt
mkdir outside && mkdir -p src/sub && echo three >src/sub/c.txt
(cd src && zip -q ../three.zip sub/c.txt) || fail "zip three"
rm dest/a.txt && ln -s ../victim.txt dest/a.txt && ln -s "$tmp/outside" dest/sub
"$cli" unzip one.zip three.zip -o dest --overwrite >out 2>err
[ $? -eq 1 ] || fail "unzip through links: status"
grep -q "^a.txt in one.zip is a link in the destination; refused.$" out || fail "unzip: file link line"
grep -q "^sub/c.txt in three.zip leads through a link; refused.$" out || fail "unzip: folder link line"
[ "$(cat victim.txt)" = victim ] || fail "unzip: wrote through a file link"
[ -z "$(ls outside)" ] || fail "unzip: wrote through a folder link"
rm -r victim.txt outside three.zip src/sub

[ "$(ls | sort | tr '\n' ' ')" = "bad.png dest err old.pdf one.zip out page.pdf src two.zip " ] ||
    fail "unexpected files: $(ls)"

[ $failures -eq 0 ] && echo "all print and unzip checks passed"
[ $failures -eq 0 ]
