#!/usr/bin/env bash
# Installs what the tests need on Debian 12 and runs every test: the plain CMake build with make
# and nthprime added to another project, clang-format and clang-tidy, the release build with the
# oracle and table checks, the checks of the vector kernels' objects and the program on emulated
# x86 processors (qemu), every vector path on every candidate below 2^32, a short benchmark
# pass, the same suite (less its slow cases) built by clang and under ASan and UBSan, the 64-bit
# Windows program cross-built with MinGW-w64 and tested under wine64 (on every machine) and the
# 32-bit one under Wine (where this machine runs 32-bit programs), the Linux programs of the
# other architectures Debian ships (i386, arm64, armhf, ppc64el, s390x, riscv64) cross-built and
# tested under qemu-user (with the estimate of their paths from llvm-mca-19), the Debian packages
# of all seven and the Windows zip (each built twice, to the same bytes), and two minutes of
# fuzzing the dialogue.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# A mirror can serve one architecture's index out of step with its release file, and apt then
# refuses it. Without the security archive's i386 index, an i386 library's only version is the
# main archive's while its amd64 twin's newest is the security one, and Multi-Arch needs the
# two equal: taking every package from the main archive first keeps them in step.
release=()
if ! $sudo apt-get update -qq; then
  echo "test-all: an index failed to download; installing from the main archive first" >&2
  release=(-t "$(. /etc/os-release && echo "$VERSION_CODENAME")")
fi
$sudo env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${release[@]}" \
  cmake ninja-build make g++ libgtest-dev googletest libbenchmark-dev libprimesieve-dev libprimecount-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 \
  g++-i686-linux-gnu g++-aarch64-linux-gnu g++-arm-linux-gnueabihf g++-powerpc64le-linux-gnu \
  g++-s390x-linux-gnu g++-riscv64-linux-gnu qemu-user python3 \
  clang libclang-rt-14-dev valgrind time \
  clang-tidy clang-format lintian man-db dpkg-dev file unzip llvm-19 >/dev/null

# The conventional flow (Unix Makefiles, no preset): the program and its manual page, no test
# dependency looked for; and a project that adds nthprime with add_subdirectory.
bash scripts/check-plain-build.sh

cmake --preset default
bash scripts/lint.sh
cmake --build --preset default
ctest --preset default

# Every candidate below 2^32 on every vector path of the wheel test, against a sieve: the paths
# this processor lacks are reported as skipped. The scalar loop, far slower, runs on its own,
# and so does the generic kernel, which no x86 processor takes (its samples ran above, and run
# in every cross-built suite).
ctest --preset exhaustive -E '^exhaustive\.(scalar|generic)$'

# The benchmarks must keep building and running; a short pass over the cheap ones.
cmake --preset bench
cmake --build --preset bench
./build/bench/bench/nthprime_bench --benchmark_filter='direct|checkpoint_edge|isWheelPrime|wheelTest' \
  --benchmark_min_time=0.05

cmake --preset clang
cmake --build --preset clang
ctest --preset clang

# Without the vector kernels, as a compiler they are not written for builds it: the scalar
# loop alone, picked by the same dispatch.
cmake --preset default -B build/scalar-only -DNTHPRIME_VECTOR_WHEEL=OFF >/dev/null
cmake --build build/scalar-only --target search_test wheel_paths_test nthprime text_input_probe
ctest --test-dir build/scalar-only -R '^(search_test|wheel_paths_test|dialogue\.)' \
  --output-on-failure -j2

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

