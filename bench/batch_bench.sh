#!/usr/bin/env bash
# One batch job (gamma 1.5, contrast +20, save as JPEG q90) over generated
# JPEGs of 6000 x 4000: vimbra-cli run (overlapped, --jobs 2, --sequential),
# vips, ImageMagick and djpeg | cjpeg as the decode + encode floor with the save's
# own encoder settings (quality 90, integer DCT, optimised Huffman tables),
# for three pictures and for VIMBRA_BENCH_COUNT. Every round runs every tool
# once, so each ratio is taken within a round; the table shows medians over
# the rounds of wall time, peak memory (maxrss) and the ratio to the floor,
# then the goals.
#
# Usage: bench/batch_bench.sh [BUILD_DIR]   (default: build)
# VIMBRA_BENCH_COUNT (20), VIMBRA_BENCH_ROUNDS (3), VIMBRA_BENCH_WIDTH (6000),
# VIMBRA_BENCH_HEIGHT (4000) shrink a run; VIMBRA_BENCH_KEEP=1 keeps the work
# folder. Missing comparison tools are installed with apt-get when run as root.
set -euo pipefail

build=${1:-build}
largest=${VIMBRA_BENCH_COUNT:-20}
rounds=${VIMBRA_BENCH_ROUNDS:-3}
width=${VIMBRA_BENCH_WIDTH:-6000}
height=${VIMBRA_BENCH_HEIGHT:-4000}

cli=$build/cli/vimbra-cli
if [[ ! -x $cli ]]; then
    cli=$(cd "$(dirname "$0")/.." && pwd)/$build/cli/vimbra-cli
fi
[[ -x $cli ]] || { echo "vimbra-cli not found under $build (build it first)" >&2; exit 2; }
cli=$(realpath "$cli")

convert=/usr/bin/convert-im6.q16
timer=/usr/bin/time

