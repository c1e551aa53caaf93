#!/bin/sh
# vimbra-cli run gives the same files, output and status whether it reads
# ahead and writes behind (the default), does one thing after the other
# (--sequential) or works on several files at once (--jobs N): over a list
# with a broken file, a save that cannot be written, DELETE after SAVE and a
# prompt. Also: scripts that cannot be split run with one job and say why.
# Usage: cli_run_overlap_test.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=$(realpath "$1")
samples=$(realpath "$2")
. "$(dirname "$0")/test_lib.sh"

# setup: a fresh list of six pictures in $tmp/w/in and an empty $tmp/w/out.
setup() {
    rm -rf "$tmp/w"
    mkdir -p "$tmp/w/in" "$tmp/w/out"
    i=0
    for f in scene.png colour_chart.bmp grey_ramp.jpg gradients.png scene.jpg scene_small.bmp; do
        i=$((i + 1))
        cp "$samples/$f" "$tmp/w/in/p$i.${f##*.}"
    done
}

# outcome NAME MODE ARGS...: runs in a fresh setup (after $prepare, if set)
# and keeps status, stdout, stderr and a listing with checksums of every file
# under $tmp/r/NAME.MODE, with the work folder's path written as W.
outcome() {
    name=$1 mode=$2
    shift 2
    setup
    [ -n "$prepare" ] && eval "$prepare"
    (cd "$tmp/w" && timeout -k 5 60 "$cli" run "$@" >"$tmp/stdout" 2>"$tmp/stderr")
    echo "status $?" >"$tmp/r/$name.$mode"
    {
        echo "stdout:"
        cat "$tmp/stdout"
        echo "stderr:"
        cat "$tmp/stderr"
        echo "files:"
        (cd "$tmp/w" && find . -type f | sort | xargs -r md5sum)
    } >>"$tmp/r/$name.$mode"
}

# same NAME ARGS...: the default run, --sequential and --jobs 2 and 3 agree.
same() {
    name=$1
    shift
    outcome "$name" seq "$@" --sequential
    outcome "$name" pipe "$@"
    outcome "$name" jobs2 "$@" --jobs 2
    outcome "$name" jobs3 "$@" --jobs 3 --sequential
    for mode in pipe jobs2 jobs3; do
        # A script that cannot be split says so and runs as one job.
        if ! grep -v "^Running with one job: " "$tmp/r/$name.$mode" | cmp -s "$tmp/r/$name.seq" -; then
            fail "$name: $mode differs from --sequential"
            diff "$tmp/r/$name.seq" "$tmp/r/$name.$mode" | sed 's/^/    /'
        fi
    done
}

mkdir -p "$tmp/r"
job="-e GAMMA=150,150,150 -e CONTRAST=20,20,20 -e SAVE=_b -e NEXT -e LOOP"

prepare=
# shellcheck disable=SC2086
same plain $job -o out --format jpg --quality 90 in/p1.png in/p2.bmp in/p3.jpg in/p4.png in/p5.jpg in/p6.bmp
grep -q "status 0" "$tmp/r/plain.seq" || fail "plain run failed"
[ "$(grep -c '_b.jpg$' "$tmp/r/plain.seq")" -eq 12 ] || fail "plain run: six outputs listed and written"

# A value-less line takes the values the pass before left.
same carried -e GAMMA -e SAVE=_g -e GAMMA=150,150,150 -e NEXT -e LOOP -o out in/p1.png in/p4.png in/p1.png in/p4.png

# A broken picture in the middle stops the run there.
prepare='printf "abc" >"$tmp/w/in/p4.png"'
# shellcheck disable=SC2086
same broken $job -o out --format png in/p1.png in/p2.bmp in/p3.jpg in/p4.png in/p5.jpg in/p6.bmp
grep -q "stopped at in/p4.png" "$tmp/r/broken.pipe" || fail "broken: the picture is not named"
grep -q "status 1" "$tmp/r/broken.pipe" || fail "broken: status"

# A save that cannot be written (a folder stands where the file goes) stops
# the run before anything later, in every mode.
prepare='mkdir "$tmp/w/out/p3_b.jpg"'
# shellcheck disable=SC2086
same unwritable $job -o out --format jpg in/p1.png in/p2.bmp in/p3.jpg in/p4.png in/p5.jpg in/p6.bmp
grep -q "Write failure" "$tmp/r/unwritable.pipe" || fail "unwritable: no message"
grep -q "p4_b.jpg" "$tmp/r/unwritable.pipe" && fail "unwritable: the run went on"

# ... and a DELETE after that save deletes nothing, also behind a write.
same delete -e NORMALIZE -e SAVE=_b -e DELETE -e NEXT -e LOOP -o out --format jpg \
    in/p1.png in/p2.bmp in/p3.jpg in/p4.png
grep -q "in/p3.jpg" "$tmp/r/delete.pipe" || fail "delete: the source of the failed save is gone"
grep -q "in/p2.bmp" "$tmp/r/delete.pipe" && fail "delete: an earlier source was kept"
grep -q "Running with one job: DELETE" "$tmp/r/delete.jobs2" || fail "delete: no message for --jobs"

