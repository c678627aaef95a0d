#include "hhc/compiler.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "help/search_objects.h"
#include "hhc/compile_steps.h"
#include "hhc/page_text.h"
#include "text/ascii.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace chm {
namespace fs = std::filesystem;

namespace {

constexpr size_t kReadChunk = 1 << 16;
constexpr size_t kTitleSearchBytes = 1 << 16;
// Pages and style sheets are read whole to find their links; anything larger is stored
// without a scan so that memory stays bounded.
constexpr std::uintmax_t kMaxScannedFile = 16u << 20;

// `size_hint` is the size the file had a moment ago; the read goes on past it if it grew.
bool ReadRest(std::ifstream& in, std::string* out, std::uintmax_t size_hint = 0) {
  out->clear();
  out->reserve(static_cast<size_t>(size_hint));
  char buffer[kReadChunk];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    out->append(buffer, static_cast<size_t>(in.gcount()));
  }
  return !in.bad();
}

bool ReadWholeFile(const fs::path& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  return in && ReadRest(in, out);
}

bool IsPage(const std::string& name) {
  return text::EndsWithNoCase(name, ".htm") || text::EndsWithNoCase(name, ".html") ||
         text::EndsWithNoCase(name, ".xhtml");
}

bool IsScanned(const std::string& name) {
  return IsPage(name) || text::EndsWithNoCase(name, ".css");
}

bool IsLocalReference(const std::string& value) {
  return !value.empty() && value.find(':') == std::string::npos;
}

// The names a reference in a page may stand for: its bytes in the project's code page, or
// UTF-8 (pages saved by modern editors).
std::vector<std::string> ReferenceSpellings(const std::string& ref, unsigned code_page) {
  if (text::IsAscii(ref)) return {ref};
  std::vector<std::string> out;
  std::string decoded;
  if (text::DecodeCodePage(code_page, ref, &decoded)) out.push_back(decoded);
  if (text::IsValidUtf8(ref) && (out.empty() || out[0] != ref)) out.push_back(ref);
  return out;
}

// A title as viewers show it: "&amp;" and the other character references become the
// characters they stand for, as Microsoft's compiler records them. A reference to a character
// the code page lacks stays as written. `utf8` says the title is UTF-8 rather than code page.
std::string DecodeTitleReferences(const std::string& title, unsigned code_page, bool utf8) {
  std::string out;
  size_t done = 0;
  for (size_t amp = title.find('&'); amp != std::string::npos; amp = title.find('&', amp + 1)) {
    size_t semi = title.find(';', amp);
    if (semi == std::string::npos) break;
    std::string reference = title.substr(amp, semi + 1 - amp);
    std::string decoded = DecodeHtmlEntities(reference);  // UTF-8
    if (decoded == reference) continue;
    std::string bytes;
    if (!utf8 && !text::IsAscii(decoded) && !text::EncodeCodePage(code_page, decoded, &bytes))
      continue;
    out += title.substr(done, amp - done);
    out += utf8 || text::IsAscii(decoded) ? decoded : bytes;
    done = semi + 1;
  }
  return out + title.substr(done);
}

}  // namespace

std::string Compiler::Ansi(const std::string& utf8, const std::string& what) const {
  std::string out;
  if (!text::EncodeCodePage(project_.code_page, utf8, &out)) {
    Fail(ErrorCode::kNameOutsideCodePage, what, "code page " + std::to_string(project_.code_page));
  }
  return out;
}

