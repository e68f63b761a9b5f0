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
# the ARM64 build for what only that one compiles (the NEON kernel). One file per processor
# at a time; each file's findings are printed in one piece.
for preset in default linux-arm64; do
  if [ ! -f "build/$preset/compile_commands.json" ]; then
    cmake --preset "$preset" >/dev/null
  fi
done
echo "clang-tidy: ${#tidy_files[@]} files"
tidy_one() {
  local out status=0 build=build/default
  if ! grep -q "\"file\": \"$PWD/$1\"" "$build/compile_commands.json"; then
    build=build/linux-arm64
  fi
  out=$(clang-tidy -p "$build" --quiet --warnings-as-errors='*' "$1" 2>&1) || status=$?
  grep -v '^[0-9]* warnings\? generated\.$' <<<"$out" || true
  return "$status"
}
export -f tidy_one
printf '%s\0' "${tidy_files[@]}" | xargs -0 -P "$(nproc)" -n 1 bash -c 'tidy_one "$1"' _
echo "lint: no findings"
