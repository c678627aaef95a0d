#!/usr/bin/python3
"""check_book.py HHC PROJECT.hhp [--allow REGEX]... [--search WORD]...

Compiles a project written by a real tool with our hhc and checks the book with chmlib
(python3-chm): the compile succeeds with no error; every file the project lists, every file its
sitemaps name and every local file its pages and style sheets link to (followed from page to
page) is in the book with the bytes it has on disk; each link to a file that is not there is one
warning naming the page and the line, found here independently; the summary line counts the
stored files; any other warning matches one of the allowed patterns. Each --search WORD
finds, through python3-chm's search of the book's full-text index, exactly the stored pages
whose text (outside tags, scripts and styles) holds WORD as a word, or none if it is on the
project's stop list.
"""
import argparse
import html
import os
import re
import subprocess
import sys
import urllib.parse

from chm import chm as chmfile
from chm import chmlib

# A reference inside a tag, or a url( ) of a style sheet or style element or attribute.
ATTRIBUTE = re.compile(rb'<[^<>]*?(?<![\w-])(?:src|href|background)\s*=\s*'
                       rb'("[^"]*"|\'[^\']*\'|[^\s>"\']+)', re.I | re.S)
CSS_URL = re.compile(rb'url\(\s*("[^"]*"|\'[^\']*\'|[^)]*?)\s*\)', re.I)
CODE_PAGE = 'cp1252'
SITEMAP_LOCAL = re.compile(rb'<param\s+name\s*=\s*"Local"\s+value\s*=\s*"([^"]*)"', re.I)


def fail(message):
    print('check_book: ' + message, file=sys.stderr)
    sys.exit(1)


def unquote(value):
    value = value.strip()
    if value[:1] in (b'"', b"'"):
        value = value[1:-1]
    return html.unescape(value.strip().decode('utf-8', 'replace'))


def resolve(page, ref):
    """The stored name a local reference stands for, or None (web, anchor, outside)."""
    ref = re.split(r'[#?]', ref)[0]
    if not ref or ':' in ref or ref[0] in '/\\':
        return None
    path = os.path.normpath(os.path.join(os.path.dirname(page), urllib.parse.unquote(ref)))
    return None if path.startswith('..') else path.replace(os.sep, '/')


def code_page(path):
    """The project's ANSI code page, from its Language (the two the tests use)."""
    found = re.search(rb'^\s*Language\s*=\s*(0x[0-9a-fA-F]+|\d+)', open(path, 'rb').read(), re.M)
    return 'gbk' if found and int(found.group(1), 0) == 0x804 else 'cp1252'


def project(path):
    options, files, section = {}, [], None
    for line in open(path, encoding=CODE_PAGE).read().splitlines():
        line = line.strip()
        if line.startswith('[') and line.endswith(']'):
            section = line[1:-1].upper()
        elif line and section == 'OPTIONS' and '=' in line:
            key, value = line.split('=', 1)
            options[key.strip().lower()] = value.strip()
        elif line and section == 'FILES':
            files.append(line.replace('\\', '/'))
    return options, files


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('hhc')
    parser.add_argument('hhp')
    parser.add_argument('--allow', action='append', default=[])
    parser.add_argument('--search', action='append', default=[])
    args = parser.parse_args()
    hhc, hhp, allowed = args.hhc, args.hhp, [re.compile(a) for a in args.allow]
    global CODE_PAGE
    CODE_PAGE = code_page(hhp)
    root = os.path.dirname(os.path.abspath(hhp))
    run = subprocess.run([hhc, hhp], capture_output=True, text=True)
    if run.returncode != 0 or 'hhc: error' in run.stderr:
        fail('hhc exited %d:\n%s' % (run.returncode, run.stderr))
    options, listed = project(hhp)

    # The files that must be stored, and the dead links, found from the project outward.
    wanted, dead, queue = set(), set(), list(listed)
    for key in ('contents file', 'index file', 'default topic'):
        if options.get(key):
            queue.append(options[key])
    for key in ('contents file', 'index file'):
        if options.get(key):
            text = open(os.path.join(root, options[key]), 'rb').read()
            queue += [html.unescape(v.decode(CODE_PAGE)) for v in SITEMAP_LOCAL.findall(text)]
    while queue:
        name = queue.pop()
        name = resolve('', name) if name else None
        if not name or name in wanted or not os.path.isfile(os.path.join(root, name)):
            continue
        wanted.add(name)
        if not re.search(r'\.(html?|css)$', name, re.I):
            continue
        text = open(os.path.join(root, name), 'rb').read()
        found = [(m.start(1), m.group(1)) for m in ATTRIBUTE.finditer(text)]
        if name.lower().endswith('.css') or b'url(' in text:
            found += [(m.start(1), m.group(1)) for m in CSS_URL.finditer(text)
                      if name.lower().endswith('.css') or in_style(text, m.start())]
        for offset, raw in found:
            ref = unquote(raw)
            target = resolve(name, ref)
            if target is None:
                continue
            if os.path.isfile(os.path.join(root, target)):
                queue.append(target)
            else:
                line = text.count(b'\n', 0, offset) + 1
                dead.add('%s:%d: links to a missing file \'%s\'' % (name, line, ref))

    book_path = os.path.join(root, options.get('compiled file') or
                             os.path.splitext(os.path.basename(hhp))[0] + '.chm')
    book = chmlib.chm_open(book_path.encode())
    if not book:
        fail('chmlib cannot open ' + book_path)
    for name in sorted(wanted):
        status, unit = chmlib.chm_resolve_object(book, ('/' + name).encode())
        if status != chmlib.CHM_RESOLVE_SUCCESS:
            fail('%s is not in the book' % name)
        size, data = chmlib.chm_retrieve_object(book, unit, 0, unit.length)
        if data != open(os.path.join(root, name), 'rb').read():
            fail('%s differs in the book' % name)
    chmlib.chm_close(book)

    warned = set()
    for line in run.stderr.splitlines():
        text = line[len('hhc: warning: '):]
        if 'links to a missing file' in text:
            warned.add(text)
        elif not any(a.search(text) for a in allowed):
            fail('unexpected warning: ' + line)
    if warned != dead:
        fail('dead links warned %s, found %s' % (sorted(warned - dead), sorted(dead - warned)))
    summary = re.match(r'hhc: (.+): (\d+) topics, (\d+) files, ', run.stdout)
    if not summary or int(summary.group(3)) != len(wanted):
        fail('summary %r, %d files expected' % (run.stdout, len(wanted)))
    for word in args.search:
        check_search(book_path, root, options, wanted, word)
    print('check_book: %s: %d files stored as on disk, %d dead links warned, %d words searched'
          % (os.path.basename(book_path), len(wanted), len(dead), len(args.search)))


