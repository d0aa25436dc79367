#!/bin/sh
# with_corpus.sh CORPUS_DIR COMMAND...
# Runs COMMAND when the public corpus is there. Without it the test is skipped (exit 77, with
# one line naming the folder), or fails when ORVELLE_REQUIRE_CORPUS=1.
corpus=$1
shift
if [ ! -f "$corpus/facts.json" ]; then
  if [ "${ORVELLE_REQUIRE_CORPUS:-}" = 1 ]; then
    echo "ORVELLE_REQUIRE_CORPUS=1 but $corpus has no facts.json" >&2
    exit 1
  fi
  echo "public corpus not found at $corpus: skipped"
  exit 77
fi
exec "$@"
