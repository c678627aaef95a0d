#!/bin/sh
# Reads back, with chmlib's own tools, a book that the end-to-end test had Folivane.exe build:
# the contents, the index, the about page and every chapter named after the book (by default
# those of the first build) must be inside it, byte for byte.
set -e
book="$1"
shift
[ $# -gt 0 ] || set -- 第一章.htm 第二章.htm 附录.txt
chapters="$(dirname "$book")"
[ -s "$book" ] || { echo "no book at $book" >&2; exit 1; }
listing="$(enum_chmLib "$book")"
echo "$listing"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
extract_chmLib "$book" "$out" >/dev/null
for name in chm_hhc.hhc chm_hhk.hhk chm_about.htm "$@"; do
  echo "$listing" | grep -q "[[:space:]]/$name\$" || { echo "missing /$name" >&2; exit 1; }
  cmp "$chapters/$name" "$out/$name" || { echo "/$name differs from the file built from" >&2; exit 1; }
done
