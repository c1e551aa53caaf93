#!/bin/sh
# Time to render a 10-slide show at 1920 x 1080, 25 frames a second, to WebM
# (VP8 through GStreamer), against the length of the video it makes.
# Usage: show_render_bench.sh PATH/TO/vimbra-cli SAMPLES-FOLDER
cli=${1:-build/cli/vimbra-cli}
samples=${2:-samples}
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
cp "$samples/scene.jpg" "$samples/gradients.png" "$samples/colour_chart.png" "$samples/grey_ramp.jpg" "$tmp/"
{
    printf '[Header]\r\nN=11\r\n[Directory]\r\n0=\r\n'
    i=1
    for f in scene.jpg gradients.png colour_chart.png grey_ramp.jpg scene.jpg gradients.png colour_chart.png grey_ramp.jpg scene.jpg gradients.png; do
        # Effects across the families: wipes, curtains, tiles, mosaic, blinds, shapes, lines, blur.
        set -- 15 1B 2A 41 4A 8C A6 AB AC 07
        shift $((i - 1))
        printf '[%d]\r\nF=%s,0\r\nW=1\r\nE=%s\r\nS=Slide %d\r\n' "$i" "$f" "$1" "$i"
        i=$((i + 1))
    done
} >"$tmp/show.avl"
frames_per_slide=$((25 + 700 * 25 / 1000))
seconds=$(echo "scale=1; 10 * $frames_per_slide / 25" | bc)
start=$(date +%s.%N)
"$cli" show "$tmp/show.avl" --render "$tmp/show.webm" --size 1920x1080 --fps 25 >/dev/null 2>"$tmp/err" || { cat "$tmp/err"; exit 1; }
end=$(date +%s.%N)
took=$(echo "$end - $start" | bc)
echo "10-slide 1920x1080 show, ${seconds} s of video at 25 fps: rendered to WebM in ${took} s ($(echo "scale=2; $seconds / $took" | bc) x real time), $(du -k "$tmp/show.webm" | cut -f1) KB"
