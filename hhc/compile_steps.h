// The compiler's state and its steps, shared by the files that implement them: compiler.cpp
// reads the project and streams its files, compile_tables.cpp writes the viewer's tables into
// the compressed section, compile_container.cpp lays out and writes the container.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "help/contents_tree.h"
#include "help/fulltext_index.h"
#include "help/keyword_index.h"
#include "help/tables.h"
#include "help/topic_tables.h"
#include "help/window_def.h"
#include "hhc/compiler.h"
#include "hhc/file_set.h"
#include "hhc/link_scan.h"
#include "hhc/project.h"
#include "hhc/sitemap.h"
#include "itsf/container.h"
#include "itsf/content_spool.h"
#include "itsf/directory.h"
#include "itsf/self_check.h"
#include "lzx/encoder.h"

namespace chm {

struct Section1File {
  std::string name;  // directory name, with the leading '/'
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

class Compiler {
 public:
  Compiler(const std::string& project_path, const CompileSettings& settings, CompileResult* result)
      : project_path_(std::filesystem::u8path(project_path)),
        settings_(settings),
        result_(result) {}

  void Run();

 private:
  std::string Label(const std::filesystem::path& p) const { return p.u8string(); }
  std::string Ansi(const std::string& utf8, const std::string& what) const;
  void ReadProject();
  void ReadStopList();
  std::filesystem::path BookPath();
  void CollectNamedFiles();
  void ReadSitemap(const std::string& option_value, bool is_contents);
  void StreamFiles(const std::filesystem::path& book);
  void StreamOne(size_t index);
  void AddReferences(const std::string& page_name, const PageScan& scan, std::string_view page);
  void WriteSection1Table(const std::string& name, const Bytes& bytes);
  void ReadContentsProperties(const SitemapParams& properties, const std::string& label);
  std::vector<std::string> PlaceTopicsInContents();
  std::vector<std::uint32_t> AddMergedBooks(StringPool* strings);
  std::vector<ContentsNode> ContentsNodes(StringPool* strings) const;
  bool BinaryContentsBuildable() const;

  // A file of section 0, in the order it is written; `bytes` is null for the compressed
  // section, which comes from the spool.
  struct Section0Piece {
    const char* name;
    const Bytes* bytes;
  };
  std::vector<WindowDef> AnsiWindows() const;
  Bytes WriteHelpTables();
  bool BinaryIndexBuildable() const;
  KeywordIndex BuildBinaryIndex();
  void AddAnchorTopics();
  void FinishContent();
  Bytes BuildSystemTable(const std::filesystem::path& book, const Bytes& idxhdr) const;
  std::vector<Section0Piece> LayOutSection0(const Bytes& system);
  std::vector<DirectoryEntry> ListDirectoryEntries(const std::vector<Section0Piece>& pieces,
                                                   std::uint64_t* section0_size) const;
  BookExpectation ExpectedBook(const std::vector<DirectoryEntry>& entries) const;
  void WriteContainer(const std::filesystem::path& book, const std::vector<Section0Piece>& pieces,
                      const Directory& directory, std::uint64_t section0_size,
                      const BookExpectation& expected);
  void WriteBook(const std::filesystem::path& book);

  std::filesystem::path project_path_;
  CompileSettings settings_;
  CompileResult* result_;
  Project project_;
  std::filesystem::path root_;
  std::unique_ptr<FileSet> files_;
  // One contents entry as the help tables need it.
  struct ContentsEntry {
    int depth = 0;
    std::string target;  // folded name of the stored file it opens, empty when none
    std::string name;    // code page bytes
    std::string anchor;  // "#part" when it opens a place inside the page, else empty
  };
  std::string ContentsTopicName(const ContentsEntry& e) const;
  std::unordered_set<std::string> contents_targets_;  // folded names the contents lists
  std::vector<ContentsEntry> contents_entries_;
  std::optional<ContentsProperties> contents_properties_;
  // File names of the books the contents merge in ("other.chm" of "other.chm::/toc.hhc"), code
  // page bytes, in the contents' order.
  std::vector<std::string> contents_merges_;
  std::unordered_map<std::string, size_t> topic_by_name_;  // folded name -> index in topics_
  std::unordered_set<std::string> sitemap_names_;          // folded names of both sitemaps
  struct IndexEntry {
    std::string name;                  // keyword, code page bytes
    std::vector<std::string> targets;  // folded stored names, with the anchor if any
    std::vector<std::string> parents;  // the keywords it is nested under, outermost first
    std::string see_also;              // the "See Also" text, code page bytes
  };
  std::vector<IndexEntry> index_entries_;
  bool index_is_flat_ = true;  // no nested keywords, no "See Also"
  std::vector<WindowDef> windows_;
  std::vector<Topic> topics_;
  std::vector<Section1File> section1_;
  std::vector<std::string> empty_files_;
  std::unique_ptr<ContentSpool> content_;
  std::unique_ptr<LzxEncoder> encoder_;
  bool keyword_links_ = false;             // the book has a binary keyword index
  bool binary_contents_ = false;           // the book has #TOCIDX
  std::unique_ptr<FullTextIndex> search_;  // when the project asks for full-text search
  std::string buffer_;
  std::uint64_t unix_time_ = 0;
  std::vector<Bytes> section0_tables_;  // the section 0 files other than the content
};

}  // namespace chm
