#!/usr/bin/python3
"""Full-text search of our books read back by python3-chm (Debian's pychm), whose search walks
$FIftiMain, #TOPICS, #URLTBL and #URLSTR on its own.

1. Projects in code pages 1252 and 936 (English, digits, Chinese, a UTF-8 page, a stop list,
   scripts, styles and comments): for every word of the pages, every stop word and some
   prefixes, the search finds exactly the pages whose text (read here by Python's own HTML
   parser) has a matching word.
2. The reference books made by Microsoft's compiler, rebuilt from their own files: the search
   finds the same topics in our book as in Microsoft's, for every word Microsoft indexed, but
   for the differences listed in KNOWN_DIFFERENCES; $OBJINST is Microsoft's byte for byte; with
   search off the book lists an empty $FIftiMain and the same $OBJINST without the stop list.
3. On the same rebuilt books, the binary keyword index ($WWKeywordLinks/*) is Microsoft's byte for
   byte but for two things: topic numbers (our #TOPICS lists the pages in another order, so ours
   are mapped to Microsoft's through their URLs), and the unused tail of each 2048-byte block,
   where Microsoft's compiler leaves bytes of earlier blocks and we write zeros. #SYSTEM has the
   index file's key (code 7) and the keyword-links flag as Microsoft's.

usage: fulltext_search_test.py HHC [REFERENCE_FOLDER]
"""
import html.parser
import os
import random
import resource
import re
import shutil
import struct
import subprocess
import sys
import tempfile

import chm.chm

HHC = sys.argv[1]
# The reference books' folder comes from the build (FOLIVANE_REFERENCE_DIR); without one, the
# comparisons with Microsoft's books are skipped.
REFERENCE = sys.argv[2] if len(sys.argv) > 2 else ''
failures = []


def fail(message):
    failures.append(message)
    print('FAIL: ' + message)


class PageText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.title, self.body, self.skip, self.in_title = [], [], 0, False

    def handle_starttag(self, tag, attrs):
        self.skip += tag in ('script', 'style')
        self.in_title = self.in_title or tag == 'title'
        self.body.append(' ')

    def handle_endtag(self, tag):
        self.skip -= self.skip > 0 and tag in ('script', 'style')
        self.in_title = self.in_title and tag != 'title'
        self.body.append(' ')

    def handle_data(self, data):
        if not self.skip:
            (self.title if self.in_title else self.body).append(data)


def words_of(text, codec):
    """The words a reader would search for: letters, digits and '_' runs, a digit-led run going
    on over dots; in a double-byte code page every double-byte character alone."""
    out = []
    for m in re.finditer(r'[0-9][\w]*(?:\.+\w+)*|\w+|[^\w\s]', text.lower()):
        token = m.group()
        pieces = []
        for ch in token:
            try:
                b = ch.encode(codec)
            except UnicodeEncodeError:  # a character the book's code page lacks: left out
                b = None
            if b is None:
                pieces.append(None)
            elif len(b) == 2:
                pieces += [None, b]
            elif ch.isalnum() or ch in '_.':
                pieces.append(b)
            else:
                pieces.append(None)
        word = b''
        for p in pieces + [None]:
            if p is None or len(p) == 2:
                if word:
                    out.append(word)
                word = b''
                if p:
                    out.append(p)
            else:
                word += p
    return [w.strip(b'.') if not w[:1].isdigit() else w.rstrip(b'.') for w in out if w.strip(b'.')]


def page_encoding(data, codec):
    """A page's encoding: its byte-order mark, its declared charset, or the book's code page."""
    if data.startswith((b'\xff\xfe', b'\xfe\xff')):
        return 'utf-16'
    declared = re.search(rb'charset=["\']?([\w-]+)', data.lower())
    if data.startswith(b'\xef\xbb\xbf') or not declared:
        return 'utf-8' if data.startswith(b'\xef\xbb\xbf') else codec
    return declared.group(1).decode()


