#!/usr/bin/env bash
# Builds the Debian package and the Windows zip into build/packages and checks them: the same
# bytes from a second build, lintian, the files each holds, the packaged programs, and the
# manual page's rendering and examples.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check-packages: $*" >&2
  exit 1
}

rm -rf build/packages
cmake --preset deb >/dev/null
cmake --build --preset deb
cpack --preset deb
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686
cpack --preset windows-zip

debs=(build/packages/nthprime_*.deb)
zips=(build/packages/nthprime-*-win32.zip)
[ ${#debs[@]} -eq 1 ] && [ ${#zips[@]} -eq 1 ] || fail "expected one .deb and one .zip"
deb=${debs[0]}
zip=${zips[0]}
version=$(dpkg-deb -f "$deb" Version)
ls -l "$deb" "$zip"

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
  cmake --preset deb >/dev/null
  cmake --build --preset deb >/dev/null
  cpack --preset deb >/dev/null
  cmake --preset windows-i686 -DBUILD_TESTING=OFF >/dev/null
  cmake --build --preset windows-i686 >/dev/null
  cpack --preset windows-zip >/dev/null
)
for package in "$deb" "$zip"; do
  cmp "$package" "$copy/$package" || fail "a second build of $package differs"
done
echo "== reproducible"
sha256sum "$deb" "$zip"

echo "== lintian $deb"
lintian --fail-on error "$deb"

echo "== dpkg-deb -c $deb"
dpkg-deb -c "$deb"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$files" = "./usr/bin/nthprime
./usr/share/doc/nthprime/changelog.gz
./usr/share/doc/nthprime/copyright
./usr/share/man/man1/nthprime.1.gz" ] || fail "the .deb holds other files than the program and its documents"

root=$PWD/build/packages/deb-root
dpkg-deb -x "$deb" "$root"
manual=$root/usr/share/man/man1/nthprime.1.gz

# The changelog's latest entry and the manual page's header name the package's version.
gzip -dc "$root/usr/share/doc/nthprime/changelog.gz" >build/packages/changelog
[ "$(dpkg-parsechangelog -l build/packages/changelog -S Version)" = "$version" ] ||
  fail "the changelog's latest entry is not version $version"
[[ $(gzip -dc "$manual") == *$'\n'".TH NTHPRIME 1 "*" \"nthprime $version\" "* ]] ||
  fail "the manual page's .TH line does not name nthprime $version"

# The packaged program answers one query; the time is the only part that may vary.
echo "== echo 1000 | $root/usr/bin/nthprime"
answer=$(echo 1000 | "$root/usr/bin/nthprime"; echo "[exit status $?]")
echo "$answer"
[ "$(sed -E 's/Time : [0-9]+ msec/Time : T msec/' <<<"$answer")" = \
  $'Input a positive integer (1 - 203280221) : working...\n\n--> prime(1000) = 7919,  Time : T msec\n[exit status 0]' ] ||
  fail "unexpected output from the packaged program"

echo "== man -l $manual"
warnings=$({
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manual" >/dev/null
  gzip -dc "$manual" | groff -man -ww -z
} 2>&1)
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
# The examples of the manual page, run with the packaged program, print what the page shows
# (with a time of 0 ms).
rendered=$(MANWIDTH=200 man -l "$manual" 2>/dev/null | sed -E 's/^ +//')
for command in 'echo 12.9 | nthprime' 'echo abc | nthprime; echo $?'; do
  shown=$(PATH="$root/usr/bin:$PATH" bash -c "$command" | sed -E 's/Time : [0-9]+ msec/Time : 0 msec/')
  [[ $rendered == *"\$ $command"$'\n'"$shown"$'\n'* ]] ||
    fail "the manual page's example \"$command\" does not show what it prints:"$'\n'"$shown"
done

echo "== unzip -l $zip"
unzip -l "$zip"
folder=nthprime-$version-win32
[ "$(unzip -Z1 "$zip" | sort)" = "$folder/README.txt"$'\n'"$folder/nthprime.exe" ] ||
  fail "the zip holds other files than $folder/nthprime.exe and $folder/README.txt"
unzip -q -o "$zip" -d build/packages/zip-root
readme=$(<"build/packages/zip-root/$folder/README.txt")
! grep -qv $'\r$' <<<"$readme" || fail "README.txt has a line that does not end with CR LF"
# It quotes the program's result line for 1000 (with a time of 0 ms) and its rejection line.
result=$(sed -n 's/Time : [0-9]* msec/Time : 0 msec/; /^-->/p' <<<"$answer")
rejection=$(echo abc | "$root/usr/bin/nthprime")
for line in "$result" "${rejection#*: }"; do
  [[ $readme == *$'\n'"    $line"$'\r\n'* ]] || fail "README.txt does not quote the line: $line"
done
[[ $(file -b "build/packages/zip-root/$folder/nthprime.exe") == "PE32 executable (console) Intel 80386"* ]] ||
  fail "nthprime.exe is not a 32-bit Windows console program"
echo "packages checked: $deb $zip"
