#!/bin/bash
# batch_recipe_test.sh BATCH_MD CLI_DIR CORPUS_DIR
# Runs the GNU parallel recipe of docs/batch.md, as it stands there, on a few small corpus
# TIFF files and a broken one with two jobs; then stops half way and resumes.
set -u
doc=$1
export PATH="$(cd "$2" && pwd):$PATH"
corpus=$3
if ! command -v parallel >/dev/null || ! command -v jq >/dev/null; then
  echo "GNU parallel or jq is not installed (make deps installs them): skipped"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ARCHIVE=$scratch/archive OUT=$scratch/pages WORK=$scratch/work JOBS=2
mkdir -p "$ARCHIVE/sub dir"
# A few small documents, one in a folder whose name has a space, and one that is cut short.
mapfile -t sources < <(find "$corpus/libtiff" -maxdepth 1 -type f -iname '*.tif*' -size -40k | sort | head -n 5)
[ "${#sources[@]}" -ge 3 ] || { echo "too few corpus TIFF files in $corpus/libtiff"; exit 1; }
cp "${sources[0]}" "$ARCHIVE/sub dir/first.tif"
for source in "${sources[@]:1}"; do cp "$source" "$ARCHIVE/"; done
head -c 60 "${sources[0]}" >"$ARCHIVE/broken.TIF"
documents=$((${#sources[@]} + 1))

recipe=$(awk '/^```sh$/ { inside = 1; next } /^```$/ { if (inside) exit } inside' "$doc")
[ -n "$recipe" ] || { echo "no sh block in $doc"; exit 1; }
run() { (bash -c "$recipe") || { echo "the recipe failed"; exit 1; }; }

failures=0
fail() { echo "$1"; failures=$((failures + 1)); }

run
lines=$(wc -l <"$WORK/results.jsonl")
[ "$lines" = "$documents" ] || fail "results.jsonl has $lines lines for $documents documents"
jq -e -s 'all(.[]; .command == "split")' "$WORK/results.jsonl" >/dev/null || fail "a line is not a split's JSON"
grep -qx './broken.TIF' "$WORK/failed.txt" || fail "broken.TIF is not listed as failed: $(cat "$WORK/failed.txt")"
# Every page a document reported written is there, under its own folder.
while IFS=$'\t' read -r source written; do
  folder="$OUT/${source%.*}"
  count=$(find "$folder" -type f | wc -l)
  [ "$count" = "$written" ] || fail "$source: $written pages reported, $count files in $folder"
done < <(jq -r '"\(.source)\t\(.written)"' "$WORK/results.jsonl")
[ -d "$OUT/sub dir/first" ] || fail "the document in 'sub dir' has no folder of its own"

# Resumed: nothing already done runs again; a document the log lost runs once more.
run
[ "$(wc -l <"$WORK/results.jsonl")" = "$documents" ] || fail "resuming ran finished documents again"
head -n -1 "$WORK/split.joblog" >"$WORK/shorter" && mv "$WORK/shorter" "$WORK/split.joblog"
run
[ "$(wc -l <"$WORK/results.jsonl")" = $((documents + 1)) ] || fail "resuming did not run the lost document"

[ "$failures" = 0 ] && echo "the recipe split $documents documents, listed the broken one and resumed"
exit "$failures"
