#!/usr/bin/env bash
# Lints the C++ sources: clang-format (the committed .clang-format) over every source, header
# and included body (.inc), and clang-tidy (the committed .clang-tidy) over src/ and tools/,
# with no findings; and the documents (scripts/check-docs.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/check-docs.sh

shopt -s globstar nullglob
format_files=({src,tools,tests,bench,fuzz}/**/*.{cpp,hpp,h,inc})
tidy_files=({src,tools}/**/*.cpp)

echo "clang-format: ${#format_files[@]} files"
clang-format --dry-run -Werror "${format_files[@]}"

# clang-tidy takes each file's flags from the compile database of the default build, or of
# the first cross build that compiles it (the kernels of arm64, armhf and s390x). One file per
# processor at a time; each file's findings are printed in one piece.
presets=(default linux-arm64 linux-armhf linux-s390x)
for preset in "${presets[@]}"; do
  if [ ! -f "build/$preset/compile_commands.json" ]; then
    cmake --preset "$preset" >/dev/null
  fi
done
echo "clang-tidy: ${#tidy_files[@]} files"
tidy_one() {
  local out status=0 build preset
  for preset in $PRESETS; do
    build=build/$preset
    if grep -q "\"file\": \"$PWD/$1\"" "$build/compile_commands.json"; then
      break
    fi
  done
  out=$(clang-tidy -p "$build" --quiet --warnings-as-errors='*' "$1" 2>&1) || status=$?
  grep -v '^[0-9]* warnings\? generated\.$' <<<"$out" || true
  return "$status"
}
export -f tidy_one
export PRESETS="${presets[*]}"
printf '%s\0' "${tidy_files[@]}" | xargs -0 -P "$(nproc)" -n 1 bash -c 'tidy_one "$1"' _
echo "lint: no findings"
