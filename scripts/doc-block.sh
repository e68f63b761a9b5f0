#!/usr/bin/env bash
# Writes a block of text that a program made into a page between the lines
# <!-- NAME: begin --> and <!-- NAME: end -->, or checks that the page holds it:
#
#   bash scripts/doc-block.sh write|check PAGE NAME [SKIP] < block
#
# The block on standard input holds the two marker lines. check changes nothing and fails where
# the page's block differs, leaving out the first SKIP lines after the begin marker (a line that
# names the commit and date the block was written at, say).
set -euo pipefail

mode=$1 page=$2 name=$3 skip=${4:-0}
begin="<!-- $name: begin -->"
end="<!-- $name: end -->"
block=$(cat)

# The lines from the begin marker to the end marker, less the first SKIP after the first.
between() {
  awk -v begin="$begin" -v end="$end" -v skip="$skip" '
    $0 == begin { inside = 1; print; n = 0; next }
    inside && $0 == end { print; inside = 0; next }
    inside && n++ >= skip { print }'
}

written=$(between <"$page")
if [ -z "$written" ]; then
  echo "$page has no lines between the markers $begin and $end" >&2
  exit 1
fi
case $mode in
  check)
    if [ "$written" != "$(between <<<"$block")" ]; then
      diff <(echo "$written") <(between <<<"$block") >&2 || true
      exit 1
    fi
    ;;
  write)
    {
      awk -v begin="$begin" '$0 == begin { exit } { print }' "$page"
      echo "$block"
      awk -v end="$end" 'found { print } $0 == end { found = 1 }' "$page"
    } >"$page.new"
    mv "$page.new" "$page"
    ;;
  *)
    echo "usage: bash scripts/doc-block.sh write|check PAGE NAME [SKIP] < block" >&2
    exit 2
    ;;
esac
