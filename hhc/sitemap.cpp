#include "hhc/sitemap.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "itsf/error.h"
#include "text/ascii.h"
#include "text/utf.h"

namespace chm {
namespace {

struct Tag {
  std::string name;  // lower case, without '/'
  bool closing = false;
  int line = 0;              // where its '<' lies, from 1
  SitemapParams attributes;  // names lower case
};

std::string AtLine(int line) { return "line " + std::to_string(line); }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == ':' || c == '!';
}

class Scanner {
 public:
  Scanner(std::string_view text, const std::string& label) : s_(text), label_(label) {}

  // Advances to the next tag; false at the end of the text.
  bool NextTag(Tag* tag) {
    while (true) {
      size_t lt = s_.find('<', pos_);
      if (lt == std::string_view::npos) return false;
      pos_ = lt + 1;
      const int line = LineOf(lt);
      if (s_.substr(lt, 4) == "<!--") {
        size_t end = s_.find("-->", lt + 4);
        if (end == std::string_view::npos)
          Fail(ErrorCode::kBadSitemap, label_, AtLine(line) + ": comment not closed");
        pos_ = end + 3;
        continue;
      }
      tag->closing = false;
      tag->line = line;
      tag->attributes.clear();
      tag->name.clear();
      SkipBlanks();
      if (pos_ < s_.size() && s_[pos_] == '/') {
        tag->closing = true;
        ++pos_;
      }
      while (pos_ < s_.size() && IsNameChar(s_[pos_])) tag->name += text::LowerAscii(s_[pos_++]);
      if (tag->name.empty()) continue;  // a lone '<' in text
      ReadAttributes(tag);
      return true;
    }
  }

 private:
  // Tags are met in order, so the count moves forward only.
  int LineOf(size_t pos) {
    for (; line_pos_ < pos; ++line_pos_) {
      const char c = s_[line_pos_];
      if (c == '\n' || (c == '\r' && (line_pos_ + 1 >= s_.size() || s_[line_pos_ + 1] != '\n'))) {
        ++line_;
      }
    }
    return line_;
  }

  void SkipBlanks() {
    while (pos_ < s_.size() && text::IsBlank(s_[pos_])) ++pos_;
  }

  void ReadAttributes(Tag* tag) {
    while (true) {
      SkipBlanks();
      if (pos_ >= s_.size())
        Fail(ErrorCode::kBadSitemap, label_,
             AtLine(tag->line) + ": tag <" + tag->name + "> not closed");
      char c = s_[pos_];
      if (c == '>') {
        ++pos_;
        return;
      }
      if (c == '/') {
        ++pos_;
        continue;
      }
      std::string name;
      while (pos_ < s_.size() && !text::IsBlank(s_[pos_]) && s_[pos_] != '=' && s_[pos_] != '>') {
        name += text::LowerAscii(s_[pos_++]);
      }
      SkipBlanks();
      std::string value;
      if (pos_ < s_.size() && s_[pos_] == '=') {
        ++pos_;
        SkipBlanks();
        value = ReadValue();
      }
      if (!name.empty()) tag->attributes.emplace_back(std::move(name), DecodeHtmlEntities(value));
    }
  }

  // A quoted value ends at its closing quote; a value whose closing quote is missing ends at
  // the line's end or the tag's '>', whichever comes first, as the viewers read it.
  std::string ReadValue() {
    if (pos_ >= s_.size()) return {};
    char q = s_[pos_];
    if (q == '"' || q == '\'') {
      size_t close = s_.find(q, pos_ + 1);
      size_t line_end = s_.find_first_of("\r\n", pos_ + 1);
      if (close != std::string_view::npos &&
          (line_end == std::string_view::npos || close < line_end)) {
        std::string v(s_.substr(pos_ + 1, close - pos_ - 1));
        pos_ = close + 1;
        return v;
      }
      size_t gt = s_.find('>', pos_ + 1);
      size_t end = std::min(gt, line_end);
      if (end == std::string_view::npos) end = s_.size();
      std::string v(s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end;
      return v;
    }
    size_t start = pos_;
    while (pos_ < s_.size() && !text::IsBlank(s_[pos_]) && s_[pos_] != '>') ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  std::string_view s_;
  const std::string& label_;
  size_t pos_ = 0;
  size_t line_pos_ = 0;
  int line_ = 1;
};

}  // namespace

std::string DecodeHtmlEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    size_t semi = text.find(';', i + 1);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    std::string_view name = text.substr(i + 1, semi - i - 1);
    if (name == "amp")
      out += '&';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "quot")
      out += '"';
    else if (name == "apos")
      out += '\'';
    else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      std::string digits(name.substr(hex ? 2 : 1));
      char* end = nullptr;
      unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (digits.empty() || *end != '\0' || cp == 0 || cp > 0x10FFFF) {
        out += '&';
        continue;
      }
      text::AppendUtf8(static_cast<char32_t>(cp), &out);
    } else {
      out += '&';
      continue;
    }
    i = semi;
  }
  return out;
}

bool ParseSitemapNumber(std::string_view text, std::uint32_t* value) {
  std::string s(text::Trim(text));
  if (s.empty() || s[0] == '-' || s[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s.c_str(), &end, 0);
  if (*end != '\0' || errno == ERANGE || v > UINT32_MAX) return false;
  *value = static_cast<std::uint32_t>(v);
  return true;
}

std::string SitemapParam(const SitemapParams& params, std::string_view name) {
  for (const auto& [n, v] : params) {
    if (text::EqualsNoCase(n, name)) return v;
  }
  return {};
}

Sitemap ParseSitemap(std::string_view bytes, const std::string& label) {
  Sitemap map;
  Scanner scanner(bytes, label);
  Tag tag;
  std::vector<int> open_lists;  // the line of each <UL> not yet closed
  enum class Object { kNone, kItem, kProperties, kOther } object = Object::kNone;
  SitemapItem item;
  auto close_object = [&] {
    if (object == Object::kItem) map.items.push_back(std::move(item));
    item = SitemapItem{};
    object = Object::kNone;
  };
  while (scanner.NextTag(&tag)) {
    if (tag.name == "ul") {
      if (tag.closing) {
        if (open_lists.empty())
          Fail(ErrorCode::kBadSitemap, label, AtLine(tag.line) + ": </UL> without <UL>");
        close_object();
        open_lists.pop_back();
      } else {
        close_object();
        open_lists.push_back(tag.line);
      }
    } else if (tag.name == "object") {
      close_object();  // a missing </OBJECT> ends at the next object
      if (tag.closing) continue;
      std::string type = SitemapParam(tag.attributes, "type");
      if (text::EqualsNoCase(type, "text/sitemap")) {
        object = Object::kItem;
        item.depth = static_cast<int>(open_lists.size());
        item.line = tag.line;
      } else if (text::EqualsNoCase(type, "text/site properties")) {
        object = Object::kProperties;
      } else {
        object = Object::kOther;
      }
    } else if (tag.name == "param" && !tag.closing) {
      std::string name = SitemapParam(tag.attributes, "name");
      std::string value = SitemapParam(tag.attributes, "value");
      if (object == Object::kItem)
        item.params.emplace_back(std::move(name), std::move(value));
      else if (object == Object::kProperties)
        map.properties.emplace_back(std::move(name), std::move(value));
    }
  }
  close_object();
  if (!open_lists.empty()) {
    Fail(ErrorCode::kBadSitemap, label,
         AtLine(open_lists.back()) + ": <UL> not closed (" + std::to_string(open_lists.size()) +
             " in all)");
  }
  return map;
}

}  // namespace chm
