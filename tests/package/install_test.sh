#!/bin/sh
# install_test.sh BUILD_DIR VERSION SAMPLE_FOLDER
# `cmake --install` into a temporary root (DESTDIR): exactly the two programs and their manual
# pages land under the prefix, and the installed folivane makes a book with the installed hhc.
set -eu
build=$1 version=$2 sample=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
found=$(cd "$root" && find . -type f | sort | tr '\n' ' ')
expected="./usr/bin/folivane ./usr/bin/hhc ./usr/share/man/man1/folivane.1.gz ./usr/share/man/man1/hhc.1.gz "
[ "$found" = "$expected" ] || fail "installed files: $found"

[ "$("$root/usr/bin/hhc" --version)" = "hhc (Folivane) $version" ] || fail "hhc --version"
for page in hhc folivane; do
  gzip -t "$root/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz is not gzip"
  upper=$(echo "$page" | tr a-z A-Z)
  gzip -dc "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH $upper 1 " || fail "$page.1 has no .TH"
done

# The installed programs work together from where they lie.
cp -r "$sample" "$root/book"
out=$("$root/usr/bin/folivane" "$root/book" sample) || fail "folivane exited $?"
[ "$out" = "$root/book/sample.chm" ] || fail "folivane printed: $out"
[ -s "$root/book/sample.chm" ] || fail "no book"
echo "install_test: ok"
