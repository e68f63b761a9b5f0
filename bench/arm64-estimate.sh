#!/usr/bin/env bash
# Estimates on paper what the NEON kernel costs on ARM64 cores we cannot run: llvm-mca-19's
# models of its hot loop and of its per-visit set-up, as built, times the visits and set-ups of
# the worst query's walk. Needs llvm-19 (llvm-mca-19, llvm-objdump-19) and the ARM64 cross build.
#
#   bash bench/arm64-estimate.sh
#
# Builds the NEON kernel object (preset linux-arm64) and the walk's replay (preset bench, on this
# machine), and prints one line per model, MODEL CYCLES_PER_VISIT DIVISORS_PER_VISIT
# ESTIMATED_CYCLES, then the loop it measured; the other lines start with #. ESTIMATED_CYCLES is
# visits * the loop's cycles + set-ups * the set-up's + exits * the full test's (where the kernel
# has one out of line), llvm-mca's steady state over 1000 iterations of each. Another kernel object can be measured
# with NEON_OBJECT=<object> (and DIVISORS_PER_VISIT=<n> where its loop's multiplications are not
# one per vector of four 32-bit lanes).
#
# The hot loop is taken from the disassembly of primesAmong: the smallest region between a
# backward branch and its target that holds a vector multiplication, less its blocks that end
# in a branch out of the region (a candidate leaving) and its blocks with a call (the full
# test). The set-up is the kernel's setUpVisit, which the compiler keeps out of line (the script
# stops where it does not), the full test its dividedInVisitExactly, out of line in the source.
set -euo pipefail
cd "$(dirname "$0")/.."

mca=${LLVM_MCA:-llvm-mca-19}
objdump=${LLVM_OBJDUMP:-llvm-objdump-19}
models=(neoverse-n1 neoverse-n2 neoverse-v1 neoverse-v2 apple-m1 cortex-a72)
index=203185709  # the worst query: the longest walk of the last bracket

object=${NEON_OBJECT:-}
if [ -z "$object" ]; then
  cmake --preset linux-arm64 >/dev/null
  cmake --build --preset linux-arm64 --target nthprime_kernels >/dev/null
  object=build/linux-arm64/CMakeFiles/nthprime_kernels.dir/src/prime/wheel_kernel_neon.cpp.o
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target walk_replay >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The instructions of the first function whose symbol matches $1, one per line as
# "address<tab>mnemonic<tab>operands", symbol annotations dropped. (awk reads to the end, so
# that objdump never writes into a closed pipe.)
function_of() {
  "$objdump" -d --no-show-raw-insn "$object" |
    awk -v pattern="$1" '
      /^[0-9a-f]+ <.*>:$/ { inside = !done && ($0 ~ pattern); done = done || inside; next }
      inside && /^ *[0-9a-f]+:/ {
        sub(/ *<[^>]*>$/, ""); sub(/^ */, ""); sub(/:[ \t]*/, "\t"); print
      }'
}

# The hot loop of primesAmong's candidates, as assembly for llvm-mca.
hot_loop() {
  function_of '^[0-9a-f]+ <_ZN8nthprime4neon11primesAmong' | awk -F'\t' '
    function hex(s,   i, n, c) {
      n = 0; s = tolower(s); sub(/^0x/, "", s)
      for (i = 1; i <= length(s); i++) { c = index("0123456789abcdef", substr(s, i, 1)); n = n * 16 + c - 1 }
      return n
    }
    function target(k,   parts) {  # the address a branch goes to, or -1
      if (op[k] !~ /^(b|b\.[a-z]+|cbz|cbnz|tbz|tbnz)$/) return -1
      if (!match(args[k], /0x[0-9a-f]+$/)) return -1
      return hex(substr(args[k], RSTART))
    }
    { n++; addr[n] = hex($1); op[n] = $2; args[n] = $3 }
    END {
      best = 0
      for (k = 1; k <= n; k++) {
        t = target(k)
        if (t < 0 || t > addr[k]) continue
        first = 0; multiplies = 0
        for (j = 1; j <= k; j++) {
          if (addr[j] < t) continue
          if (!first) first = j
          if (op[j] ~ /^(mul|umull2?)$/ && args[j] ~ /^v/) multiplies++
        }
        if (multiplies && (!best || k - first < bestEnd - bestStart)) {
          best = 1; bestStart = first; bestEnd = k
        }
      }
      if (!best) { print "no candidate loop found" > "/dev/stderr"; exit 1 }
      lo = addr[bestStart]; hi = addr[bestEnd]
      # Blocks start at the region start, at branch targets within it and after branches and
      # calls. Left out: a block that ends in an unconditional branch out of the region (a
      # candidate leaving), and a block with a call (the full test, counted apart).
      for (j = bestStart; j <= bestEnd; j++) {
        t = target(j)
        if (t >= lo && t <= hi) starts[t] = 1
        if ((t >= 0 || op[j] == "bl") && j < bestEnd) starts[addr[j + 1]] = 1
      }
      for (j = bestStart; j <= bestEnd + 1; j++) {
        if (j == bestEnd + 1 || (j > bestStart && (addr[j] in starts))) {
          if (calls) for (i = blockStart; i < j; i++) dropped[i] = 1
          blockStart = j; calls = 0
        }
        if (j > bestEnd) break
        if (j == bestStart) { blockStart = j; calls = 0 }
        if (op[j] == "bl") calls++
        t = target(j)
        if (op[j] == "b" && j < bestEnd && (t < lo || t > hi))
          for (i = blockStart; i <= j; i++) dropped[i] = 1
      }
      for (j = bestStart; j <= bestEnd; j++)
        if (!(j in dropped)) print op[j] (args[j] == "" ? "" : " " args[j])
    }'
}

