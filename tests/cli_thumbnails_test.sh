#!/bin/sh
# End-to-end checks of vimbra-cli thumbnails: the cache file named on stdout,
# one a line in name order, nothing rewritten when fresh, unreadable files
# named on stderr with a failure entry, and the exit statuses.
# Usage: cli_thumbnails_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$1
samples=$2
. "$(dirname "$0")/test_lib.sh"

export XDG_CACHE_HOME="$tmp/cache"
export HOME="$tmp/home"
thumbs="$XDG_CACHE_HOME/thumbnails"
# cache PATH-PERCENT-ENCODED [SIZE]: where the thumbnail of that file belongs.
cache() { echo "$thumbs/${2:-normal}/$(printf 'file://%s' "$1" | md5sum | cut -c1-32).png"; }
same() {  # same FILE EXPECTED-TEXT
    printf '%s\n' "$2" | diff - "$1" >/dev/null || { fail "$1 differs: $(cat "$1")"; }
}

pics="$tmp/pics"
mkdir "$pics" "$pics/sub.jpg"
cp "$samples/scene.jpg" "$pics/B scene.jpg"
cp "$samples/scene.png" "$pics/a.png"
cp "$samples/colour_chart.bmp" "$pics/C.bmp"
echo "not a picture" >"$pics/notes.txt"

run 0 thumbnails "$pics/a.png" && same "$tmp/out" "$(cache "$pics/a.png")"
[ -s "$(cache "$pics/a.png")" ] || fail "no thumbnail file written"
[ "$(stat -c %a "$(cache "$pics/a.png")")" = 600 ] || fail "thumbnail mode is not 600"
[ "$(stat -c %a "$thumbs/normal")" = 700 ] || fail "cache folder mode is not 700"

# A folder: its pictures by name, case ignored; the fresh one is not written again.
before=$(stat -c '%i %Y' "$(cache "$pics/a.png")")
run 0 thumbnails "$pics" && same "$tmp/out" "$(cache "$pics/a.png")
$(cache "$pics/B%20scene.jpg")
$(cache "$pics/C.bmp")"
[ "$(stat -c '%i %Y' "$(cache "$pics/a.png")")" = "$before" ] || fail "a fresh thumbnail was written again"
[ -s "$tmp/err" ] && fail "messages for good files: $(cat "$tmp/err")"

run 0 thumbnails --size large "$pics/C.bmp" && same "$tmp/out" "$(cache "$pics/C.bmp" large)"

# An unreadable file: named on stderr, a failure entry, status 1; the others go on.
printf 'BM garbage' >"$pics/broken.bmp"
run 1 thumbnails "$pics/broken.bmp" "$pics/a.png" && {
    grep -q "broken.bmp" "$tmp/err" || fail "the broken file is not named: $(cat "$tmp/err")"
    same "$tmp/out" "$(cache "$pics/a.png")"
}
[ -s "$thumbs/fail/vimbra-6.71/$(basename "$(cache "$pics/broken.bmp")")" ] || fail "no failure entry"
run 1 thumbnails "$pics/broken.bmp"
run 1 thumbnails "$pics/missing.png" && grep -q "missing.png" "$tmp/err" || fail "missing file not named"

# Bad usage.
run 2 thumbnails
run 2 thumbnails --size 128 "$pics/a.png"

# A cache that cannot be written: status 1 and why.
XDG_CACHE_HOME="$pics/notes.txt" run 1 thumbnails "$pics/a.png" &&
    grep -q "not written" "$tmp/err" || fail "unwritable cache: $(cat "$tmp/err")"

[ "$failures" -eq 0 ] && echo "cli_thumbnails_test: all passed"
exit "$failures"
