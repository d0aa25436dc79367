#!/bin/bash
# The inputs of bench/organize_peers.sh, from the data ../shared/bench/make-data.sh makes:
#   bench/make_organize_data.sh BENCH_DATA OUT
# OUT/fax.tif (its 200-page G4 fax), OUT/fax.pdf (the same pages, tiff2pdf), OUT/photos/
# (its photographs as 100 JPEGs, quality 90 and 80, 4:2:0, cut to whole 16-pixel blocks so
# that jpegtran -perfect can turn them).
set -eu
src=${1:?the folder make-data.sh wrote}
out=${2:?where to write}
mkdir -p "$out/photos"
cp "$src/fax.tif" "$out/fax.tif"
tiff2pdf -o "$out/fax.pdf" "$out/fax.tif"
/usr/bin/python3 - "$src/photos" "$out/photos" <<'PY'
import os, sys
from PIL import Image
names = sorted(n for n in os.listdir(sys.argv[1]) if n.endswith(".png"))
made = 0
for quality in (90, 80):
    for name in names:
        if made == 100: break
        im = Image.open(os.path.join(sys.argv[1], name)).convert("RGB")
        im = im.crop((0, 0, im.width // 16 * 16, im.height // 16 * 16))
        im.save(os.path.join(sys.argv[2], "%s_q%d.jpg" % (name[:-4], quality)), quality=quality, subsampling="4:2:0")
        made += 1
PY
