#!/bin/sh
# End-to-end checks of what vimbra-cli run and batch-convert tell about each
# input: the --report lines (shards merged, --jobs, a killed run, odd names),
# the progress line on a terminal only, and batch-convert --jobs N and -o DIR.
# Usage: cli_batch_report_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$(realpath "$1")
samples=$(realpath "$2")
. "$(dirname "$0")/test_lib.sh"

command -v jq >/dev/null || { echo "SKIP: jq missing (scripts/install-deps)"; exit 0; }

# setup: six pictures in $tmp/w/in (a broken one third when "broken" is given).
setup() {
    rm -rf "$tmp/w"
    mkdir -p "$tmp/w/in" "$tmp/w/out"
    i=0
    for f in scene.png colour_chart.bmp grey_ramp.jpg gradients.png scene.jpg scene_small.bmp; do
        i=$((i + 1))
        cp "$samples/$f" "$tmp/w/in/p$i.${f##*.}"
    done
    if [ "$1" = broken ]; then
        rm "$tmp/w/in/p3.jpg"
        printf 'not a picture' >"$tmp/w/in/p3.jpg"
    fi
}

# normal FILE: the report's lines parsed, without the times, sorted by input.
normal() { jq -c 'del(.milliseconds)' "$1" | sort; }

job="-e GAMMA=140,140,140 -e SAVE=_r -e NEXT -e LOOP"

