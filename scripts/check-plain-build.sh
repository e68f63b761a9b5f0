#!/usr/bin/env bash
# Checks the conventional CMake flow: a configure with Unix Makefiles and no preset or option
# builds the program and its manual page and looks for no test dependency; a project that adds
# nthprime with add_subdirectory gets its targets and none of its tests, packages or settings.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check-plain-build: $*" >&2
  exit 1
}

plain=build/plain
rm -rf "$plain"
cmake -S . -B "$plain" -G "Unix Makefiles" >/dev/null
cmake --build "$plain" -j2

# No cache entry of GoogleTest, primesieve, primecount, Google Benchmark or valgrind: the
# configure never looked for them.
probed=$(sed -n 's/^\([^#/][^:]*\):.*/\1/p' "$plain/CMakeCache.txt" |
  grep -iE 'gtest|gmock|primesieve|primecount|benchmark|valgrind' |
  grep -vx NTHPRIME_BUILD_BENCHMARKS) && fail "the plain configure looked for test dependencies: $probed"
if [ -e "$plain/make_checkpoints" ] || [ -d "$plain/tests" ]; then
  fail "the plain build built more than the program"
fi
gzip -dc "$plain/compressed/nthprime.1.gz" | cmp - docs/nthprime.1 || fail "no compressed manual page"
answer=$(echo 1000 | "$plain/nthprime" | sed -E 's/Time : [0-9]+ msec/Time : T msec/')
[ "$answer" = $'Input a positive integer (1 - 203280221) : working...\n\n--> prime(1000) = 7919,  Time : T msec' ] ||
  fail "unexpected output from $plain/nthprime: $answer"

# A scratch parent project that adds this source tree and uses the search library in every
# rounding mode, as a host program may have set it. It sees the public header's folder alone.
parent=build/subproject
rm -rf "$parent"
mkdir -p "$parent/source"
cat >"$parent/source/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.21)
project(parent LANGUAGES CXX)
add_subdirectory("$PWD" nthprime)
add_executable(user user.cpp)
target_link_libraries(user PRIVATE nthprime_search)
EOF
cat >"$parent/source/user.cpp" <<'EOF'
#include <cfenv>
#include <cstdio>
#include <initializer_list>

#include "nth_prime.hpp"

int main() {
  for (const int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
    std::fesetround(mode);
    if (nthprime::nthPrime(1000) != 7919 || nthprime::nthPrime(203185709) != 4292869157u) {
      std::printf("a wrong prime in rounding mode %d\n", mode);
      return 1;
    }
  }
  return 0;
}
EOF
cmake -S "$parent/source" -B "$parent/build" -G "Unix Makefiles" \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$parent/build" -j2
"$parent/build/user" || fail "the parent's program got a wrong answer from nthprime_search"
includes=$(grep -o '"command": "[^"]*user\.cpp[^"]*"' "$parent/build/compile_commands.json" |
  grep -o -- '-I[^ ]*' | sort -u)
[ "$includes" = "-I$PWD/src/prime/include" ] ||
  fail "the parent sees more of nthprime than its public header's folder: $includes"
[ -x "$parent/build/nthprime/nthprime" ] || fail "the parent did not build the program"
grep -qx 'CMAKE_BUILD_TYPE:STRING=' "$parent/build/CMakeCache.txt" ||
  fail "nthprime set the parent's build type"
for file in CPackConfig.cmake DartConfiguration.tcl CTestTestfile.cmake nthprime/CTestTestfile.cmake; do
  [ ! -e "$parent/build/$file" ] || fail "nthprime added tests or packages to the parent: $file"
done
DESTDIR=$PWD/$parent/root cmake --install "$parent/build" >/dev/null
[ ! -e "$parent/root" ] || fail "nthprime added install rules to the parent"
grep -E '^(BUILD_TESTING|NTHPRIME_[A-Z_]*TEST[A-Z_]*|NTHPRIME_FUZZ|NTHPRIME_BUILD_BENCHMARKS):' \
  "$parent/build/CMakeCache.txt" && fail "nthprime added its test options to the parent"
echo "plain build and add_subdirectory checked"