def holds_word(data, word):
    """Whether the page's text holds `word`: a whole word of letters and digits, or for a
    Chinese character (indexed one by one) the character anywhere."""
    if word.isascii():
        return word.lower() in page_words(data)
    return word in page_text(data)


def page_charset(data):
    """The charset a page declares (Sphinx writes a Chinese book's pages in GBK), else the
    project's code page."""
    declared = re.search(rb'charset=["\']?([\w-]+)', data[:4096], re.I)
    charset = declared.group(1).decode().lower() if declared else CODE_PAGE
    return 'gbk' if charset in ('gb2312', 'cp936') else charset


def page_text(data):
    text = re.sub(rb'<(script|style)\b.*?</\1\s*>', b' ', data, flags=re.I | re.S)
    return html.unescape(re.sub(rb'<[^>]*>', b' ', text).decode(page_charset(data), 'replace'))


def page_words(data):
    return set(w.lower() for w in re.findall(r'[A-Za-z0-9_]+', page_text(data)))


def check_search(book_path, root, options, stored, word):
    stop_file = options.get('full text search stop list file')
    stop = set()
    if stop_file:
        stop = set(open(os.path.join(root, stop_file), encoding=CODE_PAGE).read().lower().split())
    expected = set()
    if word.lower() not in stop:
        expected = {name for name in stored if re.search(r'\.html?$', name, re.I) and
                    holds_word(open(os.path.join(root, name), 'rb').read(), word)}
    book = chmfile.CHMFile()
    if not book.LoadCHM(book_path.encode()) or not book.IsSearchable():
        fail('python3-chm finds no search index in ' + book_path)
    _, found = book.Search(word.encode(CODE_PAGE), 1, 0)
    book.CloseCHM()
    # The reader keys its results by title, so of pages that share a title only one comes back.
    urls = {url.decode(CODE_PAGE).lstrip('/') for url in found.values()}
    titles = {title.decode(CODE_PAGE) for title in found}
    missed = {name for name in expected if page_title(os.path.join(root, name)) not in titles}
    if not urls <= expected or missed:
        fail('search for %r found %s, the page texts %s' % (word, sorted(urls), sorted(expected)))


def page_title(path):
    data = open(path, 'rb').read()
    found = re.search(rb'<title>(.*?)</title>', data, re.I | re.S)
    title = found.group(1).decode(page_charset(data), 'replace') if found else ''
    title = html.unescape(title.strip())
    return title.encode(CODE_PAGE, 'replace').decode(CODE_PAGE)


def in_style(text, offset):
    """Whether `offset` lies in a style element or inside a tag (a style attribute)."""
    before = text[:offset].lower()
    return before.rfind(b'<style') > before.rfind(b'</style') or \
        before.rfind(b'<') > before.rfind(b'>')


if __name__ == '__main__':
    main()
