#!/bin/bash
# Pages put in order, orvelle-cli beside the tools made for it, in one run, every output
# checked; rows in the TSV columns of ../shared/bench/peers.sh.
#
#   bench/make_organize_data.sh BENCH_DATA DATA
#   ORVELLE=build/release/cli/orvelle-cli bench/organize_peers.sh [-r REPS] [-j "T P J"] [-o FILE] DATA
#
# Jobs (the fax's pages 10, 20, ... 200 deleted, its odd pages turned 90 degrees clockwise):
#   T  fax.tif into one TIFF, G4 kept
#      orvelle: merge --lossless 'fax.tif[KEPT]' --rotate +90:ODD;
#      tiffcrop: the turned pages (-N ODD -R 90) and the others apart, tiffcp putting them in order
#   P  fax.pdf into one PDF
#      orvelle: merge 'fax.pdf[KEPT]' --rotate +90:ODD; qpdf: --pages fax.pdf KEPT -- --rotate=+90:ODD
#   J  photos/*.jpg (100) turned 90 degrees
#      orvelle: merge --lossless --rotate +90 into one TIFF; jpegtran: -rotate 90 -perfect per photo
set -u
here=$(cd "$(dirname "$0")" && pwd)
REPS=3
JOBS="T P J"
RESULTS=""
usage() { sed -n '2,18p' "$0"; }
. "$here/peer_runner.sh"
read_peer_options "$@"
shift $((OPTIND - 1))
DATA=${1:?the folder bench/make_organize_data.sh wrote}
ORVELLE=${ORVELLE:?set ORVELLE to a release orvelle-cli}
RESULTS=${RESULTS:-$DATA/results/organize.tsv}
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

# KEPT: the source pages kept, in order; ODD: their places in the output where the source
# page is odd; the same 0-based for tiffcp.
read -r KEPT ODD ODD_SOURCE EVEN_SOURCE ORDER <<< "$(/usr/bin/python3 - <<'PY'
kept = [p for p in range(1, 201) if p % 10 != 0]
odd_places = [i + 1 for i, p in enumerate(kept) if p % 2 == 1]
odd_source = [p for p in kept if p % 2 == 1]
even_source = [p for p in kept if p % 2 == 0]
# tiffcp's inputs in order: the k-th turned page is turned.tif,k; the k-th other plain.tif,k.
order, t, e = [], 0, 0
for p in kept:
    if p % 2 == 1: order.append("T%d" % t); t += 1
    else: order.append("P%d" % e); e += 1
print(",".join(map(str, kept)), ",".join(map(str, odd_places)), ",".join(map(str, odd_source)),
      ",".join(map(str, even_source)), ",".join(order))
PY
)"
export KEPT ODD ODD_SOURCE EVEN_SOURCE ORDER ORVELLE DATA

