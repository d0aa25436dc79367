#!/bin/bash
# The PDF jobs, orvelle-cli beside the tools made for them, in one run, every output checked;
# rows in the TSV columns of ../shared/bench/peers.sh, so that its report.py reads them.
#
#   bench/make_pdfs.py DATA
#   ORVELLE=build/release/cli/orvelle-cli bench/pdf_peers.sh [-r REPS] [-j "R U"] [-o FILE] DATA
#
# Jobs:
#   R  text.pdf (200 letter pages of text) into one G4 TIFF at 300 dpi
#      orvelle: merge --all-pages --compression g4; gs: -sDEVICE=tiffg4 -r300;
#      poppler: pdftoppm -mono -r 300 -tiff, then tiffcp -c g4
#   U  part1..5.pdf (five of 200 pages) into one PDF
#      orvelle: merge --all-pages --out out.pdf; qpdf: --empty --pages ... --; poppler: pdfunite
set -u
here=$(cd "$(dirname "$0")" && pwd)
REPS=3
JOBS="R U"
RESULTS=""
usage() { sed -n '2,14p' "$0"; }
. "$here/peer_runner.sh"
read_peer_options "$@"
shift $((OPTIND - 1))
DATA=${1:?the folder bench/make_pdfs.py wrote}
ORVELLE=${ORVELLE:?set ORVELLE to a release orvelle-cli}
RESULTS=${RESULTS:-$DATA/results/pdf.tsv}
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
PARTS=("$DATA"/part{1,2,3,4,5}.pdf)

R_orvelle() { "$ORVELLE" merge --all-pages --compression g4 --out "$1/out.tif" "$DATA/text.pdf" > /dev/null; }
R_gs() { gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=tiffg4 -r300 -sOutputFile="$1/out.tif" "$DATA/text.pdf"; }
R_poppler() {
    pdftoppm -mono -r 300 -tiff "$DATA/text.pdf" "$1/p" && tiffcp -c g4 "$1"/p-*.tif "$1/out.tif" && rm "$1"/p-*.tif
}
U_orvelle() { "$ORVELLE" merge --all-pages --out "$1/out.pdf" "${PARTS[@]}" > /dev/null; }
U_qpdf() { qpdf --empty --pages "${PARTS[@]}" -- "$1/out.pdf"; }
U_poppler() { pdfunite "${PARTS[@]}" "$1/out.pdf"; }

tools_of() { case $1 in R) echo "orvelle gs poppler" ;; U) echo "orvelle qpdf poppler" ;; esac; }
version_of() {
    case $1 in
        orvelle) "$ORVELLE" --version 2>&1 | head -1 ;;
        gs) echo "gs $(gs --version)" ;;
        qpdf) qpdf --version | head -1 ;;
        poppler) pdftoppm -v 2>&1 | head -1 ;;
    esac
}

# Checks a job's output: "ok" or "BAD why", then files, bytes and a detail, tab-separated.
verify() { # JOB OUT
    local job=$1 out=$2 files bytes
    files=$(find "$out" -type f | wc -l)
    bytes=$(find "$out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    /usr/bin/python3 - "$job" "$out" "$DATA" "$files" "$bytes" <<'PY'
import subprocess, sys
job, out, data, files, bytes_ = sys.argv[1:6]
problems, detail = [], ""
if job == "R":
    from PIL import Image
    im = Image.open(out + "/out.tif")
    pages = getattr(im, "n_frames", 1)
    shapes = set()
    for n in range(pages):
        im.seek(n)
        shapes.add((im.mode, im.size, im.tag_v2.get(259)))
    if pages != 200: problems.append("%d pages, want 200" % pages)
    if shapes != {("1", (2550, 3300), 4)}: problems.append("pages %s, want 1-bit G4 2550x3300" % shapes)
    detail = "pages %d; %s" % (pages, sorted(shapes))
else:
    info = subprocess.run(["pdfinfo", out + "/out.pdf"], capture_output=True, text=True).stdout
    pages = int(next((l.split()[1] for l in info.splitlines() if l.startswith("Pages:")), 0))
    if pages != 1000: problems.append("%d pages, want 1000" % pages)
    # The text of the first and last page of each part where it should be.
    for part in range(5):
        for page in (1, 200):
            want = subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), "%s/part%d.pdf" % (data, part + 1), "-"],
                                  capture_output=True, text=True).stdout
            at = part * 200 + page
            got = subprocess.run(["pdftotext", "-f", str(at), "-l", str(at), out + "/out.pdf", "-"],
                                 capture_output=True, text=True).stdout
            if got != want: problems.append("page %d's text differs" % at)
    detail = "pages %d" % pages
print("\t".join(["ok" if not problems else "BAD " + "; ".join(problems[:3]), files, bytes_, detail]))
PY
}

export -f R_orvelle R_gs R_poppler U_orvelle U_qpdf U_poppler
export ORVELLE DATA PARTS_LIST="${PARTS[*]}"
JOB_PRELUDE='PARTS=($PARTS_LIST)'
run_peers
