#!/usr/bin/env bash
# Thumbnails a second for VIMBRA_BENCH_COUNT (50) JPEGs of 6000 x 4000 with an
# empty thumbnail cache each run: vimbra-cli thumbnails against vipsthumbnail
# -s 128 and GraphicsMagick -thumbnail 128x128 (PNG output for all three, as
# the cache holds PNG), on every core and then on one core (taskset). Prints
# the rates and vimbra's ratio to each. One picture is made and linked under
# the other names, so the run needs no more disk than one file; the files stay
# in the page cache, so the figures are decoding, scaling and writing.
#
# Usage: bench/thumbnail_bench.sh [BUILD_DIR]   (default: build)
# Then the time from asking the grid for a folder of VIMBRA_BENCH_FILES (10000)
# already cached pictures to its first screen drawn (1000 x 700, offscreen;
# needs the build's shell/thumbnail_grid_qtest), VIMBRA_BENCH_GRID_RUNS (5)
# times, each a fresh program with the cache files in the page cache.
#
# VIMBRA_BENCH_COUNT (50; 0 skips the JPEGs), VIMBRA_BENCH_RUNS (1: best of
# that many) and VIMBRA_BENCH_FILES (0 skips the grid) change a run; the
# machine may be shared, so the load average is printed beside the figures.
# Missing comparison tools are installed with apt-get when run as root.
set -euo pipefail

build=${1:-build}
count=${VIMBRA_BENCH_COUNT:-50}
files=${VIMBRA_BENCH_FILES:-10000}
runs=${VIMBRA_BENCH_RUNS:-1}
gridRuns=${VIMBRA_BENCH_GRID_RUNS:-5}
cli=$build/cli/vimbra-cli
[[ -x $cli ]] || cli=$(cd "$(dirname "$0")/.." && pwd)/$build/cli/vimbra-cli
[[ -x $cli ]] || { echo "vimbra-cli not found under $build (build it first)" >&2; exit 2; }
cli=$(realpath "$cli")
convert=/usr/bin/convert-im6.q16

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
install libvips-tools vipsthumbnail
install graphicsmagick gm
[[ -x $convert ]] || { echo "ImageMagick's convert is needed to make the pictures" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/thumbnail_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/pics"
if ((count > 0)); then
    echo "Making a 6000 x 4000 JPEG (quality 90) and $count names for it in $work"
    # Plasma for shapes, noise for the fine detail of a photo (about 11 MB).
    "$convert" -seed 7 -size 1500x1000 plasma:fractal -resize 6000x4000! \
        -attenuate 0.4 +noise Gaussian -quality 90 "$work/photo.jpg"
    for ((i = 1; i <= count; i++)); do ln "$work/photo.jpg" "$work/pics/$(printf 'p%03d.jpg' "$i")"; done
    cat "$work/photo.jpg" >/dev/null  # into the page cache
fi

now() { date +%s.%N; }
# seconds CMD...: wall time of one run, after the command's output folders are emptied.
seconds() {
    rm -rf "$work/cache" "$work/out"
    mkdir "$work/out"
    local start end
    start=$(now)
    "$@" >/dev/null 2>"$work/err" || { echo "failed: $* ($(head -3 "$work/err"))" >&2; exit 1; }
    end=$(now)
    echo "$end - $start" | bc -l
}
best() {  # best CMD...: the shortest of $runs runs
    local b="" s
    for ((r = 0; r < runs; r++)); do
        s=$(seconds "$@")
        if [[ -z $b ]] || (($(echo "$s < $b" | bc -l))); then b=$s; fi
    done
    echo "$b"
}
vimbra() { XDG_CACHE_HOME="$work/cache" "$@" "$cli" thumbnails "$work/pics"; }
vips() { "$@" vipsthumbnail -s 128 -o "$work/out/%s.png" "$work"/pics/*.jpg; }
gmagick() {
    local f
    for f in "$work"/pics/*.jpg; do
        "$@" gm convert -size 256x256 "$f" -thumbnail 128x128 "$work/out/$(basename "$f" .jpg).png"
    done
}

rate() { echo "scale=1; $count / $1" | bc -l; }
ratio() { echo "scale=2; $2 / $1" | bc -l; }
report() {  # report LABEL PREFIX...
    local label=$1
    shift
    local tv tp tg
    tv=$(best vimbra "$@")
    tp=$(best vips "$@")
    tg=$(best gmagick "$@")
    printf '%-10s vimbra-cli %6s/s   vipsthumbnail %6s/s   gm %6s/s   vimbra vs vips %4s x, vs gm %4s x\n' \
        "$label" "$(rate "$tv")" "$(rate "$tp")" "$(rate "$tg")" "$(ratio "$tv" "$tp")" "$(ratio "$tv" "$tg")"
    if (($(echo "$tv < $tp" | bc -l))); then echo "           goal (faster than vipsthumbnail) met"
    else echo "           GOAL MISSED (slower than vipsthumbnail)"; fi
}

load() { cut -d' ' -f1-3 /proc/loadavg; }
if ((count > 0)); then
    echo "$count thumbnails of 128 pixels, empty cache, best of $runs run(s); load average $(load)"
    report "all cores" env
    report "one core" taskset -c 0
fi

grid=$(dirname "$cli")/../shell/thumbnail_grid_qtest
if ((files > 0)) && [[ -x $grid ]]; then
    echo "Making a folder of $files cached pictures"
    mkdir "$work/many"
    "$convert" -seed 3 -size 640x480 plasma:fractal -quality 85 "$work/small.jpg"
    for ((i = 1; i <= files; i++)); do ln "$work/small.jpg" "$work/many/$(printf 'f%05d.jpg' "$i")"; done
    XDG_CACHE_HOME="$work/cache-many" "$cli" thumbnails "$work/many" >/dev/null
    times=()
    for ((r = 0; r < gridRuns; r++)); do
        ms=$(XDG_CACHE_HOME="$work/cache-many" QT_QPA_PLATFORM=offscreen VIMBRA_GRID_BENCH_DIR="$work/many" \
            "$grid" firstScreenOfAFolder 2>/dev/null | sed -n 's/^first screen: \([0-9]*\) ms.*/\1/p')
        [[ -n $ms ]] || { echo "the grid benchmark failed" >&2; exit 1; }
        times+=("$ms")
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    printf 'first screen of %d cached files: %s ms (best %s, median %s; load average %s)   goal < 300 ms\n' \
        "$files" "${times[*]}" "${sorted[0]}" "${sorted[$((gridRuns / 2))]}" "$(load)"
fi
