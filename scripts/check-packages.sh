#!/usr/bin/env bash
# Builds the Debian packages (this machine's, and the other architectures' cross-built) and the
# Windows zip into build/packages and checks them: the same bytes from a second build, lintian,
# the files each holds, their license, the packaged programs (each under its qemu), and the
# manual page's rendering and examples.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check-packages: $*" >&2
  exit 1
}

# The Debian packages, one a line: the preset that configures, builds and packages it, its
# architecture, and the command that runs its program here (the cross-built ones are static,
# so qemu-user needs no -L).
deb_packages=(
  "deb $(dpkg --print-architecture)"
  "deb-arm64 arm64 qemu-aarch64"
  "deb-armhf armhf qemu-arm"
  "deb-i386 i386 qemu-i386"
  "deb-ppc64el ppc64el qemu-ppc64le"
  "deb-s390x s390x qemu-s390x"
  "deb-riscv64 riscv64 qemu-riscv64"
)

# Builds every package into build/packages (the Windows program with the cmake options given).
build_packages() {
  local row preset
  for row in "${deb_packages[@]}"; do
    read -r preset _ <<<"$row"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    cpack --preset "$preset"
  done
  cmake --preset windows-i686 "$@" >/dev/null
  cmake --build --preset windows-i686
  cpack --preset windows-zip
}

rm -rf build/packages
build_packages

