#!/usr/bin/env bash
# Estimates on paper what the worst query costs on the processors of every Linux architecture
# that no machine here runs: llvm-mca-19's models of each path's loops as built, times the work
# the walk's replay counts, against the division loop (bench/estimate.py says how).
#
#   bash bench/estimate.sh [--summary | --write | --check]
#
# Builds the kernels of each cross build (presets linux-<arch>) and walk_replay (preset bench,
# on this machine). Prints one line per model, ARCH MODEL PATH PATH_CYCLES DIVISION_CYCLES, then
# the figures behind them and the loops it measured (lines that start with #); --summary prints
# the lines alone. --write puts the table of them into docs/performance.md, --check fails where
# the page's table differs from the one the code makes now. Every mode fails where a path falls
# short of its target. Needs llvm-19, python3, qemu-user and the cross compilers.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case $mode in
  "" | --summary | --write | --check) ;;
  *)
    echo "usage: bash bench/estimate.sh [--summary | --write | --check]" >&2
    exit 2
    ;;
esac

builds=()
for arch in arm64 armhf ppc64el s390x riscv64; do
  cmake --preset "linux-$arch" >/dev/null
  cmake --build --preset "linux-$arch" --target nthprime_kernels >/dev/null
  builds+=("build/linux-$arch")
done
cmake --preset bench >/dev/null
cmake --build --preset bench --target walk_replay >/dev/null
replay=build/bench/bench/walk_replay

if [ "$mode" != --write ] && [ "$mode" != --check ]; then
  exec python3 bench/estimate.py $mode "$replay" "${builds[@]}"
fi

table=$(python3 bench/estimate.py --table "$replay" "${builds[@]}")
compiler=$(arm-linux-gnueabihf-g++ -dumpfullversion)
mca=$(llvm-mca-19 --version | sed -n 's/^.*LLVM version //p')
block=$(
  echo '<!-- bench/estimate.sh: begin -->'
  echo "\`bash bench/estimate.sh --write\` at commit $(git rev-parse --short HEAD)," \
    "$(date -u +%Y-%m-%d) (Debian's cross compilers, g++ $compiler; llvm-mca $mca):"
  echo
  echo "$table"
  echo '<!-- bench/estimate.sh: end -->'
)
page=docs/performance.md
if [ "$mode" = --check ]; then
  if ! bash scripts/doc-block.sh check "$page" bench/estimate.sh 1 <<<"$block"; then
    echo "estimate: $page does not give the estimate the code makes now;" \
      "bash bench/estimate.sh --write writes it" >&2
    exit 1
  fi
  echo "estimate: $page gives the estimate the code makes now"
  exit 0
fi
bash scripts/doc-block.sh write "$page" bench/estimate.sh <<<"$block"
echo "estimate: wrote the estimate into $page"
