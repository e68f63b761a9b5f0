#!/usr/bin/env bash
# Checks the documents: README.md has at most 150 lines and both set-up commands, each on a line
# of its own inside a code block, in its first 40; it links every page of docs/ and shows the
# speed table of docs/performance.md as it is there; every relative link of README.md and
# docs/*.md leads to a file, and to a heading of it where the link names one; and the Debian
# package's copyright file and the manual page name LICENSE's copyright holder, and the copyright
# file carries its text.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
fail() {
  echo "check-docs: $*" >&2
  status=1
}

lines=$(wc -l <README.md)
[ "$lines" -le 150 ] || fail "README.md has $lines lines, more than 150"

# The lines of code blocks among the first 40 lines of README.md.
code=$(head -n 40 README.md | awk '/^```/ { inside = !inside; next } inside')
for command in \
  'cmake --preset program && cmake --build --preset program && ./build/program/nthprime' \
  'bash scripts/test-all.sh'; do
  grep -qxF -- "$command" <<<"$code" || fail "README.md has no code block with '$command' in its first 40 lines"
done

for page in docs/*.md; do
  grep -qF "]($page)" README.md || fail "README.md does not link $page"
done

# The speed table that bench/compare.sh wrote stands in README.md exactly as in
# docs/performance.md, one run's figures in both.
speed_table() {
  sed -n '/^<!-- bench\/compare.sh: begin -->$/,/^<!-- bench\/compare.sh: end -->$/p' "$1"
}
readme_table=$(speed_table README.md)
[ -n "$readme_table" ] || fail "README.md has no table written by bench/compare.sh"
[ "$readme_table" = "$(speed_table docs/performance.md)" ] ||
  fail "README.md's speed table is not the one of docs/performance.md"

# A heading's anchor as the Markdown renderers make it: lower case, punctuation dropped, blanks
# turned into hyphens.
anchors() {
  sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$1" | tr '[:upper:]' '[:lower:]' |
    sed -e 's/[^a-z0-9 _-]//g' -e 's/ /-/g'
}

for file in README.md docs/*.md; do
  dir=$(dirname "$file")
  while IFS= read -r target; do
    case $target in
      *://* | mailto:*) continue ;;
    esac
    path=${target%%#*}
    anchor=
    [[ $target == *#* ]] && anchor=${target#*#}
    resolved=$file
    [ -z "$path" ] || resolved=$dir/$path
    if [ ! -e "$resolved" ]; then
      fail "$file links $target, which does not exist"
    elif [ -n "$anchor" ] && ! anchors "$resolved" | grep -qxF -- "$anchor"; then
      fail "$file links $target: $resolved has no heading with the anchor #$anchor"
    fi
  done < <(grep -o '](\([^) ]*\))' "$file" | sed 's/^](\(.*\))$/\1/')
done

# packaging/deb/copyright: the holder of LICENSE's copyright line, and LICENSE's text after it in
# the copyright file's last License paragraph (each line indented by a blank, an empty one " .").
# The manual page's COPYRIGHT section names the same holder.
holder=$(sed -n 's/^Copyright (c) //p' LICENSE)
grep -qxF "Copyright $holder." docs/nthprime.1 ||
  fail "docs/nthprime.1 has no line 'Copyright $holder.'"
copyright=$(sed -n 's/^Copyright: //p' packaging/deb/copyright)
[[ -n $holder && ($copyright == "$holder" || $copyright == "$holder <"*) ]] ||
  fail "packaging/deb/copyright names '$copyright', not LICENSE's holder '$holder'"
license_text=$(sed '1,/^Copyright (c) /d' LICENSE | sed '1{/^$/d}')
packaged_text=$(awk '/^License: / { text = ""; inside = 1; next }
  inside && /^ / { line = substr($0, 2); text = text (line == "." ? "" : line) "\n"; next }
  { inside = 0 }
  END { printf "%s", text }' packaging/deb/copyright)
[ "$packaged_text" = "$license_text" ] ||
  fail "packaging/deb/copyright does not carry the text of LICENSE"

[ "$status" -eq 0 ] && echo "check-docs: README.md ($lines lines) and docs/ are in order"
exit "$status"
