#!/bin/sh
# Builds the readers' fuzz target with clang and runs it for a bounded time (default 25 s)
# on a copy of the seed corpus. Usage: tests/hhc/fuzz/run-fuzz.sh [SECONDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
seconds=${1:-25}
out=${FUZZ_OUT:-$root/build/fuzz}
mkdir -p "$out/corpus"
# Every portable file of the text module and the codec, so that a new one needs no edit here.
text_sources=$(ls "$root"/text/*.cpp | grep -v '_win\.cpp$')
# shellcheck disable=SC2086
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" "$here/readers_fuzz.cpp" \
  "$root/hhc/project.cpp" "$root/help/window_def.cpp" "$root/hhc/sitemap.cpp" \
  "$root/hhc/link_scan.cpp" "$root/hhc/page_text.cpp" "$root"/help/fulltext_*.cpp \
  "$root/help/keyword_index.cpp" "$root/help/search_objects.cpp" "$root/itsf/error.cpp" \
  $text_sources "$root"/lzx/*.cpp "$root/itsf/self_check.cpp" \
  "$root/itsf/directory.cpp" "$root/itsf/container.cpp" -o "$out/readers_fuzz"
cp -f "$here"/corpus/* "$out/corpus/"
"$out/readers_fuzz" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=1024 \
  -print_final_stats=1 "$out/corpus" 2>"$out/fuzz.log" || { tail -40 "$out/fuzz.log"; exit 1; }
grep -E "stat::number_of_executed_units|Done" "$out/fuzz.log" | tail -2
