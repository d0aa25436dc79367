#!/bin/bash
# completion_test.sh COMPLETION_FILE
# Completes command lines with the bash completion of orvelle-cli, as bash would on TAB, and
# compares the candidates with what each line should offer.
set -u
completion=$1
framework=/usr/share/bash-completion/bash_completion
if [ ! -f "$framework" ]; then
  echo "bash-completion is not installed (make deps installs it)" >&2
  exit 1
fi
# shellcheck disable=SC1090
. "$framework"
# shellcheck disable=SC1090
. "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch scan.tif Fax.TIFF doc.pdf photo.jpg notes.txt
mkdir out

# The sorted candidates for LINE, the cursor at its end.
candidates() {
  local line=$1
  COMP_LINE=$line
  COMP_POINT=${#line}
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _orvelle_cli orvelle-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

failures=0
expect() {
  local got
  got=$(candidates "$1")
  if [ "$got" != "$2" ]; then
    echo "'$1<TAB>': got '$got', expected '$2'"
    failures=$((failures + 1))
  fi
}

expect "orvelle-cli " "info merge split tiles"
expect "orvelle-cli sp" "split"
expect "orvelle-cli --v" "--version"
expect "orvelle-cli split x.tif --format " "bmp gif jpeg pdf png tiff"
expect "orvelle-cli split x.tif --format p" "pdf png"
expect "orvelle-cli merge --compression " "auto deflate g4 lzw"
expect "orvelle-cli merge --out a.tif --to " "pdf tiff"
expect "orvelle-cli split x.tif --pa" "--pad --page --pages"
expect "orvelle-cli tiles --" "--out"
# Files by what each command reads: documents to split, pictures to merge, folders for --out.
expect "orvelle-cli split " "Fax.TIFF doc.pdf out scan.tif"
expect "orvelle-cli merge --out all.pdf " "Fax.TIFF doc.pdf out photo.jpg scan.tif"
expect "orvelle-cli split scan.tif --out " "out"
expect "orvelle-cli split scan.tif --percent " ""

[ "$failures" = 0 ] && echo "all completions as expected"
exit "$failures"
