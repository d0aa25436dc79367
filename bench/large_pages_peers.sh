#!/bin/bash
# Large pages, orvelle-cli beside vips and ImageMagick, in one run, every output checked;
# rows in the TSV columns of ../shared/bench/peers.sh (job G, two 12000 x 12000 RGB pages to
# PNG, is peers.sh's own).
#
#   ORVELLE=build/release/cli/orvelle-cli bench/large_pages_peers.sh [-r REPS] [-j "H HJ"] [-o FILE] DATA
#
# DATA/drawing.tif is made on the first run: a 30000 x 30000 drawing in one Group 4 strip.
# Jobs:
#   H   the drawing to PNG at 25 %  (orvelle split --percent 25; vips resize 0.25 with
#       nearest neighbour; ImageMagick -sample 25%)
#   HJ  the same to JPEG, quality 75
set -u
here=$(cd "$(dirname "$0")" && pwd)
REPS=3
JOBS="H HJ"
RESULTS=""
usage() { sed -n '2,13p' "$0"; }
. "$here/peer_runner.sh"
read_peer_options "$@"
shift $((OPTIND - 1))
DATA=${1:?a folder for the drawing and the results}
ORVELLE=${ORVELLE:?set ORVELLE to a release orvelle-cli}
RESULTS=${RESULTS:-$DATA/results/large_pages.tsv}
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$DATA"

if [ ! -s "$DATA/drawing.tif" ]; then
    /usr/bin/python3 - "$SCRATCH/drawing.tif" <<'PY'
import sys
from PIL import Image, ImageDraw
side = 30000
im = Image.new("1", (side, side), 1)
d = ImageDraw.Draw(im)
for i in range(0, side, 1000):
    d.line([(i, 0), (i, side - 1)], fill=0, width=3)
    d.line([(0, i), (side - 1, i)], fill=0, width=3)
for k in range(400):
    x, y = (k * 7919) % side, (k * 104729) % side
    d.ellipse([x, y, x + 800, y + 500], outline=0, width=5)
im.save(sys.argv[1], compression="group4", dpi=(600, 600))
PY
    tiffcp -c g4 -r 30000 "$SCRATCH/drawing.tif" "$DATA/drawing.tif" || exit 1
    rm -f "$SCRATCH/drawing.tif"
fi
export ORVELLE DATA

H_orvelle() { "$ORVELLE" split "$DATA/drawing.tif" --out "$1" --format png --percent 25 > /dev/null; }
H_vips() { vips resize "$DATA/drawing.tif" "$1/out.png" 0.25 --kernel nearest; }
H_im() { convert "$DATA/drawing.tif" -sample 25% "$1/out.png"; }
HJ_orvelle() { "$ORVELLE" split "$DATA/drawing.tif" --out "$1" --format jpeg --percent 25 --quality 75 > /dev/null; }
HJ_vips() { vips resize "$DATA/drawing.tif" "$1/out.jpg[Q=75]" 0.25 --kernel nearest; }
HJ_im() { convert "$DATA/drawing.tif" -sample 25% -quality 75 "$1/out.jpg"; }

tools_of() { echo "orvelle vips im"; }
version_of() {
    case $1 in
        orvelle) "$ORVELLE" --version 2>&1 | head -1 ;;
        vips) vips --version | head -1 ;;
        im) convert -version | head -1 ;;
    esac
}

# Checks a job's output: "ok" or "BAD why", then files, bytes and a detail, tab-separated.
# The picture is read back and compared with the drawing on sampled rows: PNG exactly (each
# pixel the one under its centre, or a neighbour for tools that round otherwise), JPEG within
# its blur.
verify() { # JOB OUT
    local job=$1 out=$2 files bytes
    files=$(find "$out" -type f | wc -l)
    bytes=$(find "$out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    /usr/bin/python3 - "$job" "$out" "$DATA/drawing.tif" "$files" "$bytes" <<'PY'
import os, sys
from PIL import Image
Image.MAX_IMAGE_PIXELS = None
job, out, source, files, bytes_ = sys.argv[1:6]
problems = []
names = [n for n in os.listdir(out)]
if len(names) != 1:
    problems.append("%d files" % len(names))
else:
    im = Image.open(os.path.join(out, names[0])).convert("L")
    if im.size != (7500, 7500):
        problems.append("size %s" % (im.size,))
    else:
        src = Image.open(source)
        src.load()
        bad = 0
        for y in range(0, 7500, 97):
            for x in range(0, 7500, 89):
                sx, sy = (2 * x + 1) * 30000 // 15000, (2 * y + 1) * 30000 // 15000
                near = {src.getpixel((min(29999, sx + dx), min(29999, sy + dy))) for dx in (-2, 0, 2) for dy in (-2, 0, 2)}
                want = [255 if v else 0 for v in near]
                got = im.getpixel((x, y))
                if min(abs(got - w) for w in want) > (0 if job == "H" else 60):
                    bad += 1
        if bad > 5:
            problems.append("%d sampled pixels differ" % bad)
print("\t".join(["ok" if not problems else "BAD " + "; ".join(problems[:3]), files, bytes_, "7500 x 7500"]))
PY
}

run_peers
