#!/usr/bin/env bash
# Sorts the public corpus (when it is there) into seed folders for the fuzz targets by the
# files' first bytes. The crash corpus in fuzz/crashes is read by the targets directly.
#   fuzz/seed.sh OUT_DIR CORPUS_DIR
set -euo pipefail
out=$1 corpus=$2
mkdir -p "$out"/{tiff,jpeg,png,gif,bmp,pdf,lzw,g4}
kind() {
  local head
  head=$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')
  case $head in
    49492a00*|4d4d002a*|49492b00*|4d4d002b*) echo tiff ;;
    ffd8ff*) echo jpeg ;;
    89504e470d0a1a0a*) echo png ;;
    474946383761*|474946383961*) echo gif ;;
    424d*) echo bmp ;;
  esac
}
n=0
if [ -d "$corpus" ]; then
  while IFS= read -r -d '' f; do
    k=$(kind "$f")
    # Large files slow every mutation down; small ones cover the same paths.
    if [ -n "$k" ] && [ "$(stat -c %s "$f")" -le 200000 ]; then
      cp "$f" "$out/$k/$(printf %05d $n)"; n=$((n + 1))
    fi
  done < <(find "$corpus" -type f -print0)
else
  echo "seed.sh: no corpus at $corpus; the targets start from the crash corpus alone"
fi
echo "seed.sh: $n corpus files sorted into $out"

# Scanned PDFs as another writer and ours make them, from the smallest JPEG and TIFF seeds.
cli=${ORVELLE_CLI:-build/dev/cli/orvelle-cli}
k=0
for f in $(ls -S -r "$out"/jpeg/* "$out"/tiff/* 2>/dev/null | head -20); do
  img2pdf -o "$out/pdf/i$k.pdf" "$f" 2>/dev/null || rm -f "$out/pdf/i$k.pdf"
  if [ -x "$cli" ]; then "$cli" merge --all-pages --to pdf --out "$out/pdf/o$k.pdf" "$f" >/dev/null 2>&1 || true; fi
  k=$((k + 1))
done
# Pages drawn or read past their text: a letter from Ghostscript, its scan made searchable by
# tesseract, a JPEG 2000 page from img2pdf (each when its writer is installed).
(
  cd "$out/pdf"
  printf '%%!PS\n<< /PageSize [200 100] >> setpagedevice /Helvetica findfont 20 scalefont setfont\n10 40 moveto (Paid 42) show 0 0 moveto 200 100 lineto stroke showpage\n' > letter.ps
  gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile=t0.pdf letter.ps 2>/dev/null || true
  pdftoppm -r 72 -gray -singlefile t0.pdf scan 2>/dev/null && tesseract scan.pgm t1 pdf >/dev/null 2>&1 || true
  pdftoppm -r 36 -singlefile t0.pdf colour 2>/dev/null && opj_compress -i colour.ppm -o colour.jp2 >/dev/null 2>&1 &&
    img2pdf -o t2.pdf colour.jp2 2>/dev/null || true
  rm -f letter.ps scan.pgm colour.ppm colour.jp2
)
echo "seed.sh: $(ls "$out/pdf" | wc -l) PDF seeds in $out/pdf"

# LZW strips as TIFF's writers make them, for the differential target: two bytes of decoded
# size, then the stream (a clear code first, codes most significant bit first, the table
# cleared one code before 12 bits run out, the end code last).
python3 - "$out/lzw" <<'PY'
import os, random, sys
def lzw(data):
    out, acc, nbits = bytearray(), 0, 0
    def put(code, width):
        nonlocal acc, nbits
        acc = (acc << width) | code; nbits += width
        while nbits >= 8:
            nbits -= 8; out.append((acc >> nbits) & 255)
    table, nxt, width = {}, 258, 9
    put(256, width)
    w = b""
    for b in data:
        wc = w + bytes([b])
        if wc in table or len(wc) == 1:
            w = wc; continue
        put(table[w] if len(w) > 1 else w[0], width)
        table[wc] = nxt; nxt += 1
        if nxt + 1 >= (1 << width) and width < 12: width += 1
        if nxt >= 4093:
            put(256, width); table, nxt, width = {}, 258, 9
        w = bytes([b])
    if w: put(table[w] if len(w) > 1 else w[0], width)
    put(257, width)
    if nbits: out.append((acc << (8 - nbits)) & 255)
    return bytes(out)
rng = random.Random(7)
cases = [bytes([65]) * 300, bytes(range(256)) * 4, bytes(rng.randrange(16) for _ in range(3000)),
         bytes(rng.randrange(256) for _ in range(5000)), bytes((i // 7) % 256 for i in range(2000))]
for i, data in enumerate(cases):
    size = len(data) - 1
    with open(os.path.join(sys.argv[1], "seed%d" % i), "wb") as f:
        f.write(bytes([size >> 8, size & 255]) + lzw(data))
PY

# Group 4 strips as Pillow's libtiff writes them, for the differential target: two bytes of
# width less one, a byte of height less one, then the strip.
/usr/bin/python3 - "$out/g4" <<'PY'
import io, os, random, sys
from PIL import Image, ImageDraw
rng = random.Random(5)
pages = []
for width, height in [(120, 40), (333, 64), (1728, 20), (17, 9)]:
    im = Image.new("1", (width, height), 1)
    d = ImageDraw.Draw(im)
    for _ in range(12):
        x, y = rng.randrange(width), rng.randrange(height)
        d.rectangle((x, y, x + rng.randrange(40), y + rng.randrange(8)), fill=0)
    pages.append(im)
noise = Image.new("1", (200, 30), 1)
noise.putdata([rng.randrange(2) for _ in range(200 * 30)])
pages.append(noise)
for i, im in enumerate(pages):
    buffer = io.BytesIO()
    im.save(buffer, "TIFF", compression="group4")
    tiff = Image.open(io.BytesIO(buffer.getvalue()))
    offset, count = tiff.tag_v2[273][0], tiff.tag_v2[279][0]
    strip = buffer.getvalue()[offset:offset + count]
    w, h = im.size
    with open(os.path.join(sys.argv[1], "seed%d" % i), "wb") as f:
        f.write(bytes([(w - 1) >> 8, (w - 1) & 255, h - 1]) + strip)
PY
echo "seed.sh: $(ls "$out/g4" | wc -l) Group 4 seeds in $out/g4"
