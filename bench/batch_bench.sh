#!/usr/bin/env bash
# One batch job (gamma 1.5, contrast +20, save as JPEG q90) over generated
# JPEGs through vimbra-cli run (overlapped, --sequential and --jobs 2),
# ImageMagick, GraphicsMagick, vips and djpeg | cjpeg as the decode+encode
# floor, for three pictures and for VIMBRA_BENCH_COUNT. Prints seconds, peak
# memory and the ratios to vimbra-cli run and to the floor.
#
# Usage: bench/batch_bench.sh [BUILD_DIR]   (default: build)
# VIMBRA_BENCH_COUNT (20), VIMBRA_BENCH_WIDTH (6000), VIMBRA_BENCH_HEIGHT (4000)
# shrink a run; VIMBRA_BENCH_KEEP=1 keeps the work folder. Missing comparison
# tools are installed with apt-get when run as root.
set -euo pipefail

build=${1:-build}
largest=${VIMBRA_BENCH_COUNT:-20}
width=${VIMBRA_BENCH_WIDTH:-6000}
height=${VIMBRA_BENCH_HEIGHT:-4000}

cli=$build/cli/vimbra-cli
if [[ ! -x $cli ]]; then
    cli=$(cd "$(dirname "$0")/.." && pwd)/$build/cli/vimbra-cli
fi
[[ -x $cli ]] || { echo "vimbra-cli not found under $build (build it first)" >&2; exit 2; }
cli=$(realpath "$cli")

convert=/usr/bin/convert-im6.q16
mogrify=/usr/bin/mogrify-im6.q16
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
install graphicsmagick gm
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

printf 'GAMMA=150,150,150\nCONTRAST=20,20,20\nSAVE=_b\nNEXT\nLOOP\n' >"$work/job.bip"

# The same curves elsewhere: gamma 1.5, then contrast +20 (a 1.15 slope about
# mid-grey, so black point 6.5 %, white point 93.5 %).
level_black=6.5
level_white=93.5

# run NAME OUTDIR COMMAND...: times the command, checks it wrote every file.
run() {
    local name=$1 out=$2
    shift 2
    rm -rf "$out"
    mkdir -p "$out"
    sync
    if ! "$timer" -f "%e %U %S %M" -o "$work/time.txt" "$@" >"$work/log.txt" 2>&1; then
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
    local e u s m
    read -r e u s m <"$work/time.txt"
    names+=("$name")
    walls+=("$e")
    cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')")
    mems+=("$m")
    rm -rf "$out"
}

# bench_set COUNT: every tool over the first COUNT pictures, then the table.
bench_set() {
count=$1
files=("${all[@]:0:count}")
names=() walls=() cpus=() mems=()
echo "Running $count"
run "vimbra-cli run" "$work/out_vimbra" \
    "$cli" run "$work/job.bip" --format jpg --quality 90 -o "$work/out_vimbra" "${files[@]}"
run "vimbra-cli run --sequential" "$work/out_vimbra" \
    "$cli" run "$work/job.bip" --format jpg --quality 90 -o "$work/out_vimbra" --sequential "${files[@]}"
run "vimbra-cli run --jobs 2" "$work/out_vimbra" \
    "$cli" run "$work/job.bip" --format jpg --quality 90 -o "$work/out_vimbra" --jobs 2 "${files[@]}"

if [[ -x $mogrify ]]; then
    run "ImageMagick mogrify" "$work/out_im" \
        "$mogrify" -path "$work/out_im" -gamma 1.5 -level "${level_black}%,${level_white}%" \
        -quality 90 "${files[@]}"
else
    echo "ImageMagick mogrify absent; skipped"
fi

if command -v gm >/dev/null; then
    # gm prefixes the output folder to the names as given, so give bare names.
    run "GraphicsMagick mogrify" "$work/out_gm" \
        bash -c 'cd "$1" && shift && exec gm mogrify "$@"' _ "$in" \
        -output-directory "$work/out_gm" -gamma 1.5 -level "${level_black}%,1.0,${level_white}%" \
        -quality 90 "${files[@]##*/}"
else
    echo "GraphicsMagick absent; skipped"
fi

if command -v vips >/dev/null; then
    # The CLI runs one operation per call, so the gamma result goes through a
    # .v file (uncompressed, in the page cache).
    run "vips (gamma, linear)" "$work/out_vips" bash -c '
        out=$1 tmp=$2; shift 2
        for f; do
            vips gamma "$f" "$tmp" --exponent 1.5 || exit 1
            # "--" so the negative offset is not read as an option.
            vips linear --uchar -- "$tmp" "$out/$(basename "$f")[Q=90]" 1.15 -19.2 || exit 1
        done
        rm -f "$tmp"' _ "$work/out_vips" "$work/tmp.v" "${files[@]}"
else
    echo "vips absent; skipped"
fi

if command -v djpeg >/dev/null && command -v cjpeg >/dev/null; then
    # Our saves use optimised Huffman tables too.
    run "djpeg | cjpeg (floor)" "$work/out_turbo" bash -c '
        out=$1; shift
        for f; do
            djpeg "$f" | cjpeg -quality 90 -optimize >"$out/$(basename "$f")" || exit 1
        done' _ "$work/out_turbo" "${files[@]}"
else
    echo "djpeg/cjpeg absent (apt-get install libjpeg-turbo-progs); skipped"
fi

echo
echo "$count pictures of $width x $height, $(nproc) cores, load average $(cut -d' ' -f1 /proc/loadavg)"
printf '%-30s %7s %7s %8s %12s %11s %11s %11s\n' tool "wall s" "cpu s" "peak MB" "wall/vimbra" \
    "cpu/vimbra" "mem/vimbra" "wall/floor"
if [[ ${#names[@]} -eq 0 || ${names[0]} != "vimbra-cli run" ]]; then
    echo "vimbra-cli run did not complete; no ratios" >&2
    exit 1
fi
floor=0
for i in "${!names[@]}"; do
    [[ ${names[$i]} == "djpeg | cjpeg (floor)" ]] && floor=${walls[$i]}
done
for i in "${!names[@]}"; do
    awk -v n="${names[$i]}" -v w="${walls[$i]}" -v c="${cpus[$i]}" -v m="${mems[$i]}" \
        -v w0="${walls[0]}" -v c0="${cpus[0]}" -v m0="${mems[0]}" -v f="$floor" 'BEGIN {
            if (w0 < 0.01) w0 = 0.01
            if (c0 < 0.01) c0 = 0.01
            r = f > 0 ? sprintf("%11.2f", w / f) : sprintf("%11s", "-")
            printf "%-30s %7.2f %7.2f %8.1f %12.2f %11.2f %11.2f %s\n", n, w, c, m / 1024, w / w0, c / c0, m / m0, r
        }'
done
echo "one decoded picture: $(awk -v w="$width" -v h="$height" 'BEGIN { printf "%.1f", w * h * 3 / 1048576 }') MB"
}

bench_set $((largest < 3 ? largest : 3))
if ((largest > 3)); then
    bench_set "$largest"
fi
