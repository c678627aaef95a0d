#!/bin/sh
# Reads back, with chmlib's own tools, every book that hhc.exe runs started together left under
# Wine: each must hold both chapters byte for byte.
set -e
dir="$1"
found=0
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
for book in "$dir"/*.chm; do
  [ -s "$book" ] || { echo "no books in $dir" >&2; exit 1; }
  found=$((found + 1))
  rm -rf "$out"/*
  extract_chmLib "$book" "$out" >/dev/null
  for name in a.htm b.htm chm_hhc.hhc; do
    [ -f "$out/$name" ] || { echo "$book: missing /$name" >&2; exit 1; }
  done
  for name in a.htm b.htm; do
    cmp "$dir/$name" "$out/$name" || { echo "$book: /$name differs" >&2; exit 1; }
  done
done
echo "$found books read back whole"
[ "$found" -eq 6 ]
