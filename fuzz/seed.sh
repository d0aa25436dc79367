#!/usr/bin/env bash
# Sorts the public corpus (when it is there) into seed folders for the fuzz targets by the
# files' first bytes. The crash corpus in fuzz/crashes is read by the targets directly.
#   fuzz/seed.sh OUT_DIR CORPUS_DIR
set -euo pipefail
out=$1 corpus=$2
mkdir -p "$out"/{tiff,jpeg,png,gif,bmp}
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
