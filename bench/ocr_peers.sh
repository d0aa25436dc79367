#!/bin/bash
# Searchable PDFs, orvelle-cli beside OCRmyPDF (the same tesseract and language data), in one
# run, every output checked; rows in the TSV columns of ../shared/bench/peers.sh.
#
#   ../shared/bench/make-data.sh BENCH_DATA          (writes BENCH_DATA/fax.tif)
#   ORVELLE=build/release/cli/orvelle-cli bench/ocr_peers.sh [-r REPS] [-j "O"] [-o FILE] [-p PAGES] BENCH_DATA
#
# Job O: the fax's first PAGES pages (default every page) into one searchable PDF.
#   orvelle:  merge --ocr --ocr-lang eng --out out.pdf 'fax.tif[1-PAGES]'
#   ocrmypdf: --output-type pdf --optimize 0 -l eng on those pages converted by img2pdf
#             beforehand (not timed)
# Checked: every page there; pdftotext's words of sampled pages against the tesseract
# program's own text of the same pages (share of its words found, in order); the bytes
# against orvelle's PDF of the same pages without --ocr.
set -u
here=$(cd "$(dirname "$0")" && pwd)
REPS=1
JOBS="O"
RESULTS=""
PAGES=""
usage() { sed -n '2,15p' "$0"; }
. "$here/peer_runner.sh"
# -p PAGES besides the runner's own options.
args=()
while [ $# -gt 0 ]; do
    case $1 in
        -p) PAGES=$2; shift 2 ;;
        *) args+=("$1"); shift ;;
    esac
done
set -- "${args[@]}"
read_peer_options "$@"
shift $((OPTIND - 1))
DATA=${1:?the folder make-data.sh wrote}
ORVELLE=${ORVELLE:?set ORVELLE to a release orvelle-cli}
RESULTS=${RESULTS:-$DATA/results/ocr.tsv}
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
PAGES=${PAGES:-$(tiffinfo "$DATA/fax.tif" 2>/dev/null | grep -c "^TIFF Directory")}
SOURCE="$DATA/fax.tif[1-$PAGES]"
# The peers' input, and the plain PDF the bytes are held against, made once.
"$ORVELLE" merge --out "$SCRATCH/plain.pdf" "$SOURCE" > /dev/null
tiffcp "$DATA/fax.tif,$(seq -s, 0 $((PAGES - 1)))" "$SCRATCH/pages.tif" 2>/dev/null ||
    "$ORVELLE" merge --lossless --out "$SCRATCH/pages.tif" "$SOURCE" > /dev/null
img2pdf "$SCRATCH/pages.tif" -o "$SCRATCH/input.pdf"
export ORVELLE SOURCE SCRATCH PAGES

O_orvelle() { "$ORVELLE" merge --ocr --ocr-lang eng --out "$1/out.pdf" "$SOURCE" > /dev/null; }
O_ocrmypdf() { ocrmypdf -q --output-type pdf --optimize 0 -l eng "$SCRATCH/input.pdf" "$1/out.pdf"; }

tools_of() { echo "orvelle ocrmypdf"; }
version_of() {
    case $1 in
        orvelle) "$ORVELLE" --version 2>&1 | head -1 ;;
        ocrmypdf) echo "ocrmypdf $(ocrmypdf --version 2>&1 | head -1), $(tesseract --version 2>&1 | head -1)" ;;
    esac
}

# Checks a job's output: "ok" or "BAD why", then files, bytes and a detail, tab-separated.
verify() { # JOB OUT
    local out=$2 files bytes
    files=$(find "$out" -type f | wc -l)
    bytes=$(find "$out" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    /usr/bin/python3 - "$out" "$SCRATCH" "$PAGES" "$files" "$bytes" <<'PY'
import os, subprocess, sys
out, scratch, pages, files, bytes_ = sys.argv[1:6]
pages = int(pages)
pdf = out + "/out.pdf"
problems = []
info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
got = [int(l.split()[-1]) for l in info.splitlines() if l.startswith("Pages:")]
if got != [pages]: problems.append("pages %s, want %d" % (got, pages))
# Words of every tenth page against the tesseract program's own reading of that page.
found = wanted = 0
for page in range(1, pages + 1, max(1, pages // 10)):
    text = subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), pdf, "-"], capture_output=True, text=True).stdout.split()
    ref = scratch + "/ref-%d" % page
    if not os.path.exists(ref + ".txt"):
        subprocess.run(["tiffcp", scratch + "/pages.tif,%d" % (page - 1), ref + ".tif"], capture_output=True)
        subprocess.run(["tesseract", ref + ".tif", ref, "-l", "eng"], capture_output=True)
    words = open(ref + ".txt").read().split()
    # The reference's words found in order (a longest common subsequence).
    prev = [0] * (len(text) + 1)
    for w in words:
        cur = [0]
        for k, t in enumerate(text):
            cur.append(prev[k] + 1 if w == t else max(prev[k + 1], cur[k]))
        prev = cur
    found += prev[-1]
    wanted += len(words)
share = found / wanted if wanted else 0
if share < 0.98: problems.append("%.1f %% of tesseract's words" % (100 * share))
plain = os.path.getsize(scratch + "/plain.pdf")
print("\t".join(["ok" if not problems else "BAD " + "; ".join(problems[:3]), files, bytes_,
                 "pages %d; words %.1f %% of %d; bytes %.3f x plain" % (pages, 100 * share, wanted, int(bytes_) / plain)]))
PY
}

run_peers