prepare=
# A prompt after a save: answered yes it stops the run after that save.
same prompt -e SAVE=_b -e PROMPT -e NEXT -e LOOP --answer yes -o out in/p1.png in/p2.bmp in/p3.jpg
grep -q "Abort batch processing? \[yes\]" "$tmp/r/prompt.pipe" || fail "prompt: not asked"
grep -q "p2_b.bmp" "$tmp/r/prompt.pipe" && fail "prompt: the run went on"

# Scripts whose pictures depend on each other run with one job, saying why.
refused() {
    why=$1
    shift
    setup
    (cd "$tmp/w" && "$cli" run "$@" --jobs 2 -o out in/p1.png in/p2.bmp >"$tmp/stdout" 2>"$tmp/stderr")
    grep -q "^Running with one job: $why" "$tmp/stderr" || fail "no refusal '$why' for $*: $(cat "$tmp/stderr")"
    [ -s "$tmp/stdout" ] || fail "refused run $* did not run"
}
refused "PREVIOUS goes back" -e SAVE=_b -e PREVIOUS -e LOOP
refused "TRACE asks" -e TRACE -e SAVE=_b -e NEXT -e LOOP --answer no
refused "PROMPTSTRING asks" -e PROMPTSTRING=x -e SAVE=_b -e NEXT -e LOOP
refused "DIFFERENCE may use a buffer" -e DIFFERENCE -e SAVE=_b -e DUPLICATE -e NEXT -e LOOP
refused "SAVE after NEXT" -e NORMALIZE -e NEXT -e SAVE=_b -e LOOP
# (without LOOP only the first file is worked on)
setup
(cd "$tmp/w" && "$cli" run -e SAVE=_b -e NEXT --jobs 2 -o out in/p1.png in/p2.bmp >"$tmp/stdout" 2>"$tmp/stderr")
grep -q "^Running with one job: the script has no LOOP" "$tmp/stderr" || fail "no refusal without LOOP"
# A buffer filled afresh at the start of each pass is no state.
setup
(cd "$tmp/w" && "$cli" run -e DUPLICATE -e GAUSSIAN=3 -e DIFFERENCE -e SAVE=_d -e NEXT -e LOOP --jobs 2 \
    -o out in/p1.png in/p2.bmp in/p3.jpg >"$tmp/stdout" 2>"$tmp/stderr")
[ -s "$tmp/stderr" ] && fail "DUPLICATE first was refused: $(cat "$tmp/stderr")"

# ---- shards: disjoint, and together one run over the sorted list ------------------
# The first line takes the values the pass before left, so a shard that does
# not start the list must go on with them.
setup
mkdir -p "$tmp/w/whole" "$tmp/w/shards"
shardjob="-e GAMMA -e SAVE=_g -e GAMMA=150,150,150 -e CONTRAST=20,20,20 -e NEXT -e LOOP"
# (given unsorted: the sorted order decides)
list="in/p5.jpg in/p2.bmp in/p6.bmp in/p1.png in/p4.png in/p3.jpg in/p2.bmp"
# shellcheck disable=SC2086
(cd "$tmp/w" && "$cli" run $shardjob -o whole in/p1.png in/p2.bmp in/p2.bmp in/p3.jpg in/p4.png in/p5.jpg \
    in/p6.bmp >"$tmp/whole.out" 2>"$tmp/whole.err") || fail "shards: the whole run failed"
: >"$tmp/shards.out"
for i in 1 2 3; do
    # shellcheck disable=SC2086
    (cd "$tmp/w" && "$cli" run $shardjob -o shards --shard "$i/3" $list >"$tmp/shard$i.out" 2>>"$tmp/shards.err") ||
        fail "shard $i/3 failed"
    sed 's|^shards/|whole/|' "$tmp/shard$i.out" >>"$tmp/shards.out"
done
cmp -s "$tmp/whole.out" "$tmp/shards.out" || fail "shards: listed outputs differ: $(cat "$tmp/shards.out")"
[ -s "$tmp/shards.err" ] && fail "shards: messages: $(cat "$tmp/shards.err")"
for f in "$tmp"/w/whole/*; do
    cmp -s "$f" "$tmp/w/shards/${f##*/}" || fail "shards: ${f##*/} differs"
done
[ "$(find "$tmp/w/shards" -type f | wc -l)" -eq 6 ] || fail "shards: $(ls "$tmp/w/shards")"
# Disjoint: no output listed twice across the shards (p2 is in the list twice).
[ "$(sort "$tmp/shards.out" | uniq -d)" = "whole/p2_g.bmp" ] || fail "shards overlap: $(sort "$tmp/shards.out" | uniq -d)"
cat "$tmp/shard1.out" "$tmp/shard2.out" "$tmp/shard3.out" | wc -l | grep -qx 7 || fail "shards: not seven saves"
# A script that cannot be split runs no shard.
(cd "$tmp/w" && "$cli" run -e SAVE=_x -e PREVIOUS -e LOOP --shard 2/3 $list >"$tmp/stdout" 2>"$tmp/stderr")
[ $? -eq 1 ] && grep -q "^Cannot run a shard: PREVIOUS" "$tmp/stderr" || fail "shard of a script that cannot be split"

[ $failures -eq 0 ] && echo "all overlap and --jobs checks passed"
[ $failures -eq 0 ]