# install PACKAGE COMMAND: the package when COMMAND is missing (root only).
install() {
    command -v "$2" >/dev/null && return 0
    if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
        echo "Installing $1"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$1" >/dev/null 2>&1 ||
            echo "could not install $1" >&2
    fi
}
install imagemagick "$convert"
install time "$timer"
install libjpeg-turbo-progs djpeg
install libvips-tools vips
for tool in "$convert" "$timer"; do
    [[ -x $tool ]] || { echo "missing $tool" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/batch_bench.XXXXXX")
cleanup() { [[ ${VIMBRA_BENCH_KEEP:-0} == 1 ]] && echo "kept $work" || rm -rf "$work"; }
trap cleanup EXIT
in=$work/in
mkdir -p "$in"

echo "Generating $largest JPEGs of $width x $height (quality 90) in $work"
"$convert" -seed 7 -size "${width}x${height}" plasma:fractal "$work/base.ppm"
for ((i = 0; i < largest; i++)); do
    # Shifted copies, so no two files are the same.
    "$convert" "$work/base.ppm" -roll "+$((i * 397))+$((i * 211))" -quality 90 \
        "$(printf '%s/pic%03d.jpg' "$in" "$i")"
done
rm -f "$work/base.ppm"
all=("$in"/*.jpg)
picture_mb=$(awk -v w="$width" -v h="$height" 'BEGIN { printf "%.1f", w * h * 3 / 1048576 }')

printf 'GAMMA=150,150,150\nCONTRAST=20,20,20\nSAVE=_b\nNEXT\nLOOP\n' >"$work/job.bip"

# The same curves elsewhere: gamma 1.5, then contrast +20 (a 1.15 slope about
# mid-grey, so black point 6.5 %, white point 93.5 %).
level_black=6.5
level_white=93.5

# measure NAME OUTDIR COMMAND...: times the command once, checks it wrote
# every file and appends "NAME<TAB>wall<TAB>cpu<TAB>maxrss kB<TAB>own peak
# bytes" to $work/round.txt.
measure() {
    local name=$1 out=$2
    shift 2
    rm -rf "$out"
    mkdir -p "$out"
    sync
    if ! VIMBRA_PEAK_MEMORY=1 "$timer" -f "%e %U %S %M" -o "$work/time.txt" "$@" >"$work/log.txt" 2>&1; then
        echo "$name failed:" >&2
        tail -n 5 "$work/log.txt" >&2
        return 0
    fi
    local written
    written=$(find "$out" -name '*.jpg' | wc -l)
    if ((written != count)); then
        echo "$name wrote $written of $count files" >&2
        return 0
    fi
    local e u s m own
    read -r e u s m <"$work/time.txt"
    own=$(sed -n 's/^Peak memory: \([0-9]*\) bytes above the start\.$/\1/p' "$work/log.txt")
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$e" "$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')" \
        "$m" "${own:--}" >>"$work/results.txt"
    rm -rf "$out"
}

# round: every tool once over "${files[@]}".
round() {
    measure "vimbra-cli run" "$work/out_vimbra" \
        "$cli" run "$work/job.bip" --format jpg --quality 90 -o "$work/out_vimbra" "${files[@]}"
    measure "vimbra-cli run --jobs 2" "$work/out_vimbra" \
        "$cli" run "$work/job.bip" --format jpg --quality 90 -o "$work/out_vimbra" --jobs 2 "${files[@]}"
    measure "vimbra-cli run --sequential" "$work/out_vimbra" \
        "$cli" run "$work/job.bip" --format jpg --quality 90 -o "$work/out_vimbra" --sequential "${files[@]}"
    if command -v djpeg >/dev/null && command -v cjpeg >/dev/null; then
        measure "djpeg | cjpeg (floor)" "$work/out_floor" bash -c '
            out=$1; shift
            for f; do
                djpeg "$f" | cjpeg -quality 90 -optimize >"$out/$(basename "$f")" || exit 1
            done' _ "$work/out_floor" "${files[@]}"
    fi
    if command -v vips >/dev/null; then
        # The CLI runs one operation per call, so the gamma result goes through a
        # .v file (uncompressed, in the page cache).
        measure "vips (gamma, linear)" "$work/out_vips" bash -c '
            out=$1 tmp=$2; shift 2
            for f; do
                vips gamma "$f" "$tmp" --exponent 1.5 || exit 1
                # "--" so the negative offset is not read as an option.
                vips linear --uchar -- "$tmp" "$out/$(basename "$f")[Q=90,optimize_coding]" 1.15 -19.2 || exit 1
            done
            rm -f "$tmp"' _ "$work/out_vips" "$work/tmp.v" "${files[@]}"
    fi
    measure "ImageMagick convert" "$work/out_im" bash -c '
        convert=$1 out=$2 black=$3 white=$4; shift 4
        for f; do
            "$convert" "$f" -gamma 1.5 -level "$black%,$white%" -quality 90 "$out/$(basename "$f")" || exit 1
        done' _ "$convert" "$work/out_im" "$level_black" "$level_white" "${files[@]}"
}

# median: the median of the numbers on stdin.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# bench_set COUNT: ROUNDS rounds over the first COUNT pictures, then the table.
bench_set() {
    count=$1
    files=("${all[@]:0:count}")
    : >"$work/results.txt"
    for ((r = 1; r <= rounds; r++)); do
        echo "Running $count pictures, round $r of $rounds"
        echo "round $r" >>"$work/results.txt"
        round
    done
    echo
    echo "$count pictures of $width x $height ($picture_mb MB decoded), $(nproc) cores," \
        "load average $(cut -d' ' -f1 /proc/loadavg), medians of $rounds paired rounds"
    printf '%-28s %7s %7s %9s %10s %11s %11s\n' tool "wall s" "cpu s" "maxrss MB" "own peak" \
        "wall/floor" "wall/vips"
    # Per round: each tool's wall over the floor's and over vips's.
    awk -F'\t' '
        /^round / { r = $0; next }
        { wall[r, $1] = $2; names[$1] = 1; order[++n] = $1; rounds[r] = 1 }
        END {
            for (r in rounds) for (t in names) if ((r, t) in wall) {
                f = wall[r, "djpeg | cjpeg (floor)"]; v = wall[r, "vips (gamma, linear)"]
                if (f > 0) print t "\tfloor\t" wall[r, t] / f
                if (v > 0) print t "\tvips\t" wall[r, t] / v
            }
        }' "$work/results.txt" >"$work/ratios.txt"
    local seen=""
    while IFS=$'\t' read -r name _; do
        [[ $name == round* ]] && continue
        [[ $seen == *"|$name|"* ]] && continue
        seen+="|$name|"
        local w c m o rf rv
        w=$(awk -F'\t' -v n="$name" '$1 == n { print $2 }' "$work/results.txt" | median)
        c=$(awk -F'\t' -v n="$name" '$1 == n { print $3 }' "$work/results.txt" | median)
        m=$(awk -F'\t' -v n="$name" '$1 == n { print $4 / 1024 }' "$work/results.txt" | median)
        o=$(awk -F'\t' -v n="$name" -v p="$picture_mb" '$1 == n && $5 != "-" { print $5 / 1048576 / p }' \
            "$work/results.txt" | median)
        rf=$(awk -F'\t' -v n="$name" '$1 == n && $2 == "floor" { print $3 }' "$work/ratios.txt" | median)
        rv=$(awk -F'\t' -v n="$name" '$1 == n && $2 == "vips" { print $3 }' "$work/ratios.txt" | median)
        [[ $o != - ]] && o=$(printf '%.2f pic' "$o")
        printf '%-28s %7.2f %7.2f %9.1f %10s %11s %11s\n' "$name" "$w" "$c" "$m" "$o" \
            "$(printf '%.2f' "$rf" 2>/dev/null || echo -)" "$(printf '%.2f' "$rv" 2>/dev/null || echo -)"
        printf '%s\t%s\t%s\t%s\n' "$name" "$rf" "$rv" "$o" >>"$work/summary$count.txt"
    done <"$work/results.txt"
    echo "own peak: the run's high-water mark above its start, in decoded pictures"
    echo
}

# goal TEXT OK: prints the goal with met / MISSED.
goal() { printf '  %-62s %s\n' "$1" "$([[ $2 == 1 ]] && echo met || echo MISSED)"; }

# ratio_of COUNT TOOL FIELD: from the summary of COUNT pictures, field 2 the
# ratio to the floor, 3 to vips, 4 the own peak; two decimals.
ratio_of() {
    awk -F'\t' -v n="$2" -v f="$3" '$1 == n { v = $f; sub(/ pic$/, "", v); if (v != "" && v != "-") printf "%.2f", v }' \
        "$work/summary$1.txt"
}

bench_set $((largest < 3 ? largest : 3))
if ((largest > 3)); then
    bench_set "$largest"
fi

echo "Goals"
three=$((largest < 3 ? largest : 3))
r3=$(ratio_of "$three" "vimbra-cli run" 2)
goal "3 pictures: vimbra-cli run <= 0.85 x floor ($r3)" "$(awk -v r="$r3" 'BEGIN { print (r != "" && r <= 0.85) }')"
if ((largest > 3)); then
    r20=$(ratio_of "$largest" "vimbra-cli run" 2)
    j20=$(ratio_of "$largest" "vimbra-cli run --jobs 2" 2)
    goal "$largest pictures: vimbra-cli run <= 0.6 x floor ($r20)" \
        "$(awk -v r="$r20" 'BEGIN { print (r != "" && r <= 0.6) }')"
    goal "$largest pictures: vimbra-cli run --jobs 2 <= 0.6 x floor ($j20)" \
        "$(awk -v r="$j20" 'BEGIN { print (r != "" && r <= 0.6) }')"
    v20=$(ratio_of "$largest" "vimbra-cli run" 3)
    goal "$largest pictures: vimbra-cli run faster than vips ($v20 x)" \
        "$(awk -v r="$v20" 'BEGIN { print (r != "" && r < 1) }')"
fi
v3=$(ratio_of "$three" "vimbra-cli run" 3)
goal "3 pictures: vimbra-cli run faster than vips ($v3 x)" "$(awk -v r="$v3" 'BEGIN { print (r != "" && r < 1) }')"
p=$(ratio_of "$largest" "vimbra-cli run" 4)
goal "vimbra-cli run peak <= 3.2 decoded pictures ($p)" \
    "$(awk -v p="$p" 'BEGIN { print (p != "" && p + 0 <= 3.2) }')"