def page_words(data, codec):
    parser = PageText()
    parser.feed(data.decode(page_encoding(data, codec), errors='replace').lstrip('\ufeff'))
    return set(words_of(''.join(parser.title), codec)) | set(words_of(''.join(parser.body), codec))


opened = {}


def search(book, word, whole):
    if book not in opened:
        opened[book] = chm.chm.CHMFile()
        assert opened[book].LoadCHM(book), book
    ok, found = opened[book].Search(word, whole, 0)
    return found if ok else {}


def compile_project(hhp):
    run = subprocess.run([HHC, hhp], capture_output=True)
    if run.returncode != 0:
        fail('%s: hhc failed: %s' % (hhp, run.stderr.decode(errors='replace')))
    return run.stderr.decode(errors='replace')


def write_project(folder, codec, lcid, pages, stop_words):
    os.makedirs(folder)
    for name, data in pages.items():
        open(os.path.join(folder, name), 'wb').write(data)
    open(os.path.join(folder, 'stop.stp'), 'wb').write('\r\n'.join(stop_words).encode(codec))
    hhp = ('[OPTIONS]\r\nCompiled file=book.chm\r\nFull-text search=Yes\r\n'
           'Full text search stop list file=stop.stp\r\nLanguage=%s\r\nTitle=Book\r\n\r\n'
           '[FILES]\r\n' % lcid + '\r\n'.join(pages) + '\r\n')
    open(os.path.join(folder, 'book.hhp'), 'wb').write(hhp.encode(codec))
    compile_project(os.path.join(folder, 'book.hhp'))
    return os.path.join(folder, 'book.chm')


def check_against_texts(label, book, pages, codec, stop_words, extra_queries):
    stops = {w.encode(codec) for w in stop_words}
    words = {name: page_words(data, codec) - stops for name, data in pages.items()}
    queries = set().union(*words.values()) | stops | set(extra_queries)
    for q in sorted(queries):
        expected = {n for n, ws in words.items() if any(w.startswith(q) for w in ws)}
        got = set(v.decode(codec) for v in search(book, q, 0).values())
        if got != expected:
            fail('%s: %r finds %s, the page texts have it in %s' %
                 (label, q, sorted(got), sorted(expected)))
    print('%s: %d searches' % (label, len(queries)))


def english_and_chinese(tmp):
    rng = random.Random(7)
    letters = 'abcdefghijklmnopqrstuvwxyz'
    vocabulary = sorted({''.join(rng.choice(letters) for _ in range(rng.randint(3, 12)))
                         for _ in range(4000)})
    pages = {
        'intro.htm': b'<html><head><title>Intro Page</title><style>p { stylword: 1 }</style>'
                     b'<script>var scriptword = "<p>";</script></head><body>'
                     b'<p class="x>y">The quick brown fox, version 1.2.3 of 2024; see file_name.'
                     b'</p><!-- commentword --><p>Caf&eacute; &amp; na&#239;ve, r&#xE9;sum&eacute;'
                     b' fox.</p></body></html>',
        'digits.htm': b'<html><head><title>Numbers</title></head><body>10 100 1000 0.5 2.0.1 '
                      b'0..maxint 42nd the and quick</body></html>',
        'title_only.htm': b'<html><head><title>Lonely Titleword</title></head><body>'
                          b'Nothing here but the body.</body></html>',
    }
    for k in range(6):
        chosen = rng.sample(vocabulary, 900)
        pages['bulk%d.htm' % k] = ('<html><head><title>Bulk %d</title></head><body><p>%s</p>'
                                   '</body></html>' % (k, ' '.join(chosen))).encode()
    stops = ['the', 'and', 'of']
    book = write_project(os.path.join(tmp, 'en'), 'cp1252', '0x409 English', pages, stops)
    check_against_texts('cp1252', book, pages, 'cp1252', stops,
                        [b'qu', b'1.2', b'ti', b'absentword', b'z'])

    gbk = lambda s: s.encode('gbk')
    pages = {
        'a.htm': gbk('<html><head><title>模板标签</title></head><body><p>模板引擎支持标签、'
                     '条件判断和循环。API 接口 v2.1 返回 JSON 数据！</p></body></html>'),
        'b.htm': gbk('<html><head><title>数据库配置</title></head><body>数据库连接：MySQL '
                     '和 SQLite；配置文件 config.php 在根目录。</body></html>'),
        'u.htm': '<html><head><meta charset="utf-8"><title>统一编码页</title></head><body>'
                 '这一页以 UTF-8 保存，搜索依然找到它。模板</body></html>'.encode('utf-8'),
    }
    stops = ['的', 'and']
    book = write_project(os.path.join(tmp, 'zh'), 'gbk', '0x804 Chinese', pages, stops)
    check_against_texts('cp936', book, pages, 'gbk', stops, [gbk('模板'), gbk('数据库')])