# The 64-bit Windows program under Wine's 64-bit loader, which needs no 32-bit support, so on
# every machine: what is Windows' own (text mode with CR LF, Ctrl+Z, GetTickCount, MinGW's
# streams and the number reader, every x86 kernel path this processor has, the dialogue cases).
cmake --preset windows-x86_64
cmake --build --preset windows-x86_64
# Texts that the Windows runtime's own >> double reads wrongly in the last run of a Windows
# suite (the reader reads them right): said, not failed.
say_platform_faults() {
  local faults
  faults=$(grep -h '\[ PLATFORM \] [0-9]* texts' "build/$1/Testing/Temporary/LastTest.log" |
    tr -d '\r' | sed 's/^.*\[ PLATFORM \] /  /' || true)
  if [ -n "$faults" ]; then
    echo "NOTE: $1: the Windows runtime's own >> double, in number_reader_test:"$'\n'"$faults" >&2
  fi
}
# A Windows build's suite, its widest wheel path on every candidate below 2^32, and its answers
# against the Linux program's. Each step
# waits for the Wine server of the one before to end: a program started just as that server
# shuts down (a few seconds after its last program) fails with "recvmsg: Connection reset by
# peer".
windows_suite() {  # preset, the Wine runner of its toolchain
  local prefix="$PWD/build/$1/wineprefix"
  ctest --preset "$1"
  say_platform_faults "$1"
  WINEPREFIX="$prefix" wineserver --wait
  local widest
  widest=$(NTHPRIME_WINEPREFIX="$prefix" "$2" "build/$1/tests/exhaustive_test.exe" --widest |
    tr -d '\r')
  WINEPREFIX="$prefix" wineserver --wait
  ctest --preset "$1-exhaustive" -R "^exhaustive\.${widest}\$"
  WINEPREFIX="$prefix" wineserver --wait
  bash scripts/compare-windows-answers.sh "$1"
}
windows_suite windows-x86_64 cmake/wine64-run.sh

cmake --preset windows-i686
cmake --build --preset windows-i686
# Wine runs the 32-bit Windows program as a 32-bit Linux process, which some kernels refuse
# (ia32_emulation off); `wine --version` may still succeed there, so the check runs the program
# itself. Where it cannot run, the 32-bit Windows suite is skipped, loudly; its 32-bit kernels are
# still tested in the 32-bit Linux build under qemu-i386 below, and what is Windows' own in the
# 64-bit Windows suite above. NTHPRIME_SIMULATE_NO_32_BIT=1 makes this check fail, to try the
# skip on a machine that does run 32-bit programs.
if [ -n "${NTHPRIME_SIMULATE_NO_32_BIT:-}" ]; then
  wine32_check="simulated: NTHPRIME_SIMULATE_NO_32_BIT is set"
else
  wine32_check=$(echo 1 | NTHPRIME_WINEPREFIX="$PWD/build/windows-i686/wineprefix" \
    cmake/wine-run.sh build/windows-i686/nthprime.exe 2>&1 | tr -d '\r' | tail -n 1) || true
fi
if [[ $wine32_check == *"prime(1) = 2,"* ]]; then
  windows_suite windows-i686 cmake/wine-run.sh
else
  echo "SKIPPED: the 32-bit Windows program's tests under Wine: this machine runs no 32-bit" \
    "programs (${wine32_check:-no output})" >&2
  # What needs no Wine: the checks of the kernels' objects (no x87, nothing to merge).
  ctest --preset windows-i686 -L build
fi

# The Linux program of every other architecture, cross-built and run under qemu-user, on any
# machine: its unit tests, the dialogue cases, each vector path on a sample of the candidates,
# and the path it picks on emulated processors with and without a vector unit. i686 runs the
# kernels' 32-bit code (qemu has SSE2 and AVX2, no AVX-512); s390x is big-endian.
for arch in i686 arm64 armhf ppc64el s390x riscv64; do
  cmake --preset "linux-$arch"
  cmake --build --preset "linux-$arch"
  ctest --preset "linux-$arch"
done
# The paths' estimate on the processors of those architectures (llvm-mca-19 on the built
# objects): each path meets its target, and docs/performance.md shows what the code makes now.
bash bench/estimate.sh --check

# The Debian packages and the Windows zip: lintian, their files, the packaged programs and the
# manual page.
bash scripts/check-packages.sh

# Differential fuzzing of the dialogue (clang, libFuzzer): the committed corpus replayed once,
# then two minutes of fuzzing on a scratch copy of it; any finding fails the run.
cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz
bash fuzz/run-fuzzer.sh 120