debs=(build/packages/nthprime_*.deb)
zips=(build/packages/nthprime-*-win32.zip)
[[ ${#debs[@]} -eq ${#deb_packages[@]} && ${#zips[@]} -eq 1 ]] ||
  fail "expected ${#deb_packages[@]} .debs and one .zip"
zip=${zips[0]}
ls -l "${debs[@]}" "$zip"

# Reproducible: a copy of the tree at another path, with new file times, gives the same bytes
# from fresh build folders, later and in another time zone (the Windows program built without
# its tests this time).
copy=$PWD/build/reproducible/nthprime
rm -rf "$copy"
mkdir -p "$copy"
tar --exclude=./build -cf - . | tar -xmf - -C "$copy"
(
  cd "$copy"
  export TZ=XYZ-5
  build_packages -DBUILD_TESTING=OFF >/dev/null
)
for package in "${debs[@]}" "$zip"; do
  cmp "$package" "$copy/$package" || fail "a second build of $package differs"
done
echo "== reproducible"
sha256sum "${debs[@]}" "$zip"

# Checks the Debian package of one architecture: lintian, its name, files and dependencies,
# its copyright file, the versions its documents name, its program on one query and the manual
# page's examples. The program runs under the command given after the architecture, if any.
check_deb() {
  local arch=$1
  shift
  local candidates=(build/packages/nthprime_*_"$arch".deb)
  [[ ${#candidates[@]} -eq 1 && -f ${candidates[0]} ]] || fail "no .deb for $arch"
  local deb=${candidates[0]}
  local version
  version=$(dpkg-deb -f "$deb" Version)
  [ "$(basename "$deb")" = "nthprime_${version}_$(dpkg-deb -f "$deb" Architecture).deb" ] ||
    fail "$deb does not carry its version and architecture in its name"

  echo "== lintian $deb"
  lintian --fail-on error "$deb"

  local root=$PWD/build/packages/deb-root/$arch
  mkdir -p "$root"
  dpkg-deb -x "$deb" "$root"
  local program=$root/usr/bin/nthprime
  local manual=$root/usr/share/man/man1/nthprime.1.gz
  local kind
  kind=$(file -b "$program")
  echo "== file $program"
  echo "$kind"
  [[ $kind == *", stripped"* ]] || fail "the program of $deb is not stripped"

  echo "== dpkg-deb -c $deb"
  dpkg-deb -c "$deb"
  local expected="./usr/bin/nthprime
./usr/share/doc/nthprime/changelog.gz
./usr/share/doc/nthprime/copyright
./usr/share/man/man1/nthprime.1.gz"
  # A statically linked program needs no library, so its package depends on nothing, and it
  # holds lintian's override that says why the program is static.
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: ${depends:-none}"
  if [[ $kind == *"statically linked"* ]]; then
    [ -z "$depends" ] || fail "$deb depends on $depends for a statically linked program"
    expected+=$'\n'./usr/share/lintian/overrides/nthprime
  else
    [ -n "$depends" ] || fail "$deb names none of the libraries its program is linked with"
  fi
  [ "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)" = "$(sort <<<"$expected")" ] ||
    fail "$deb holds other files than the program and its documents"

  # The copyright file is the project's, under the MIT License, with the license's text (which
  # scripts/check-docs.sh holds equal to LICENSE).
  local copyright=$root/usr/share/doc/nthprime/copyright
  grep -qx 'License: MIT' "$copyright" || fail "the copyright file of $deb names no MIT License"
  cmp "$copyright" packaging/deb/copyright ||
    fail "the copyright file of $deb is not packaging/deb/copyright"

  # The changelog's latest entry and the manual page's header name the package's version.
  gzip -dc "$root/usr/share/doc/nthprime/changelog.gz" >"$root.changelog"
  [ "$(dpkg-parsechangelog -l "$root.changelog" -S Version)" = "$version" ] ||
    fail "the changelog's latest entry is not version $version"
  [[ $(gzip -dc "$manual") == *$'\n'".TH NTHPRIME 1 "*" \"nthprime $version\" "* ]] ||
    fail "the manual page's .TH line does not name nthprime $version"

  # The manual page's examples run `nthprime`: found in PATH, it starts the packaged program.
  local bin=$PWD/build/packages/deb-bin/$arch
  mkdir -p "$bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$(printf '%q ' "$@" "$program")" >"$bin/nthprime"
  chmod +x "$bin/nthprime"

  # The packaged program answers one query; the time is the only part that may vary.
  echo "== echo 1000 | ${*:+$* }$program"
  local answer
  answer=$(echo 1000 | "$bin/nthprime"; echo "[exit status $?]")
  echo "$answer"
  [ "$(sed -E 's/Time : [0-9]+ msec/Time : T msec/' <<<"$answer")" = \
    $'Input a positive integer (1 - 203280221) : working...\n\n--> prime(1000) = 7919,  Time : T msec\n[exit status 0]' ] ||
    fail "unexpected output from the program of $deb"

  echo "== man -l $manual"
  local warnings
  warnings=$({
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manual" >/dev/null
    gzip -dc "$manual" | groff -man -ww -z
  } 2>&1)
  [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
  # The examples of the manual page, run with the packaged program, print what the page shows
  # (with a time of 0 ms).
  local rendered command shown
  rendered=$(MANWIDTH=200 man -l "$manual" 2>/dev/null | sed -E 's/^ +//')
  for command in 'echo 12.9 | nthprime' 'echo abc | nthprime; echo $?'; do
    shown=$(PATH="$bin:$PATH" bash -c "$command" | sed -E 's/Time : [0-9]+ msec/Time : 0 msec/')
    [[ $rendered == *"\$ $command"$'\n'"$shown"$'\n'* ]] ||
      fail "the manual page's example \"$command\" does not show what it prints:"$'\n'"$shown"
  done
}

for row in "${deb_packages[@]}"; do
  read -r -a fields <<<"$row"
  check_deb "${fields[@]:1}"
done
# This machine's own package runs the program the zip's README quotes.
native=build/packages/deb-bin/$(dpkg --print-architecture)/nthprime
version=$(dpkg-deb -f "${debs[0]}" Version)
answer=$(echo 1000 | "$native")

echo "== unzip -l $zip"
unzip -l "$zip"
folder=nthprime-$version-win32
zipped=("$folder/LICENSE.txt" "$folder/README.txt" "$folder/nthprime.exe")
[ "$(unzip -Z1 "$zip" | LC_ALL=C sort)" = "$(printf '%s\n' "${zipped[@]}" | LC_ALL=C sort)" ] ||
  fail "the zip holds other files than $folder/nthprime.exe, README.txt and LICENSE.txt"
unzip -q -o "$zip" -d build/packages/zip-root
readme=$(<"build/packages/zip-root/$folder/README.txt")
! grep -qv $'\r$' <<<"$readme" || fail "README.txt has a line that does not end with CR LF"
# LICENSE.txt is LICENSE with CR LF, and README.txt names it and the license.
cmp "build/packages/zip-root/$folder/LICENSE.txt" <(sed 's/$/\r/' LICENSE) ||
  fail "LICENSE.txt in the zip is not LICENSE with CR LF line ends"
[[ $readme == *"MIT License"* && $readme == *"LICENSE.txt"* ]] ||
  fail "README.txt does not name the MIT License and LICENSE.txt"
# It quotes the program's result line for 1000 (with a time of 0 ms) and its rejection line.
result=$(sed -n 's/Time : [0-9]* msec/Time : 0 msec/; /^-->/p' <<<"$answer")
rejection=$(echo abc | "$native")
for line in "$result" "${rejection#*: }"; do
  [[ $readme == *$'\n'"    $line"$'\r\n'* ]] || fail "README.txt does not quote the line: $line"
done
[[ $(file -b "build/packages/zip-root/$folder/nthprime.exe") == "PE32 executable (console) Intel 80386"* ]] ||
  fail "nthprime.exe is not a 32-bit Windows console program"
echo "packages checked: ${debs[*]} $zip"