void Compiler::ReadProject() {
  std::error_code ec;
  if (!fs::exists(project_path_, ec)) {
    Fail(ErrorCode::kProjectUnreadable, Label(project_path_), ErrorReason(ErrorCode::kFileMissing));
  }
  if (!fs::is_regular_file(project_path_, ec) || !ReadWholeFile(project_path_, &buffer_)) {
    Fail(ErrorCode::kProjectUnreadable, Label(project_path_));
  }
  project_ = ParseProject(buffer_, Label(project_path_));
  root_ = project_path_.parent_path();
  if (root_.empty()) root_ = ".";
  if (!project_.error_log_file.empty()) {
    result_->error_log = (root_ / fs::u8path(project_.error_log_file)).u8string();
  }
  for (const std::string& ignored : project_.ignored) {
    result_->warnings.push_back(Label(project_path_) + ": ignored " + ignored);
  }
  if (!project_.infotypes.empty()) {
    result_->warnings.push_back(Label(project_path_) + ": information types are not supported");
  }
  if (project_.binary_toc && project_.contents_file.empty()) {
    result_->warnings.push_back(Label(project_path_) +
                                ": Binary TOC=Yes without a Contents file: no binary contents");
  }
  if (project_.full_text_search) {
    search_ = std::make_unique<FullTextIndex>(project_.code_page, project_.lcid);
    if (!HasSearchObjects(project_.code_page)) {
      result_->warnings.push_back(
          Label(project_path_) + ": no search objects ($OBJINST) for code page " +
          std::to_string(project_.code_page) +
          " (known for 1252 and 936); the Search tab of Windows' viewer may stay empty");
    }
    if (!project_.stop_list_file.empty()) ReadStopList();
  } else if (!project_.stop_list_file.empty()) {
    result_->warnings.push_back(Label(project_path_) +
                                ": the stop list file is unused without Full-text search=Yes");
  }
}

void Compiler::ReadStopList() {
  std::string name;
  std::string bytes;
  if (!NormaliseRelativePath(project_.stop_list_file, &name) ||
      !ReadWholeFile(root_ / fs::u8path(name), &bytes)) {
    result_->warnings.push_back(Label(project_path_) + ": cannot read the stop list file '" +
                                project_.stop_list_file + "'; no words are left out of the search");
    return;
  }
  search_->SetStopWords(bytes);
}

bool IsValidBookFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 ||
        std::string_view("<>:\"|?*/\\").find(static_cast<char>(c)) != std::string_view::npos) {
      return false;
    }
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  // Device names stay devices whatever their extension.
  std::string stem = text::LowerAscii(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
  for (const char* d : kDevices) {
    if (stem == d) return false;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
      stem[3] >= '1' && stem[3] <= '9') {
    return false;
  }
  return true;
}

fs::path Compiler::BookPath() {
  std::string value = project_.compiled_file;
  if (value.empty()) value = project_path_.stem().u8string() + ".chm";
  std::string name = value;
  size_t sep = name.find_last_of("/\\");
  std::string folder = sep == std::string::npos ? std::string() : name.substr(0, sep);
  std::string file = sep == std::string::npos ? name : name.substr(sep + 1);
  result_->book = (root_ / fs::u8path(value)).u8string();
  if (!IsValidBookFileName(file))
    Fail(ErrorCode::kBadBookName, Label(project_path_), "'" + value + "'");
  for (char& c : folder) {
    if (c == '\\') c = '/';
  }
  fs::path book = root_ / fs::u8path(folder) / fs::u8path(file);
  // Said before the work rather than after it; the commit asks again.
  CheckBookReplaceable(book);
  return book;
}

void Compiler::ReadSitemap(const std::string& option_value, bool is_contents) {
  std::string name;
  if (!NormaliseRelativePath(option_value, &name)) return;  // reported by CollectNamedFiles
  fs::path disk = root_ / fs::u8path(name);
  std::string bytes;
  if (!ReadWholeFile(disk, &bytes)) Fail(ErrorCode::kFileUnreadable, name);
  Sitemap map = ParseSitemap(bytes, name);
  if (is_contents) ReadContentsProperties(map.properties, name);
  std::vector<std::pair<int, std::string>> open_keywords;  // depth and name of each parent
  for (const SitemapItem& item : map.items) {
    const std::string merge = SitemapParam(item.params, "Merge");
    if (is_contents && !merge.empty()) {
      contents_merges_.emplace_back(
          text::Trim(std::string_view(merge).substr(0, merge.find("::"))));
    }
    ContentsEntry entry{item.depth, std::string(), SitemapParam(item.params, "Name"), {}};
    IndexEntry keyword{
        SitemapParam(item.params, "Name"), {}, {}, SitemapParam(item.params, "See Also")};
    if (!is_contents) {
      while (!open_keywords.empty() && open_keywords.back().first >= item.depth) {
        open_keywords.pop_back();
      }
      for (const auto& parent : open_keywords) keyword.parents.push_back(parent.second);
      open_keywords.emplace_back(item.depth, keyword.name);
      if (!keyword.parents.empty() || !keyword.see_also.empty()) index_is_flat_ = false;
    }
    for (const auto& [param, value] : item.params) {
      if (!text::EqualsNoCase(param, "Local") || !IsLocalReference(value)) continue;
      bool found = false;
      for (const std::string& spelling : ReferenceSpellings(value, project_.code_page)) {
        std::string target;
        if (!ResolveReference(name, spelling, &target)) continue;
        if (files_->AddIfPresent(target)) {
          if (is_contents) contents_targets_.insert(text::LowerAscii(target));
          // A link to a place inside a page is a topic of its own, named by its anchor.
          const size_t hash = spelling.find('#');
          if (entry.target.empty()) {
            entry.target = text::LowerAscii(target);
            if (hash != std::string::npos) entry.anchor = spelling.substr(hash);
          }
          keyword.targets.push_back(text::LowerAscii(target) +
                                    (hash == std::string::npos ? "" : spelling.substr(hash)));
          found = true;
          break;
        }
      }
      if (!found) {
        std::vector<std::string> spellings = ReferenceSpellings(value, project_.code_page);
        result_->warnings.push_back(name + ":" + std::to_string(item.line) +
                                    ": names a missing file '" +
                                    (spellings.empty() ? value : spellings.front()) + "'");
      }
    }
    if (is_contents) contents_entries_.push_back(std::move(entry));
    if (!is_contents) index_entries_.push_back(std::move(keyword));
  }
}