def other_encodings(tmp):
    """Pages in UTF-16 or in a code page other than the book's: the search finds their words in
    the book's code page; what the code page lacks is not indexed. Every page has a title of its
    own, since python3-chm's search answers by title."""
    books = [
        ('cp1252', '0x409 English', {
            'le.htm': '<html><head><title>Little Endian</title></head><body>Café naïve 中文 '
                      'Привет résumé</body></html>'.encode('utf-16'),
            'be.htm': b'\xfe\xff' + '<html><head><title>BE</title></head><body>Big endian über '
                      'ﬁne</body></html>'.encode('utf-16-be'),
            'cyr.htm': '<html><head><meta charset="windows-1251"><title>Кириллица</title>'
                       '</head><body>Кириллица mixed with latin</body></html>'.encode('cp1251'),
            'plain.htm': b'<html><head><title>Plain</title></head><body>plain caf\xe9 latin'
                         b'</body></html>',
        }),
        ('gbk', '0x804 Chinese', {
            'le.htm': '<html><head><title>统一码</title></head><body>搜索 UTF-16 页 café '
                      '한국어 ok</body></html>'.encode('utf-16'),
            'big5.htm': '<html><head><meta http-equiv="Content-Type" content="text/html; '
                        'charset=big5"><title>繁體中文</title></head><body>搜尋 傳統 字</body>'
                        '</html>'.encode('big5'),
            'gbk.htm': '<html><head><title>国标</title></head><body>搜索 中文 字</body></html>'
                       .encode('gbk'),
        }),
    ]
    for codec, lcid, pages in books:
        book = write_project(os.path.join(tmp, 'enc_' + codec), codec, lcid, pages, [])
        check_against_texts(codec + ' pages in other encodings', book, pages, codec, [], [])


def fifti_has(data, word):
    """Whether a $FIftiMain lists `word`, descending its tree from the root. python3-chm's search
    keeps its place in a node from one index level to the next, so it misses words (and may
    crash) in a tree of three levels, which large books need; this descent is the format's."""
    root, depth = struct.unpack_from('<IH', data, 0x14)
    node = root
    for _ in range(depth - 1):
        free, at, current, child = u16(data, node), node + 2, b'', None
        while at < node + 4096 - free:
            n, shared = data[at], data[at + 1]
            current = current[:shared] + data[at + 2:at + 1 + n]
            at += 1 + n
            if word <= current:
                child = u32(data, at)
                break
            at += 6
        if child is None:
            return False
        node = child
    return word in fifti_leaf_words(data, node)


