#!/usr/bin/env bash
# Writes the worst query's walk as walk_replay counts it (its primes, the divisors each is tried
# against, its blocks, and each path's candidate-visits and set-ups) into docs/performance.md,
# between the lines <!-- bench/walk-table.sh: begin --> and <!-- bench/walk-table.sh: end -->.
#
#   bash bench/walk-table.sh [--check]
#
# --check: changes nothing, and fails where the page's text differs from the walk's count now
# (the test docs.walk_table runs it so). WALK_REPLAY=<program>: that walk_replay, instead of the
# one the bench preset builds.
set -euo pipefail
cd "$(dirname "$0")/.."

check=""
case ${1:-} in
  --check) check=1 ;;
  "") ;;
  *)
    echo "usage: bash bench/walk-table.sh [--check]" >&2
    exit 2
    ;;
esac

replay=${WALK_REPLAY:-}
if [ -z "$replay" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target walk_replay >/dev/null
  replay=build/bench/bench/walk_replay
fi

# Each path's divisors a visit: in 16-bit lanes two vectors of 8 (SSE2), 16 (AVX2) and 32
# (AVX-512) divisors, set up a round at a time (wheel_kernel_body.inc); in 32-bit lanes sixteen
# vectors of four (NEON, and the other kernels with a vector unit) or of one (the generic kernel
# in general registers), set up a visit at a time (wheel_kernel_body_u32.inc).
paths=("SSE2|16|setups_in_rounds" "AVX2|32|setups_in_rounds" "AVX-512|64|setups_in_rounds"
  "NEON, NEON32, z13, generic in a vector unit|64|setups"
  "generic in general registers|16|setups")

# A number as the documents write it: digits grouped by commas from 10,000 on.
grouped() {
  if [ "$1" -ge 10000 ]; then
    sed -E ':a; s/([0-9])([0-9]{3})($|,)/\1,\2\3/; ta' <<<"$1"
  else
    echo "$1"
  fi
}

# The replay's lines, one per width: words and values.
declare -A value
while read -r -a words; do
  divisors=""
  for ((i = 0; i + 1 < ${#words[@]}; i += 2)); do
    [ "${words[i]}" = divisors_per_visit ] && divisors=${words[i + 1]}
  done
  for ((i = 0; i + 1 < ${#words[@]}; i += 2)); do
    value[${words[i]}]=${words[i + 1]}
    value[$divisors.${words[i]}]=${words[i + 1]}
  done
done < <("$replay" last_bracket_worst 16 32 64)

direction=down
[ "${value[first_prime]}" -lt "${value[prime]}" ] && direction=up

block=$(
  echo '<!-- bench/walk-table.sh: begin -->'
  echo "The worst query, ${value[index]}, walks $direction over $(grouped "${value[walked_primes]}")" \
    "primes, from ${value[first_prime]} to ${value[prime]}," \
    "and tries each against every wheel divisor up to its square root:" \
    "$(grouped "${value[divisors_first_prime]}") divisors for the first," \
    "$(grouped "${value[divisors_answer]}") for the last."
  echo "The walk hands the wheel test blocks of ${value[first_block]} candidates at first," \
    "doubling up to ${value[largest_block]};" \
    "\`walk_replay\` (below) counts what the kernels do for it:" \
    "$(grouped "${value[blocks]}") blocks, $(grouped "${value[candidates]}") candidates," \
    "$(grouped "${value[primes]}") of them prime, and on each path:"
  echo
  echo '| Path | Divisors a visit | Candidate-visits | Visits set up |'
  echo '|---|---:|---:|---:|'
  for row in "${paths[@]}"; do
    IFS='|' read -r name divisors setups <<<"$row"
    echo "| $name | $divisors | $(grouped "${value[$divisors.visits]}")" \
      "| $(grouped "${value[$divisors.$setups]}") |"
  done
  echo '<!-- bench/walk-table.sh: end -->'
)

page=docs/performance.md
if [ -n "$check" ]; then
  if ! bash scripts/doc-block.sh check "$page" bench/walk-table.sh <<<"$block"; then
    echo "walk-table: $page does not give the worst query's walk as walk_replay counts it;" \
      "bash bench/walk-table.sh writes it" >&2
    exit 1
  fi
  echo "walk-table: $page gives the worst query's walk as walk_replay counts it"
  exit 0
fi
bash scripts/doc-block.sh write "$page" bench/walk-table.sh <<<"$block"
echo "walk-table: wrote the worst query's walk into $page"
