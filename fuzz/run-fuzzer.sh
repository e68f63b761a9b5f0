#!/usr/bin/env bash
# Fuzzes the dialogue for a bounded time (seconds, default 120) on a scratch copy of the
# committed corpus; fails on any finding, which is left in build/fuzz/run/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
fuzzer=build/fuzz/fuzz/dialogue_fuzzer
work=build/fuzz/run

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
cp fuzz/corpus/* "$work/corpus/"  # the committed corpus is never written to

# A hang of more than 10 s on one input is a finding too.
status=0
"$fuzzer" "$work/corpus" -dict=fuzz/dialogue.dict -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -artifact_prefix="$work/findings/" -print_final_stats=1 \
  >"$work/log" 2>&1 || status=$?
grep -E '^(Done|stat::|SUMMARY|dialogue disagrees|number reader disagrees|  input:|  output:)' "$work/log" || true
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/findings")" ]; then
  echo "fuzzing found a fault (exit status $status); see $work/log and $work/findings/" >&2
  tail -n 40 "$work/log" >&2
  exit 1
fi
echo "fuzzing found nothing in ${seconds} s"