# ---- shards together report what one run reports ------------------------------
setup
# shellcheck disable=SC2086
(cd "$tmp/w" && "$cli" run $job -o out --report ../whole.jsonl in/* >/dev/null 2>&1) ||
    fail "the whole run failed"
[ "$(wc -l <"$tmp/whole.jsonl")" -eq 6 ] || fail "whole run: $(wc -l <"$tmp/whole.jsonl") lines"
[ "$(jq -r .status "$tmp/whole.jsonl" | sort -u)" = ok ] || fail "whole run: not every input ok"
[ "$(jq -r '.outputs[0]' "$tmp/whole.jsonl" | head -1)" = out/p1_r.bmp ] || fail "whole run: outputs"
jq -e 'select((.milliseconds | type) != "number" or .milliseconds < 0)' "$tmp/whole.jsonl" >/dev/null &&
    fail "a time that is no count of milliseconds"
rm -rf "$tmp/w/out" && mkdir "$tmp/w/out"
for i in 1 2 3 4; do
    # shellcheck disable=SC2086
    (cd "$tmp/w" && "$cli" run $job -o out --shard $i/4 --report ../shard$i.jsonl in/* >/dev/null 2>&1) ||
        fail "shard $i failed"
done
cat "$tmp"/shard?.jsonl >"$tmp/merged.jsonl"
[ "$(normal "$tmp/merged.jsonl")" = "$(normal "$tmp/whole.jsonl")" ] || fail "shards: $(cat "$tmp/merged.jsonl")"
# Shards appending to one report leave whole lines.
rm -rf "$tmp/w/out" "$tmp/shared.jsonl" && mkdir "$tmp/w/out"
for i in 1 2 3; do
    # shellcheck disable=SC2086
    (cd "$tmp/w" && "$cli" run $job -o out --shard $i/3 --report ../shared.jsonl in/* >/dev/null 2>&1) &
done
wait
[ "$(normal "$tmp/shared.jsonl")" = "$(normal "$tmp/whole.jsonl")" ] || fail "one report for three shards"

# ---- a broken file: failed, then skipped; --jobs 2 reports the same -----------
for jobs in 1 2; do
    setup broken
    # shellcheck disable=SC2086
    (cd "$tmp/w" && "$cli" run $job -o out --jobs $jobs --report ../broken$jobs.jsonl in/* >/dev/null 2>&1)
    [ $? -eq 1 ] || fail "broken list, $jobs job(s): status"
done
[ "$(jq -r '.status' "$tmp/broken1.jsonl" | tr '\n' ' ')" = "ok ok failed skipped skipped skipped " ] ||
    fail "broken list: $(cat "$tmp/broken1.jsonl")"
jq -r 'select(.status == "failed") | .message' "$tmp/broken1.jsonl" | grep -q "JPEG" || fail "broken list: the message"
[ "$(jq -c 'del(.milliseconds)' "$tmp/broken2.jsonl")" = "$(jq -c 'del(.milliseconds)' "$tmp/broken1.jsonl")" ] ||
    fail "--jobs 2 report: $(cat "$tmp/broken2.jsonl")"
# Re-running only the inputs that did not end ok completes the list.
setup
jq -r 'select(.status != "ok") | .input' "$tmp/broken1.jsonl" >"$tmp/again.txt"
[ "$(wc -l <"$tmp/again.txt")" -eq 4 ] || fail "inputs to run again: $(cat "$tmp/again.txt")"

# ---- odd names are carried exactly ------------------------------------------
setup
odd=$(printf 'in/we"ird\\\tname\377.png')
cp "$samples/scene_small.bmp" "$tmp/w/$odd"
# (The readers do not open every name that is no UTF-8 yet; the line is what counts here.)
(cd "$tmp/w" && "$cli" run -e SAVE=_o -o out --report ../odd.jsonl "$odd" >/dev/null 2>&1)
grep -qF '"input": "in/we\"ird\\\tname\udcff.png"' "$tmp/odd.jsonl" || fail "odd name: $(cat "$tmp/odd.jsonl")"
jq -e . "$tmp/odd.jsonl" >/dev/null || fail "odd name: the line does not parse"

# ---- a killed run leaves whole lines, in list order --------------------------
setup
mkdir -p "$tmp/w/many"
for i in $(seq 10 49); do cp "$samples/scene.png" "$tmp/w/many/m$i.png"; done
(cd "$tmp/w" && exec "$cli" run -e MEDIAN=3 -e SAVE=_k -e NEXT -e LOOP -o out --report ../killed.jsonl \
    many/* >/dev/null 2>&1) &
pid=$!
n=0
while [ "$n" -lt 100 ] && [ "$(cat "$tmp/killed.jsonl" 2>/dev/null | wc -l)" -lt 3 ]; do
    sleep 0.1
    n=$((n + 1))
done
kill -9 $pid
wait $pid 2>/dev/null
lines=$(wc -l <"$tmp/killed.jsonl")
if [ "$lines" -lt 3 ] || [ "$lines" -ge 40 ]; then
    fail "killed run: $lines lines (the run may be too fast or too slow here)"
fi
[ "$(tail -c 1 "$tmp/killed.jsonl" | od -An -c | tr -d ' ')" = '\n' ] || fail "killed run: a line cut short"
jq -e . "$tmp/killed.jsonl" >/dev/null || fail "killed run: a line does not parse"
(cd "$tmp/w" && ls many/* | head -n "$lines") >"$tmp/want.txt"
jq -r .input "$tmp/killed.jsonl" | cmp -s - "$tmp/want.txt" || fail "killed run: not the list's first inputs"

# ---- the progress line: on a terminal, not in a pipe, not with --quiet -------
setup
# shellcheck disable=SC2086
script -qec "'$cli' run $job -o '$tmp/w/out' $tmp/w/in/*" /dev/null >"$tmp/tty.txt" 2>&1 ||
    fail "run under a terminal failed"
grep -q '6/6  [0-9.]* pictures/s' "$tmp/tty.txt" || fail "no progress line on a terminal: $(cat -v "$tmp/tty.txt")"
grep -q "$(printf '\r\033\\[K')" "$tmp/tty.txt" || fail "the progress line is not redrawn in place"
[ "$(grep -c '_r.bmp' "$tmp/tty.txt")" -eq 6 ] || fail "the saved files are not all listed under a terminal"
# shellcheck disable=SC2086
script -qec "'$cli' run $job --quiet -o '$tmp/w/out' $tmp/w/in/*" /dev/null >"$tmp/quiet.txt" 2>&1
grep -q 'pictures/s' "$tmp/quiet.txt" && fail "--quiet still shows the progress"
[ "$(grep -c '_r.bmp' "$tmp/quiet.txt")" -eq 6 ] || fail "--quiet hid the saved files"
# shellcheck disable=SC2086
"$cli" run $job -o "$tmp/w/out" "$tmp"/w/in/* 2>"$tmp/pipe.txt" | cat >/dev/null
[ -s "$tmp/pipe.txt" ] && fail "stderr not a terminal, still: $(cat -v "$tmp/pipe.txt")"
script -qec "'$cli' batch-convert --to png -o '$tmp/w/bc' $tmp/w/in/*" /dev/null >"$tmp/bc_tty.txt" 2>&1
grep -q '6/6  [0-9.]* pictures/s' "$tmp/bc_tty.txt" || fail "batch-convert: no progress line on a terminal"

# ---- batch-convert --jobs 2 writes what --jobs 1 writes ---------------------
for jobs in 1 2; do
    setup broken
    cp "$samples/scene.jpg" "$tmp/w/in/p1.jpg"  # p1.png and p1.jpg: p1.jpg, p1-1.jpg
    (cd "$tmp/w" && "$cli" batch-convert --to jpg -o out/new --jobs $jobs -e GAMMA=120,120,120 \
        --report ../bc$jobs.jsonl in/* >../bc$jobs.out 2>../bc$jobs.err)
    echo "status $?" >>"$tmp/bc$jobs.out"
    (cd "$tmp/w/out/new" && md5sum ./* >"$tmp/bc$jobs.sums")
done
grep -qx 'status 1' "$tmp/bc1.out" || fail "batch-convert with a broken file: $(cat "$tmp/bc1.out")"
[ "$(wc -l <"$tmp/bc1.sums")" -eq 6 ] || fail "batch-convert: $(cat "$tmp/bc1.sums")"
grep -qx 'Skipped: in/p3.jpg' "$tmp/bc1.err" || fail "batch-convert: $(cat "$tmp/bc1.err")"
for f in out err sums; do
    cmp -s "$tmp/bc1.$f" "$tmp/bc2.$f" || fail "batch-convert --jobs 2: $f differs: $(diff "$tmp/bc1.$f" "$tmp/bc2.$f")"
done
[ "$(jq -c 'del(.milliseconds)' "$tmp/bc2.jsonl")" = "$(jq -c 'del(.milliseconds)' "$tmp/bc1.jsonl")" ] ||
    fail "batch-convert --jobs 2 report"
[ "$(jq -r .status "$tmp/bc1.jsonl" | tr '\n' ' ')" = "ok ok ok failed ok ok ok " ] ||
    fail "batch-convert report: $(cat "$tmp/bc1.jsonl")"

# ---- batch-convert -o DIR is made when missing, or a clear message ----------
setup
run 0 batch-convert --to png -o "$tmp/w/made/deep" "$tmp/w/in/p1.png" && {
    [ -f "$tmp/w/made/deep/p1.png" ] || fail "-o DIR not made"
}
touch "$tmp/w/file"
run 1 batch-convert --to png -o "$tmp/w/file/sub" "$tmp/w/in/p1.png" &&
    grep -qx "Cannot make the output folder $tmp/w/file/sub: Not a directory." "$tmp/err" ||
    fail "-o under a file: $(cat "$tmp/err")"
run 2 batch-convert --to png -o "$tmp/w/x" --jobs 0 "$tmp/w/in/p1.png"
run 1 run -e SAVE=_x --report "$tmp/w/nowhere/r.jsonl" "$tmp/w/in/p1.png" &&
    grep -q "Cannot write the report" "$tmp/err" || fail "report in a missing folder"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