T_orvelle() { "$ORVELLE" merge --lossless --out "$1/out.tif" "$DATA/fax.tif[$KEPT]" --rotate "+90:$ODD" > /dev/null; }
T_tiffcrop() {
    tiffcrop -N "$ODD_SOURCE" -R 90 "$DATA/fax.tif" "$1/turned.tif" &&
        tiffcrop -N "$EVEN_SOURCE" "$DATA/fax.tif" "$1/plain.tif" || return 1
    local args=() item
    for item in ${ORDER//,/ }; do
        case $item in T*) args+=("$1/turned.tif,${item#T}") ;; P*) args+=("$1/plain.tif,${item#P}") ;; esac
    done
    tiffcp "${args[@]}" "$1/out.tif" && rm "$1/turned.tif" "$1/plain.tif"
}
P_orvelle() { "$ORVELLE" merge --out "$1/out.pdf" "$DATA/fax.pdf[$KEPT]" --rotate "+90:$ODD" > /dev/null; }
P_qpdf() { qpdf "$DATA/fax.pdf" --pages "$DATA/fax.pdf" "$KEPT" -- --rotate="+90:$ODD" "$1/out.pdf"; }
J_orvelle() { "$ORVELLE" merge --lossless --out "$1/out.tif" "$DATA"/photos/*.jpg --rotate +90 > /dev/null; }
J_jpegtran() {
    local photo
    for photo in "$DATA"/photos/*.jpg; do jpegtran -rotate 90 -perfect -outfile "$1/$(basename "$photo")" "$photo" || return 1; done
}

tools_of() { case $1 in T) echo "orvelle tiffcrop" ;; P) echo "orvelle qpdf" ;; J) echo "orvelle jpegtran" ;; esac; }
version_of() {
    case $1 in
        orvelle) "$ORVELLE" --version 2>&1 | head -1 ;;
        tiffcrop) tiffcrop -h 2>&1 | grep -m1 -i "libtiff" ;;
        qpdf) qpdf --version | head -1 ;;
        jpegtran) jpegtran -version 2>&1 | head -1 ;;
    esac
}

# Checks a job's output: "ok" or "BAD why", then files, bytes and a detail, tab-separated.
verify() { # JOB OUT
    local job=$1 out=$2 files bytes
    files=$(find "$out" -type f | wc -l)
    bytes=$(find "$out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    /usr/bin/python3 - "$job" "$out" "$DATA" "$files" "$bytes" "$KEPT" <<'PY'
import os, subprocess, sys
from PIL import Image, ImageChops
job, out, data, files, bytes_, kept = sys.argv[1:7]
kept = [int(p) for p in kept.split(",")]
problems, detail = [], ""
def same(a, b):
    return a.size == b.size and ImageChops.difference(a.convert("L"), b.convert("L")).getbbox() is None
if job == "T":
    im, src = Image.open(out + "/out.tif"), Image.open(data + "/fax.tif")
    pages = getattr(im, "n_frames", 1)
    if pages != len(kept): problems.append("%d pages, want %d" % (pages, len(kept)))
    codings = set()
    for i in range(min(pages, len(kept))):
        im.seek(i)
        codings.add(im.tag_v2.get(259))
        if i % 15 == 0:  # every page's size, every 15th page's pixels
            src.seek(kept[i] - 1)
            want = src.transpose(Image.ROTATE_270) if kept[i] % 2 else src
            if not same(im, want): problems.append("page %d differs" % (i + 1))
    if codings != {4}: problems.append("compressions %s, want G4 only" % codings)
    detail = "pages %d; compressions %s" % (pages, sorted(codings))
elif job == "P":
    info = subprocess.run(["pdfinfo", "-f", "1", "-l", "999", out + "/out.pdf"], capture_output=True, text=True).stdout
    rots = [int(l.split()[-1]) for l in info.splitlines() if " rot:" in l]
    want = [90 if p % 2 else 0 for p in kept]
    if rots != want: problems.append("turns differ (%d pages)" % len(rots))
    detail = "pages %d" % len(rots)
else:
    photos = sorted(n for n in os.listdir(data + "/photos"))
    refs = out + "/../ref-" + os.path.basename(out)
    os.makedirs(refs, exist_ok=True)
    if os.path.exists(out + "/out.tif"):
        im = Image.open(out + "/out.tif")
        if getattr(im, "n_frames", 1) != len(photos): problems.append("%d pages" % im.n_frames)
        for i in range(0, len(photos), 10):
            im.seek(i)
            if im.tag_v2.get(259) != 7: problems.append("page %d not JPEG" % (i + 1))
            ref = refs + "/" + photos[i]
            if subprocess.run(["jpegtran", "-rotate", "90", "-perfect", "-outfile", ref, data + "/photos/" + photos[i]]).returncode == 0:
                if not same(im, Image.open(ref)): problems.append("page %d differs from jpegtran -perfect" % (i + 1))
    elif files != str(len(photos)): problems.append("%s files" % files)
    detail = "photos %d" % len(photos)
print("\t".join(["ok" if not problems else "BAD " + "; ".join(problems[:3]), files, bytes_, detail]))
PY
}

run_peers