void Compiler::ReadContentsProperties(const SitemapParams& properties, const std::string& label) {
  ContentsProperties& p = contents_properties_.emplace();
  for (const auto& [param, value] : properties) {
    std::optional<std::string>* text = text::EqualsNoCase(param, "ImageList")    ? &p.image_list
                                       : text::EqualsNoCase(param, "Font")       ? &p.font
                                       : text::EqualsNoCase(param, "FrameName")  ? &p.frame_name
                                       : text::EqualsNoCase(param, "WindowName") ? &p.window_name
                                                                                 : nullptr;
    std::optional<std::uint32_t>* number =
        text::EqualsNoCase(param, "Background")        ? &p.background
        : text::EqualsNoCase(param, "Foreground")      ? &p.foreground
        : text::EqualsNoCase(param, "Window Styles")   ? &p.window_styles
        : text::EqualsNoCase(param, "ExWindow Styles") ? &p.ex_window_styles
                                                       : nullptr;
    if (text && !*text) *text = value;
    if (number && !*number) {
      std::uint32_t v = 0;
      if (ParseSitemapNumber(value, &v)) {
        *number = v;
      } else {
        result_->warnings.push_back(label + ": property " + param + " is not a number '" + value +
                                    "'");
      }
    }
    if (text::EqualsNoCase(param, "ImageType"))
      p.folder_images = text::EqualsNoCase(value, "Folder");
  }
}

void Compiler::CollectNamedFiles() {
  files_ = std::make_unique<FileSet>(root_, project_.code_page);
  const std::string hhp = project_path_.filename().u8string();
  for (const std::string& f : project_.files) files_->AddRequired(f, hhp + " [FILES]");
  if (!project_.default_topic.empty())
    files_->AddRequired(project_.default_topic, hhp + " Default topic");
  if (!project_.contents_file.empty())
    files_->AddRequired(project_.contents_file, hhp + " Contents file");
  if (!project_.index_file.empty()) files_->AddRequired(project_.index_file, hhp + " Index file");

  // The default window goes first: viewers read only the first entry.
  bool default_found = project_.default_window.empty();
  for (const WindowLine& line : project_.windows) {
    WindowDef w = ParseWindowDef(line, hhp);
    const std::string origin = hhp + " window " + w.name;
    for (const std::string* f : {&w.toc, &w.index, &w.file, &w.home, &w.jump1_url, &w.jump2_url}) {
      std::string target = f->substr(0, f->find('#'));
      if (IsLocalReference(target)) files_->AddRequired(target, origin);
    }
    if (text::EqualsNoCase(w.name, project_.default_window)) {
      windows_.insert(windows_.begin(), std::move(w));
      default_found = true;
    } else {
      windows_.push_back(std::move(w));
    }
  }
  if (!default_found) {
    result_->warnings.push_back(hhp + ": Default Window '" + project_.default_window +
                                "' has no [WINDOWS] line");
  }
  if (!project_.contents_file.empty()) ReadSitemap(project_.contents_file, true);
  if (!project_.index_file.empty()) ReadSitemap(project_.index_file, false);
}

