#!/bin/bash
# The Windows build of the book builder, run under Wine with code page 936, must write the same
# bytes as the Linux command for every folder.
# usage: same_files_as_native.sh NATIVE_FOLIVANE WINDOWS_BUILDER SAMPLE_FOLDER
set -euo pipefail
native=$1 windows=$2 sample=$3
if [ ! -x "$native" ]; then
  echo "the native folivane is not built: $native (build the native preset first)" >&2
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/folivane-same.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

gbk() { iconv -f UTF-8 -t GBK; }

# Folders that exercise the title rules, names and encodings.
mkdir "$work/sample" "$work/titles" "$work/names" "$work/order" "$work/encodings" "$work/empty"
cp -r "$sample/." "$work/sample/"
# Chapters in UTF-8, UTF-16, GBK, Big5 and web archives, as editors and browsers write them.
cp -r "$(dirname "$0")/encodings/." "$work/encodings/"
t=$work/titles
printf '<HTML>\r\n<TITLE>Upper Case Title</TITLE>\r\n' > "$t/01.htm"
printf '<title>spans\r\nlines</title>' > "$t/02.htm"
printf '<title></title>' > "$t/03.htm"
printf '<title>one<title>two</title>' > "$t/04.htm"
printf '<title lang="x">no</title>\r\n<title>Yes</title>' > "$t/05.htm"
printf 'a\rb\r<title>CR Only</title>\rc' > "$t/06.htm"
printf 'a\nb\n<title>LF Only</title>\n' > "$t/07.htm"
printf 'x\r\n<title>No End' > "$t/08.htm"
printf '<title>淮河ＡＢＣ ΑΒΓ Ⅳ &amp; 章</title>\r\n' | gbk > "$t/09.htm"
printf '<title>UTF-8 第一章 Ünï</title>\r\n' > "$t/10.htm"
printf 'no title at all\r\n' > "$t/11.txt"
: > "$t/12.mht"
n=$work/names
for f in '第一章.htm' 'b c.HTM' 'A&B.txt' 'Zed.mht' 'zed.htm' '序言 01.html' 'x.htm.bak' 'ignored.png' 'notes.txt1'; do
  printf '<title>%s</title>' "$f" | gbk > "$n/$f"
done

o=$work/order
for f in '第1章.txt' '第2章.txt' '第10章.txt' '第０３章.txt' '第十一章.htm' '第二十章.htm' \
         '第一百零一章.htm' '第01章.txt' 'a10.htm' 'a9.htm' 'A-1.htm' '万一.txt'; do
  printf 'x' > "$o/$f"
done

# A name the code page cannot carry: both builds write "??" for the character.
printf 'no title' > "$n/smile 😀.htm"

status=0
for folder in sample titles names order encodings empty; do
  cp -r "$work/$folder" "$work/$folder-native"
  cp -r "$work/$folder" "$work/$folder-windows"
  set +e
  "$native" "$work/$folder-native" "书名 Book" --no-compile >/dev/null 2>"$work/native.err"
  native_status=$?
  wine "$windows" "Z:$(echo "$work/$folder-windows" | tr / '\\')" "书名 Book" >/dev/null 2>"$work/windows.err"
  windows_status=$?
  set -e
  if [ "$native_status" != "$windows_status" ]; then
    echo "$folder: exit status $native_status (native) and $windows_status (Windows)" >&2
    cat "$work/native.err" "$work/windows.err" >&2
    status=1
  fi
  for f in chm_hhc.hhc chm_hhk.hhk chm_hhp.hhp chm_about.htm; do
    a=$work/$folder-native/$f b=$work/$folder-windows/$f
    if [ "$folder" != empty ] && { [ ! -e "$a" ] || [ ! -e "$b" ]; }; then
      echo "$folder/$f was not written by both builds" >&2; status=1
    elif [ -e "$a" ] || [ -e "$b" ]; then
      if ! cmp -s "$a" "$b"; then
        echo "$folder/$f differs between the native and the Windows build:" >&2
        diff <(iconv -f GBK -t UTF-8 "$a") <(iconv -f GBK -t UTF-8 "$b") >&2 || true
        status=1
      fi
    fi
  done
  if [ "$folder" = empty ] && [ -n "$(ls "$work/empty-windows")" ]; then
    echo "an empty folder got files" >&2; status=1
  fi
done
[ $status -eq 0 ] && echo "all folders byte-identical"
exit $status
