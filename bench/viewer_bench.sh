#!/usr/bin/env bash
# The viewer's two waits on a 6000 x 4000 JPEG: from start to the first painted
# picture, and from Page Down to the next picture painted when it was decoded
# ahead (with the same step back, not decoded ahead, for comparison).
#
# Usage: bench/viewer_bench.sh [BUILD_DIR]   (default: build)
# Runs offscreen unless QT_QPA_PLATFORM says otherwise. VIMBRA_BENCH_RUNS (5)
# runs are made; each figure is the best of them.
set -euo pipefail

build=${1:-build}
runs=${VIMBRA_BENCH_RUNS:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
viewer=$build/app/vimbra
[[ -x $viewer ]] || viewer=$here/$build/app/vimbra
[[ -x $viewer ]] || { echo "vimbra not found under $build (build it first)" >&2; exit 2; }
viewer=$(realpath "$viewer")
convert=/usr/bin/convert-im6.q16
[[ -x $convert ]] || convert=$(command -v convert || true)
[[ -n $convert ]] || { echo "ImageMagick's convert is needed to make the pictures" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/viewer_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Settings of their own: a stored window size or zoom would change the figures.
export XDG_CONFIG_HOME=$work/config
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

echo "Making two 6000 x 4000 JPEGs (quality 90) in $work"
# Plasma for shapes, noise for the fine detail of a photo (about 11 MB each).
"$convert" -seed 7 -size 1500x1000 plasma:fractal -resize 6000x4000! \
    -attenuate 0.4 +noise Gaussian "$work/base.ppm"
"$convert" "$work/base.ppm" -quality 90 "$work/first.jpg"
"$convert" "$work/base.ppm" -roll +397+211 -quality 90 "$work/second.jpg"

best() { sort -n | head -1; }
first=() next=() cold=()
for ((i = 0; i < runs; i++)); do
    out=$(timeout 60 "$viewer" --benchmark-next "$work/first.jpg" "$work/second.jpg" 2>/dev/null) ||
        { echo "vimbra --benchmark-next failed" >&2; exit 1; }
    first+=("$(sed -n 's/^first frame: \([0-9]*\) ms$/\1/p' <<<"$out")")
    next+=("$(sed -n 's/^Page Down, preloaded: \([0-9]*\) ms$/\1/p' <<<"$out")")
    cold+=("$(sed -n 's/^Page Up, not preloaded: \([0-9]*\) ms$/\1/p' <<<"$out")")
done
f=$(printf '%s\n' "${first[@]}" | best)
n=$(printf '%s\n' "${next[@]}" | best)
c=$(printf '%s\n' "${cold[@]}" | best)
verdict() { if (($1 < $2)); then echo "goal met"; else echo "GOAL MISSED"; fi; }
echo "best of $runs runs (all: first ${first[*]} / next ${next[*]} / back ${cold[*]} ms)"
printf 'first frame after start        %4d ms   goal < 300 ms   %s\n' "$f" "$(verdict "$f" 300)"
printf 'Page Down, decoded ahead       %4d ms   goal < 150 ms   %s\n' "$n" "$(verdict "$n" 150)"
printf 'Page Up, not decoded ahead     %4d ms\n' "$c"