// Links to files that are not there are reported with their lines, as the other compilers do:
// the book is still written, and the reader finds a blank page behind such a link.
void Compiler::AddReferences(const std::string& page_name, const PageScan& scan,
                             std::string_view page) {
  // UTF-8, or UTF-16 scanned as UTF-8.
  const bool utf8_page = scan.encoding.encoding != text::Encoding::kAnsi &&
                         scan.encoding.encoding != text::Encoding::kCodePage;
  std::vector<std::pair<size_t, const std::string*>> missing;  // offset in the page, reference
  for (size_t r = 0; r < scan.references.size(); ++r) {
    const std::string& ref = scan.references[r];
    std::vector<std::string> targets;
    for (const std::string& spelling : ReferenceSpellings(ref, project_.code_page)) {
      std::string target;
      if (ResolveReference(page_name, spelling, &target)) targets.push_back(target);
    }
    // A name spelled exactly on disk wins over one found through its code page bytes. Code
    // page bytes are often valid UTF-8 as well (GBK's "图" is CD BC, UTF-8's "ͼ"); a page not
    // declared UTF-8 is read in the code page by viewers, so there such a UTF-8 reading that
    // the book cannot hold gives way to the code page spelling.
    bool found = false;
    std::string unused;
    for (bool ansi_spelling : {false, true}) {
      for (size_t i = 0; i < targets.size() && !found; ++i) {
        if (!ansi_spelling && !utf8_page && !text::IsAscii(targets[i]) &&
            !text::EncodeCodePage(project_.code_page, targets[i], &unused)) {
          continue;
        }
        found = files_->AddIfPresent(targets[i], ansi_spelling);
      }
    }
    if (!found && !targets.empty()) missing.emplace_back(scan.offsets[r], &ref);
  }
  if (missing.empty()) return;
  std::sort(missing.begin(), missing.end());
  std::vector<size_t> offsets;
  for (const auto& m : missing) offsets.push_back(m.first);
  const std::vector<LinkPlace> places = PlacesAt(page, offsets);
  const bool style_sheet = !IsPage(page_name);
  for (size_t i = 0; i < missing.size(); ++i) {
    if (!style_sheet && !places[i].in_markup) continue;  // text about markup, not a link
    // Messages are UTF-8; a page not declared UTF-8 spells its links in the code page.
    std::string shown = *missing[i].second, decoded;
    if (!utf8_page && !text::IsAscii(shown) &&
        text::DecodeCodePage(project_.code_page, shown, &decoded)) {
      shown = decoded;
    }
    result_->warnings.push_back(page_name + ":" + std::to_string(places[i].line) +
                                ": links to a missing file '" + shown + "'");
  }
}

