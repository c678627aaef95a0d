#!/bin/sh
# make-projects.sh OUTDIR
# Generates HTML Help projects with the real tools: OUTDIR/sphinx/gardennotes.hhp from the
# Sphinx sources beside this script (sphinx-build -b htmlhelp), the same in Chinese in
# OUTDIR/sphinx-zh, and OUTDIR/doxygen/html/index.hhp
# from Doxygen over library headers installed on the machine (DOXYGEN_INPUT, by default
# libmspack's and chmlib's). Tool messages go to OUTDIR/*.log.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$1
pictures=$here/../../samples/chapters
rm -rf "$out"
mkdir -p "$out/sphinx-src/pictures" "$out/doxygen"

cp -r "$here/sphinx/." "$out/sphinx-src/"
cp "$pictures/seedling.png" "$out/sphinx-src/pictures/seedling.png"
cp "$pictures/seedling.png" "$out/sphinx-src/pictures/leaf.png"
sphinx-build -q -b htmlhelp "$out/sphinx-src" "$out/sphinx" >"$out/sphinx.log" 2>&1 ||
  { cat "$out/sphinx.log" >&2; exit 1; }
# The same in Chinese: a code page 936 book, whose search indexes each Chinese character.
sphinx-build -q -b htmlhelp -D language=zh_CN "$out/sphinx-src" "$out/sphinx-zh" \
  >"$out/sphinx-zh.log" 2>&1 || { cat "$out/sphinx-zh.log" >&2; exit 1; }

DOXYGEN_INPUT=${DOXYGEN_INPUT:-"/usr/include/mspack.h /usr/include/chm_lib.h"} \
DOXYGEN_OUTPUT=$out/doxygen doxygen "$here/doxygen/Doxyfile" >"$out/doxygen.log" 2>&1 ||
  { cat "$out/doxygen.log" >&2; exit 1; }

for p in "$out/sphinx/gardennotes.hhp" "$out/sphinx-zh/gardennotes.hhp" \
  "$out/doxygen/html/index.hhp"; do
  [ -f "$p" ] || { echo "make-projects: $p was not written" >&2; exit 1; }
done