def hostile_pages(tmp):
    """Pages no indexer should choke on: 100,000 distinct words (a tree of three levels), binary
    junk named .htm, a word of a megabyte, markup nested 100,000 deep. The books compile and the
    search still finds."""
    rng = random.Random(11)
    letters = 'abcdefghijklmnopqrstuvwxyz'
    words = set()
    while len(words) < 100000:
        words.add(''.join(rng.choice(letters) for _ in range(rng.randint(5, 12))))
    words = sorted(words)
    page = ('<html><head><title>Words</title></head><body>%s</body></html>' % ' '.join(words))
    book = write_project(os.path.join(tmp, 'many'), 'cp1252', '0x409 English',
                         {'words.htm': page.encode()}, [])
    index = book_file(book, b'/$FIftiMain')
    missing = [w for w in words if not fifti_has(index, w.encode())]
    if missing or u16(index, 0x18) != 3:
        fail('100,000 words: %d missing, tree depth %d' % (len(missing), u16(index, 0x18)))
    pages = {
        'junk.htm': bytes(rng.getrandbits(8) for _ in range(200000)),
        'huge.htm': b'<html><body>' + b'x' * (1 << 20) + b' tailword</body></html>',
        'deep.htm': b'<div>' * 100000 + b'deepword' + b'</div>' * 100000,
    }
    book = write_project(os.path.join(tmp, 'hostile'), 'cp1252', '0x409 English', pages, [])
    for q, pages_with in {b'tailword': {'huge.htm'}, b'deepword': {'deep.htm'},
                          b'x' * 200: set()}.items():
        got = set(v.decode() for v in search(book, q, 1).values()) - {'junk.htm'}
        if got != pages_with:
            fail('hostile pages: %r finds %s, expected %s' % (q[:20], sorted(got), sorted(pages_with)))
    print('hostile pages: compiled and searched; hhc peak memory %.1f MB' %
          (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024))


# Where our index differs from Microsoft's on the reference books, and why: the words, or the
# pages, whose topics may differ.
KNOWN_DIFFERENCES = {
    # The page is UTF-8 with a byte order mark. We read it as UTF-8; Microsoft's compiler reads
    # the mark as the code page 1252 text "ï»¿" and indexes it as the word "i".
    'inno_MyProg': {'words': {b'i'}},
    # "伱" (81 C3) is a character of GBK beyond GB2312. Microsoft's compiler does not take 0x81 as
    # a lead byte and reads the rest of the page in byte pairs across character boundaries: its
    # index has "彩", "行", "\xfb\xb4" ... for that page and lacks "所", "对", "也", which are
    # there. In Loop循环语句.htm it indexes such a character as "?".
    'pboot_help': {'pages': {'关于我们.htm', 'Loop循环语句.htm'}},
}


def fifti_leaf_words(data, node):
    """The words of one leaf of a $FIftiMain."""
    free, at, word, words = struct.unpack_from('<H', data, node + 6)[0], node + 8, b'', set()
    while at < node + 4096 - free:
        n, shared = data[at], data[at + 1]
        word = word[:shared] + data[at + 2:at + 1 + n]
        at += 2 + n
        while data[at] & 0x80:
            at += 1
        at += 7
        while data[at] & 0x80:
            at += 1
        at += 1
        words.add(word)
    return words


def fifti_words(data):
    """Every word of a $FIftiMain, walking its leaves from the first."""
    root, depth = struct.unpack_from('<IH', data, 0x14)
    node = root
    for _ in range(depth - 1):
        node = struct.unpack_from('<I', data, node + 3 + data[node + 2])[0]
    words = set()
    while node:
        words |= fifti_leaf_words(data, node)
        node = struct.unpack_from('<I', data, node)[0]
    return words


def objinst_stop_words(data):
    """The stop list Microsoft's compiler keeps in $OBJINST, after the character table."""
    at = data.find(b'\x9c\x6f\x65')  # the last ligature of the table ("oe")
    if at < 0 or data[at + 3:at + 5] != b'\x22\x22':
        return []
    words, i = [], at + 0x28 + 3
    while data[i]:
        n = data[i]
        words.append(data[i + 2:i + 2 + n])
        i += 2 + n
    return words