# A straight function of the kernel as assembly for llvm-mca, its return dropped, or nothing.
straight_function() {
  function_of "$1" | awk -F'\t' '$2 != "ret" { print $2 ($3 == "" ? "" : " " $3) }'
}

cycles_per_iteration() {  # model, assembly file
  if [ ! -s "$2" ]; then
    echo 0
    return
  fi
  "$mca" -mtriple=aarch64 -mcpu="$1" -iterations=1000 "$2" |
    awk '/^Total Cycles:/ { printf "%.2f\n", $3 / 1000 }'
}

hot_loop >"$work/loop.s"
straight_function 'setUpVisit' >"$work/setup.s"
straight_function 'dividedInVisitExactly' >"$work/exact.s"
if [ -z "${NEON_OBJECT:-}" ] && [ ! -s "$work/setup.s" ]; then
  echo "the compiler inlined setUpVisit: the set-up cannot be measured apart" >&2
  exit 1
fi
if [ -s "$work/setup.s" ] && grep -q -E '^(b|b\.[a-z]+|cbn?z|tbn?z) ' "$work/setup.s"; then
  echo "the set-up has a loop of its own: it is not measured straight" >&2
  exit 1
fi
divisors=${DIVISORS_PER_VISIT:-$(($(grep -c -E '^mul v[0-9]+\.4s' "$work/loop.s") * 4))}

read -r -a counts <<<"$(./build/bench/bench/walk_replay "$index" "$divisors")"
declare -A replay
for ((i = 0; i + 1 < ${#counts[@]}; i += 2)); do
  replay[${counts[i]}]=${counts[i + 1]}
done
visits=${replay[visits]}
setups=${replay[setups]}
exits=$((replay[candidates] - replay[primes]))  # each composite takes the full test once
if [ ! -s "$work/exact.s" ]; then
  exits=0
fi

echo "# query $index (prime ${replay[prime]}): ${replay[candidates]} candidates, ${replay[primes]}" \
  "primes; $visits candidate-visits and $setups set-ups at $divisors divisors a visit; $exits" \
  "full tests; $object"
echo "# MODEL CYCLES_PER_VISIT DIVISORS_PER_VISIT ESTIMATED_CYCLES"
breakdown=()
for model in "${models[@]}"; do
  loop=$(cycles_per_iteration "$model" "$work/loop.s")
  setup=$(cycles_per_iteration "$model" "$work/setup.s")
  exact=$(cycles_per_iteration "$model" "$work/exact.s")
  total=$(awk -v v="$visits" -v l="$loop" -v s="$setups" -v c="$setup" -v e="$exits" -v x="$exact" \
    'BEGIN { printf "%.0f", v * l + s * c + e * x }')
  echo "$model $loop $divisors $total"
  visit_cycles=$(awk -v v="$visits" -v l="$loop" 'BEGIN { printf "%.0f", v * l }')
  breakdown+=("# $model: the visits $visit_cycles cycles; set-ups $setup cycles each, full tests $exact")
done
printf '%s\n' "${breakdown[@]}"
echo "# the loop measured ($(grep -c . "$work/loop.s") instructions):"
cat "$work/loop.s"
