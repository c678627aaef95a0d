// Web archives as browsers and mail programs write them: transfer encodings, encoded words in
// headers, and finding the page part of a message.
#include <gtest/gtest.h>

#include <string>

#include "text/mime.h"

namespace {

TEST(QuotedPrintable, SoftBreaksGoAndEscapesBecomeBytes) {
  EXPECT_EQ(text::DecodeQuotedPrintable("=E7=AC=\r\n=ac x=3D1"), "\xE7\xAC\xAC x=1");
  EXPECT_EQ(text::DecodeQuotedPrintable("ab=\ncd"), "abcd") << "LF-only line ends";
  EXPECT_EQ(text::DecodeQuotedPrintable("ab= \t\r\ncd"), "abcd") << "blanks before a soft break";
  EXPECT_EQ(text::DecodeQuotedPrintable("a=zz b=4"), "a=zz b=4") << "stray = stays";
  EXPECT_EQ(text::DecodeQuotedPrintable("line\r\nnext="), "line\r\nnext");
}

TEST(Base64, DecodesAcrossLinesUpToThePad) {
  std::string bytes;
  EXPECT_TRUE(text::DecodeBase64("5Lit\r\n5paH\r\nYQ==", &bytes));
  EXPECT_EQ(bytes,
            "\xE4\xB8\xAD\xE6\x96\x87"
            "a");
  EXPECT_TRUE(text::DecodeBase64("YWI=", &bytes));
  EXPECT_EQ(bytes, "ab");
  EXPECT_FALSE(text::DecodeBase64("YW*I", &bytes));
}

TEST(EncodedWords, DecodeToUtf8AsTheRfcSays) {
  struct Case {
    const char* value;
    const char* decoded;
  } cases[] = {
      {"=?utf-8?Q?=E7=AC=AC_1?=", u8"第 1"},
      {"=?UTF-8?B?56ys5LiA56ug?=", u8"第一章"},
      {"=?gb2312?B?tdrSu9XC?=", u8"第一章"},
      {"=?utf-8?B?56ys?=\r\n =?utf-8?Q?=E4=B8=80?=", u8"第一"},  // folded: the blank goes
      {"Re: =?utf-8?Q?=E7=AC=AC?= end", u8"Re: 第 end"},
      {"=?utf-8*zh?Q?=E7=AC=AC?=", u8"第"},
      {"=?x-unknown?Q?abc?=", "=?x-unknown?Q?abc?="},
      {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
      {"=?utf-8?Q?=FF?=", "=?utf-8?Q?=FF?="},
      {"plain subject", "plain subject"},
  };
  for (const Case& c : cases) EXPECT_EQ(text::DecodeEncodedWords(c.value), c.decoded) << c.value;
}

TEST(HeaderParameters, QuotedOrNotInAnyCase) {
  const char* type = "multipart/related;\r\n\ttype=\"text/html\";\r\n\tBOUNDARY=\"--a;b--\"";
  EXPECT_EQ(text::HeaderParameter(type, "boundary"), "--a;b--");
  EXPECT_EQ(text::HeaderParameter(type, "type"), "text/html");
  EXPECT_EQ(text::HeaderParameter("text/html; charset=gb2312", "charset"), "gb2312");
  EXPECT_EQ(text::HeaderParameter("text/html", "charset"), "");
}

struct ArchiveCase {
  const char* what;
  std::string file;
  text::ArchiveScan scan;
  std::string page = "";  // when found
  bool encoded = false;
  std::string charset = "";
};

const std::string kParts =
    "MIME-Version: 1.0\r\nSubject: s\r\nContent-Type: multipart/related;\r\n"
    "\tboundary=\"B\"\r\n\r\npreamble\r\n--B\r\nContent-Type: image/png\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nAAAA\r\n--B\r\n"
    "Content-Type: text/html; charset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n"
    "\r\n<title>=E7=AC=\r\n=AC</title>\r\n--B--\r\n";

class WebArchives : public testing::TestWithParam<ArchiveCase> {};

TEST_P(WebArchives, FindTheFirstPagePart) {
  const ArchiveCase& c = GetParam();
  text::WebArchive archive;
  ASSERT_EQ(text::ScanWebArchive(c.file, true, &archive), c.scan) << c.what;
  if (c.scan != text::ArchiveScan::kFound) return;
  EXPECT_EQ(archive.page, c.page) << c.what;
  EXPECT_EQ(archive.page_encoded, c.encoded) << c.what;
  EXPECT_EQ(archive.charset, c.charset) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Text, WebArchives,
    testing::Values(
        ArchiveCase{"a page saved as .mht without MIME", "<html><title>x</title>",
                    text::ArchiveScan::kNotArchive},
        ArchiveCase{"headers without a body type", "Title: x\r\n\r\nbody",
                    text::ArchiveScan::kNotArchive},
        ArchiveCase{"the page after a picture, soft break in the title", kParts,
                    text::ArchiveScan::kFound, "<title>\xE7\xAC\xAC</title>", true, "utf-8"},
        ArchiveCase{"a single-part page in base64",
                    "Content-Type: text/html; charset=gbk\r\nContent-Transfer-Encoding: "
                    "base64\r\n\r\nPHRpdGxlPg==\r\n",
                    text::ArchiveScan::kFound, "<title>", true, "gbk"},
        ArchiveCase{"a nested alternative, LF line ends",
                    "Content-Type: multipart/mixed; boundary=O\n\n--O\nContent-Type: "
                    "multipart/alternative; boundary=I\n\n--I\nContent-Type: text/plain\n\nplain\n"
                    "--I\nContent-Type: text/html\n\n<p>8bit</p>\n--I--\n--O--\n",
                    text::ArchiveScan::kFound, "<p>8bit</p>", false, ""},
        ArchiveCase{"a message without a page",
                    "Content-Type: multipart/related; boundary=B\r\n"
                    "\r\n--B\r\nContent-Type: image/gif\r\n\r\nGIF\r\n--B--\r\n",
                    text::ArchiveScan::kFound, "", false, ""}));

TEST(WebArchives, APagePartCutShortAsksForMore) {
  const std::string cut = kParts.substr(0, kParts.find("</title>"));
  text::WebArchive archive;
  EXPECT_EQ(text::ScanWebArchive(cut, false, &archive), text::ArchiveScan::kNeedMore);
  EXPECT_EQ(text::ScanWebArchive(kParts.substr(0, 20), false, &archive),
            text::ArchiveScan::kNeedMore);
  ASSERT_EQ(text::ScanWebArchive(kParts, false, &archive), text::ArchiveScan::kFound);
  EXPECT_EQ(archive.subject, "s");
}

}  // namespace