def book_file(book, name):
    f = chm.chm.CHMFile()
    assert f.LoadCHM(book), book
    found, ui = f.ResolveObject(name)
    data = f.RetrieveObject(ui)[1] if found == 0 else None
    f.CloseCHM()
    return data


def without_stop_list(objinst):
    """Microsoft's $OBJINST as it would be without a stop list: the list's block and flag out."""
    at = objinst.find(b'\x22\x22\x28\x00')
    if at < 0:
        return objinst
    end = at + 0x28 + struct.unpack_from('<I', objinst, at + 4)[0] + 2
    cut = end - at
    out = bytearray(objinst[:at] + objinst[end:])
    struct.pack_into('<I', out, 0x0C, struct.unpack_from('<I', out, 0x0C)[0] - cut)
    struct.pack_into('<I', out, 0x10, struct.unpack_from('<I', out, 0x10)[0] - cut)
    out[0x2C] &= ~0x04
    return bytes(out)


def u32(data, at):
    return struct.unpack_from('<I', data, at)[0]


def u16(data, at):
    return struct.unpack_from('<H', data, at)[0]


def topic_urls(book):
    topics, table, names = (book_file(book, n) for n in (b'/#TOPICS', b'/#URLTBL', b'/#URLSTR'))
    urls = []
    for i in range(len(topics) // 16):
        at = u32(table, u32(topics, i * 16 + 8) + 8) + 8
        urls.append(names[at:names.index(b'\0', at)].lower())
    return urls


def keyword_blocks(btree, topic_map):
    """The B-tree with its topic numbers passed through topic_map and each block's unused tail
    zeroed."""
    d = bytearray(btree)
    last_listing = u32(d, 0x1A)
    for b in range((len(d) - 0x4C) // 2048):
        base = 0x4C + b * 2048
        free, count = u16(d, base), u16(d, base + 2)
        d[base + 2048 - free:base + 2048] = bytes(free)
        at = base + (12 if b <= last_listing else 8)
        for _ in range(count):
            while d[at:at + 2] != b'\0\0':
                at += 2
            at += 2 + 12
            for _ in range(u32(d, at)):
                at += 4
                struct.pack_into('<I', d, at, topic_map.get(u32(d, at), 0xFFFFFFFF))
            at += 4 + (8 if b <= last_listing else 4)
    return bytes(d)


def system_records(book):
    data, records, at = book_file(book, b'/#SYSTEM'), {}, 4
    while at + 4 <= len(data):
        code, size = u16(data, at), u16(data, at + 2)
        records[code] = data[at + 4:at + 4 + size]
        at += 4 + size
    return records


def check_keyword_index(name, source, ours):
    ms_urls, our_urls = topic_urls(source), topic_urls(ours)
    topic_map = {i: ms_urls.index(u) for i, u in enumerate(our_urls) if u in ms_urls}
    for part in (b'BTree', b'Data', b'Map', b'Property'):
        file = b'/$WWKeywordLinks/' + part
        a, b = book_file(source, file), book_file(ours, file)
        if part == b'BTree' and a and b:
            a, b = keyword_blocks(a, {i: i for i in range(len(ms_urls))}), keyword_blocks(b, topic_map)
        if a != b:
            fail('%s: %s differs from Microsoft\'s' % (name, file.decode()))
    ms_system, our_system = system_records(source), system_records(ours)
    if ms_system.get(7) != our_system.get(7) or ms_system[4][12:16] != our_system[4][12:16]:
        fail('%s: #SYSTEM index key or keyword-links flag differs from Microsoft\'s' % name)


def reference_books(tmp):
    books = [('inno_ISPP', 'cp1252', '0x409 English'), ('inno_MyProg', 'cp1252', '0x409 English'),
             ('inno_ISetup', 'cp1252', '0x409 English'), ('pboot_help', 'gbk', '0x804 Chinese')]
    if not REFERENCE:
        print('no reference folder given: the comparisons with Microsoft\'s books are skipped')
        return
    for name, codec, lcid in books:
        source = os.path.join(REFERENCE, name + '.chm')
        if not os.path.exists(source):
            print('reference book %s absent: skipped' % source)
            continue
        folder = os.path.join(tmp, name)
        subprocess.run(['extract_chmLib', source, folder], capture_output=True, check=True)
        ms_index = open(os.path.join(folder, '$FIftiMain'), 'rb').read()
        ms_objects = open(os.path.join(folder, '$OBJINST'), 'rb').read()
        open(os.path.join(tmp, name + '.objinst'), 'wb').write(ms_objects)
        stops = objinst_stop_words(ms_objects)
        pages = sorted(f for f in os.listdir(folder) if f.lower().endswith(('.htm', '.html')))
        for f in os.listdir(folder):
            if f.startswith(('#', '$')):
                p = os.path.join(folder, f)
                shutil.rmtree(p) if os.path.isdir(p) else os.remove(p)
        open(os.path.join(folder, 'stop.stp'), 'wb').write(b'\r\n'.join(stops))
        index = [f for f in os.listdir(folder) if f.lower().endswith('.hhk')]
        hhp = ('[OPTIONS]\r\nCompiled file=ours.chm\r\nFull-text search=Yes\r\n'
               'Full text search stop list file=stop.stp\r\nLanguage=%s\r\n' % lcid +
               ''.join('Index file=%s\r\n' % f for f in index) + '\r\n[FILES]\r\n')
        open(os.path.join(folder, 'ours.hhp'), 'wb').write(
            hhp.encode(codec) + b'\r\n'.join(p.encode(codec, errors='surrogateescape')
                                             for p in pages) + b'\r\n')
        compile_project(os.path.join(folder, 'ours.hhp'))
        ours = os.path.join(folder, 'ours.chm')
        if index:
            check_keyword_index(name, source, ours)
        ms_objects = open(os.path.join(folder, '..', name + '.objinst'), 'rb').read()
        if book_file(ours, b'/$OBJINST') != ms_objects:
            fail('%s: $OBJINST differs from Microsoft\'s' % name)
        open(os.path.join(folder, 'off.hhp'), 'wb').write(
            open(os.path.join(folder, 'ours.hhp'), 'rb').read()
            .replace(b'Full-text search=Yes', b'Full-text search=No')
            .replace(b'Compiled file=ours.chm', b'Compiled file=off.chm'))
        compile_project(os.path.join(folder, 'off.hhp'))
        off = os.path.join(folder, 'off.chm')
        if book_file(off, b'/$FIftiMain') != b'' or search(off, words_of('a', codec)[0], 0):
            fail('%s: with search off, $FIftiMain is not listed empty' % name)
        if book_file(off, b'/$OBJINST') != without_stop_list(ms_objects):
            fail('%s: with search off, $OBJINST is not Microsoft\'s without the stop list' % name)
        known = KNOWN_DIFFERENCES.get(name, {})
        differ, unexplained = [], []
        words = sorted(fifti_words(ms_index))
        for w in words:
            a, b = search(source, w, 1), search(ours, w, 1)
            topics = set(a.values()) ^ set(b.values())
            if topics:
                differ.append(w)
                pages = {t.decode(codec) for t in topics}
                if w not in known.get('words', ()) and not pages <= known.get('pages', set()):
                    unexplained.append(w)
        print('%s: %d of Microsoft\'s %d words find the same topics' %
              (name, len(words) - len(differ), len(words)))
        if unexplained:
            fail('%s: %d words find other topics than in Microsoft\'s book: %r' %
                 (name, len(unexplained), unexplained[:40]))


def main():
    tmp = tempfile.mkdtemp(prefix='folivane_fts_')
    try:
        english_and_chinese(tmp)
        other_encodings(tmp)
        hostile_pages(tmp)
        reference_books(tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    if failures:
        print('%d failures' % len(failures))
        sys.exit(1)
    print('ok')


main()