void Compiler::StreamOne(size_t index) {
  const StoredFile& file = (*files_)[index];
  const std::string name = file.name;  // the set may grow below
  const std::string ansi = file.ansi;
  const fs::path disk = file.disk;
  std::ifstream in(disk, std::ios::binary);
  if (!in) Fail(ErrorCode::kFileUnreadable, name);
  Section1File entry{"/" + name, encoder_->UncompressedSize(), 0};
  std::error_code ec;
  std::uintmax_t size = fs::file_size(disk, ec);
  if (IsScanned(name) && !ec && size <= kMaxScannedFile) {
    if (!ReadRest(in, &buffer_, size)) Fail(ErrorCode::kFileUnreadable, name);
    encoder_->Write(reinterpret_cast<const std::uint8_t*>(buffer_.data()), buffer_.size());
    entry.length = buffer_.size();
    const bool page = IsPage(name);
    PageScan scan = ScanPage(buffer_, page ? kTitleSearchBytes : 0, project_.code_page);
    const text::Encoding encoding = scan.encoding.encoding;
    AddReferences(name, scan, scan.converted.empty() ? std::string_view(buffer_) : scan.converted);
    if (page) {
      // In UTF-8 from here on unless the page is in the project's own code page.
      std::string title = scan.title;
      std::string utf8;
      if (encoding == text::Encoding::kCodePage && !text::IsAscii(title)) {
        title = text::DecodeCodePage(scan.encoding.code_page, title, &utf8) ? utf8 : std::string();
      }
      const bool utf8_title = encoding != text::Encoding::kAnsi;
      title = DecodeTitleReferences(title, project_.code_page, utf8_title);
      if (utf8_title && !text::IsAscii(title)) {
        std::string converted;
        title =
            text::EncodeCodePage(project_.code_page, title, &converted) ? converted : std::string();
      }
      if (search_) {
        // A UTF-16 page was converted to UTF-8 once, for its links; its words come from that.
        const bool converted = !scan.converted.empty();
        const text::ChapterEncoding read_as =
            converted ? text::ChapterEncoding{text::Encoding::kUtf8, 0} : scan.encoding;
        PageText text = ExtractPageText(
            converted ? std::string_view(scan.converted) : std::string_view(buffer_), read_as,
            project_.code_page);
        search_->AddPage(static_cast<std::uint32_t>(topics_.size()), text.title, text.body);
      }
      topic_by_name_.emplace(text::LowerAscii(name), topics_.size());
      topics_.push_back(Topic{ansi, title, contents_targets_.count(text::LowerAscii(name)) != 0});
    }
  } else {
    char chunk[kReadChunk];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
      encoder_->Write(reinterpret_cast<const std::uint8_t*>(chunk),
                      static_cast<size_t>(in.gcount()));
      entry.length += static_cast<std::uint64_t>(in.gcount());
    }
    if (in.bad()) Fail(ErrorCode::kFileUnreadable, name);
  }
  // The sitemaps are topics too, but not part of the contents; like Microsoft's compiler we list
  // them where they come among the project's files.
  if (sitemap_names_.count(text::LowerAscii(name)))
    topics_.push_back(Topic{ansi, std::string(), false});
  result_->input_bytes += entry.length;
  if (entry.length == 0) {
    empty_files_.push_back(entry.name);
  } else {
    section1_.push_back(std::move(entry));
  }
}

void Compiler::StreamFiles(const fs::path& book) {
  content_ = std::make_unique<ContentSpool>(book);
  encoder_ = std::make_unique<LzxEncoder>(settings_.level, content_.get(), settings_.threads);
  for (const std::string* sitemap : {&project_.contents_file, &project_.index_file}) {
    std::string name;
    if (!sitemap->empty() && NormaliseRelativePath(*sitemap, &name)) {
      sitemap_names_.insert(text::LowerAscii(name));
    }
  }
  // What the project and its sitemaps name comes first, in their order; of the files that links
  // add as we go, the pages in the order they are found, then the rest (pictures, style sheets,
  // scripts) in name order, as Microsoft's compiler stores them. Style sheets may add files too.
  const size_t named = files_->size();
  std::vector<size_t> later;
  for (size_t next = 0; next < files_->size() || !later.empty();) {
    for (; next < files_->size(); ++next) {
      if (next < named || IsPage((*files_)[next].name)) {
        StreamOne(next);
      } else {
        later.push_back(next);
      }
    }
    std::sort(later.begin(), later.end(), [this](size_t a, size_t b) {
      return text::LowerAscii((*files_)[a].name) < text::LowerAscii((*files_)[b].name);
    });
    for (size_t i : later) StreamOne(i);
    later.clear();
  }
  AddAnchorTopics();
  result_->stored_files = files_->size();
  result_->topics = topics_.size();
}

void Compiler::Run() {
  unix_time_ =
      settings_.unix_time ? *settings_.unix_time : static_cast<std::uint64_t>(std::time(nullptr));
  ReadProject();
  fs::path book = BookPath();
  CollectNamedFiles();
  StreamFiles(book);
  WriteBook(book);
}

CompileResult CompileProject(const std::string& project_path_utf8,
                             const CompileSettings& settings) {
  CompileResult result;
  try {
    Compiler compiler(project_path_utf8, settings, &result);
    compiler.Run();
    result.ok = true;
  } catch (const CompileFailure& failure) {
    result.error = failure.error();
  } catch (const std::bad_alloc&) {
    result.error = Error{ErrorCode::kTooLarge, project_path_utf8, "out of memory"};
  } catch (const std::exception& e) {
    result.error = Error{ErrorCode::kFileUnreadable, project_path_utf8, e.what()};
  }
  return result;
}

}  // namespace chm
