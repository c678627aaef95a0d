// The container of a book: section 0, the directory, and the file written, read back and given
// the book's name.
#include <algorithm>
#include <filesystem>

#include "hhc/compile_steps.h"
#include "itsf/book_output.h"
#include "text/ascii.h"

namespace chm {
namespace fs = std::filesystem;

namespace {

// Whether two names from the project stand for the same stored file.
bool SameStoredName(const std::string& a, const std::string& b) {
  std::string na, nb;
  return NormaliseRelativePath(a, &na) && NormaliseRelativePath(b, &nb) &&
         text::LowerAscii(na) == text::LowerAscii(nb);
}

}  // namespace

void Compiler::FinishContent() {
  // libmspack misreads a section that ends exactly on an odd frame boundary; one spare byte
  // that belongs to no file avoids it.
  if (encoder_->UncompressedSize() % kLzxResetInterval == kLzxFrameSize) {
    const std::uint8_t filler = 0;
    encoder_->Write(&filler, 1);
  }
  encoder_->Finish();
}

Bytes Compiler::BuildSystemTable(const fs::path& book, const Bytes& idxhdr) const {
  SystemInfo info;
  info.lcid = project_.lcid;
  info.dbcs = project_.dbcs;
  info.full_text_search = search_ != nullptr;
  info.keyword_links = keyword_links_;
  info.compatibility_1_0 = project_.compatibility_1_0;
  info.unix_time = unix_time_;
  // Microsoft's compiler leaves out the contents and index records when the default window
  // names those files: the viewer takes them from the window.
  const WindowDef* window =
      windows_.empty() || !text::EqualsNoCase(windows_.front().name, project_.default_window)
          ? nullptr
          : &windows_.front();
  if (!window || !SameStoredName(window->toc, project_.contents_file)) {
    info.contents_file = Ansi(project_.contents_file, "Contents file");
  }
  if (!window || !SameStoredName(window->index, project_.index_file)) {
    info.index_file = Ansi(project_.index_file, "Index file");
  }
  if (keyword_links_) info.index_key = UrlKey(Ansi(project_.index_file, "Index file"));
  info.binary_contents = binary_contents_;
  if (binary_contents_) info.contents_key = UrlKey(Ansi(project_.contents_file, "Contents file"));
  std::string default_topic = project_.default_topic;
  if (default_topic.empty() && !project_.files.empty()) default_topic = project_.files.front();
  info.default_topic = Ansi(default_topic, "Default topic");
  info.title = Ansi(project_.title, "Title");
  info.default_window = Ansi(project_.default_window, "Default Window");
  info.default_font = Ansi(project_.default_font, "Default Font");
  info.compiled_stem = Ansi(text::LowerAscii(book.stem().u8string()), "Compiled file");
  return BuildSystem(info, idxhdr);
}

std::vector<Compiler::Section0Piece> Compiler::LayOutSection0(const Bytes& system) {
  const std::uint64_t uncompressed = encoder_->UncompressedSize();
  const std::uint64_t content_size = encoder_->CompressedSize();
  // Section 0, in the order Microsoft's compiler uses.
  section0_tables_ = {NameListFile(),
                      TransformListFile(),
                      SpanInfoFile(uncompressed),
                      ControlDataFile(),
                      system,
                      ResetTableFile(uncompressed, content_size, encoder_->FrameOffsets())};
  const Bytes* t = section0_tables_.data();
  std::vector<Section0Piece> pieces = {{kNameListName, &t[0]},  {kTransformListName, &t[1]},
                                       {kSpanInfoName, &t[2]},  {kControlDataName, &t[3]},
                                       {"/#SYSTEM", &t[4]},     {kContentName, nullptr},
                                       {kResetTableName, &t[5]}};
  // Microsoft's compiler stores the reset table as soon as the first frame is complete, before
  // #SYSTEM; a section of one frame gets its table only at the end, after the content.
  if (encoder_->FrameOffsets().size() > 1) {
    std::rotate(pieces.begin() + 4, pieces.end() - 1, pieces.end());
  }
  return pieces;
}

std::vector<DirectoryEntry> Compiler::ListDirectoryEntries(const std::vector<Section0Piece>& pieces,
                                                           std::uint64_t* section0_size) const {
  std::vector<DirectoryEntry> entries;
  std::uint64_t offset = 0;
  for (const Section0Piece& p : pieces) {
    const std::uint64_t size = p.bytes ? p.bytes->size() : encoder_->CompressedSize();
    entries.push_back(DirectoryEntry{p.name, 0, offset, size});
    offset += size;
  }
  *section0_size = offset;
  entries.push_back(DirectoryEntry{"/#ITBITS", 0, 0, 0});
  entries.push_back(DirectoryEntry{kInstanceDataDirName, 0, 0, 0});
  std::unordered_set<std::string> folders{"/"};
  auto add_folders = [&](const std::string& name) {
    for (size_t slash = name.find('/', 1); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
      folders.insert(name.substr(0, slash + 1));
    }
  };
  for (const Section1File& f : section1_) {
    entries.push_back(DirectoryEntry{f.name, 1, f.offset, f.length});
    add_folders(f.name);
  }
  for (const std::string& name : empty_files_) {
    entries.push_back(DirectoryEntry{name, 0, 0, 0});
    add_folders(name);
  }
  for (const std::string& folder : folders) entries.push_back(DirectoryEntry{folder, 0, 0, 0});
  return entries;
}

BookExpectation Compiler::ExpectedBook(const std::vector<DirectoryEntry>& entries) const {
  BookExpectation expected;
  for (const DirectoryEntry& e : entries) {
    expected.directory_digest += DirectoryEntryDigest(e.name, e.section, e.offset, e.length);
  }
  expected.frame_digests = encoder_->FrameDigests();
  return expected;
}

void Compiler::WriteContainer(const fs::path& book, const std::vector<Section0Piece>& pieces,
                              const Directory& directory, std::uint64_t section0_size,
                              const BookExpectation& expected) {
  const std::uint32_t stamp = static_cast<std::uint32_t>(unix_time_);
  Bytes header = ItsfHeader(directory.bytes.size(), project_.lcid, stamp);
  const std::uint64_t file_size =
      header.size() + kHeaderSection0Size + directory.bytes.size() + section0_size;
  Bytes header_section0 = HeaderSection0(file_size);

  BookOutput out(book);
  out.Write(header);
  out.Write(header_section0);
  out.Write(directory.bytes);
  for (const Section0Piece& p : pieces) {
    if (p.bytes) {
      out.Write(*p.bytes);
    } else {
      content_->CopyTo(&out);
    }
  }
  // Read back before it takes the book's name: a fault of ours fails here, not in a reader.
  out.Close();
  if (settings_.written) settings_.written(out.temporary_path());
  SelfCheckBook(out.temporary_path(), book.u8string(), expected);
  out.Commit();
  std::error_code ec;
  result_->book_bytes = fs::file_size(book, ec);
}

// The book's steps after its files are streamed: the help tables join the compressed section,
// the section is finished, section 0 and the directory are laid out, and the container is
// written, read back and given the book's name.
void Compiler::WriteBook(const fs::path& book) {
  Bytes idxhdr = WriteHelpTables();
  FinishContent();
  std::vector<Section0Piece> pieces = LayOutSection0(BuildSystemTable(book, idxhdr));
  std::uint64_t section0_size = 0;
  std::vector<DirectoryEntry> entries = ListDirectoryEntries(pieces, &section0_size);
  BookExpectation expected = ExpectedBook(entries);
  Directory directory = BuildDirectory(std::move(entries));
  WriteContainer(book, pieces, directory, section0_size, expected);
}

}  // namespace chm
