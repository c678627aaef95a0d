// The viewer's tables of a book, written into its compressed section after the pages.
#include <algorithm>
#include <cstdio>

#include "help/search_objects.h"
#include "hhc/compile_steps.h"
#include "text/ascii.h"

namespace chm {

void Compiler::WriteSection1Table(const std::string& name, const Bytes& bytes) {
  section1_.push_back(Section1File{name, encoder_->UncompressedSize(), bytes.size()});
  encoder_->Write(bytes.data(), bytes.size());
}

std::vector<WindowDef> Compiler::AnsiWindows() const {
  std::vector<WindowDef> ansi_windows = windows_;
  for (WindowDef& w : ansi_windows) {
    const std::string what = "window " + w.name;
    for (std::string* s : {&w.name, &w.caption, &w.toc, &w.index, &w.file, &w.home, &w.jump1_url,
                           &w.jump1_text, &w.jump2_url, &w.jump2_text}) {
      *s = Ansi(*s, what);
    }
  }
  return ansi_windows;
}

// Each page in the contents gets the place of its first entry in the contents tree, and a page
// without a title takes that entry's name, as Microsoft's compiler does.
// Returns what each entry shows, in the tree's order: its page's title, or its own name when it
// opens no page.
std::vector<std::string> Compiler::PlaceTopicsInContents() {
  std::vector<int> depths;
  for (const ContentsEntry& e : contents_entries_) depths.push_back(e.depth);
  std::vector<std::uint32_t> offsets = ContentsNodeOffsets(depths);
  std::vector<size_t> naming_entry(topics_.size(), contents_entries_.size());
  for (size_t i = 0; i < contents_entries_.size(); ++i) {
    auto found = topic_by_name_.find(ContentsTopicName(contents_entries_[i]));
    if (contents_entries_[i].target.empty() || found == topic_by_name_.end()) continue;
    Topic& topic = topics_[found->second];
    if (topic.contents_node == 0 || offsets[i] < topic.contents_node) {
      topic.contents_node = offsets[i];
      naming_entry[found->second] = i;
    }
  }
  for (size_t t = 0; t < topics_.size(); ++t) {
    if (topics_[t].title.empty() && naming_entry[t] < contents_entries_.size()) {
      topics_[t].title = contents_entries_[naming_entry[t]].name;
    }
  }
  std::vector<size_t> tree_order(contents_entries_.size());
  for (size_t i = 0; i < tree_order.size(); ++i) tree_order[i] = i;
  std::sort(tree_order.begin(), tree_order.end(),
            [&](size_t a, size_t b) { return offsets[a] < offsets[b]; });
  std::vector<std::string> shown;
  for (size_t i : tree_order) {
    auto found = topic_by_name_.find(ContentsTopicName(contents_entries_[i]));
    shown.push_back(contents_entries_[i].target.empty() || found == topic_by_name_.end()
                        ? contents_entries_[i].name
                        : topics_[found->second].title);
  }
  return shown;
}

// The contents entries as nodes of the binary contents tree: the topic each opens, or its name.
std::vector<ContentsNode> Compiler::ContentsNodes(StringPool* strings) const {
  std::vector<ContentsNode> nodes;
  for (const ContentsEntry& e : contents_entries_) {
    ContentsNode node;
    node.depth = e.depth;
    auto found =
        e.target.empty() ? topic_by_name_.end() : topic_by_name_.find(ContentsTopicName(e));
    if (found != topic_by_name_.end()) {
      node.has_topic = true;
      node.topic = static_cast<std::uint32_t>(found->second);
    } else {
      node.name = strings->Add(e.name);
    }
    nodes.push_back(node);
  }
  return nodes;
}

// The books merged in at run time, named in #IDXHDR: the project's [MERGE FILES], then those the
// contents merge, each once. Their names follow the windows' strings, as in Microsoft's books.
std::vector<std::uint32_t> Compiler::AddMergedBooks(StringPool* strings) {
  std::vector<std::string> names;
  for (const std::string& f : project_.merge_files) names.push_back(Ansi(f, "[MERGE FILES]"));
  names.insert(names.end(), contents_merges_.begin(), contents_merges_.end());
  std::vector<std::uint32_t> offsets;
  std::unordered_set<std::string> seen;
  for (const std::string& name : names) {
    if (name.empty() || !seen.insert(text::LowerAscii(name)).second) continue;
    if (offsets.size() == kMaxMergedBooks) {
      result_->warnings.push_back(
          Label(project_path_) + ": only the first " + std::to_string(kMaxMergedBooks) +
          " merged books are recorded; the viewer does not merge the others");
      break;
    }
    offsets.push_back(strings->Add(name));
  }
  return offsets;
}

Bytes Compiler::WriteHelpTables() {
  const std::uint32_t stamp = static_cast<std::uint32_t>(unix_time_);
  std::vector<std::string> shown_in_contents = PlaceTopicsInContents();
  StringPool strings;
  Bytes windows = BuildWindows(AnsiWindows(), project_.compatibility_1_0, &strings);
  const std::vector<std::uint32_t> merged_books = AddMergedBooks(&strings);
  // #STRINGS in Microsoft's order: the windows' strings, what the contents entries show level
  // by level (a binary contents tree names its nodes with these), then the other titles.
  for (const std::string& text : shown_in_contents) strings.Add(text);
  TopicTables topic_tables = BuildTopicTables(topics_, &strings);
  Bytes idxhdr = BuildIdxhdr(static_cast<std::uint32_t>(topics_.size()),
                             contents_properties_ ? &*contents_properties_ : nullptr, merged_books,
                             stamp, &strings);

  // Microsoft's order: the window definitions right after the pages.
  if (!windows_.empty()) WriteSection1Table("/#WINDOWS", windows);
  Bytes empty_property(4, 0);
  KeywordIndex keyword_index = BuildBinaryIndex();
  if (keyword_index.btree.empty()) {
    WriteSection1Table("/$WWKeywordLinks/Property", empty_property);
  } else {
    WriteSection1Table("/$WWKeywordLinks/BTree", keyword_index.btree);
    WriteSection1Table("/$WWKeywordLinks/Data", keyword_index.data);
    WriteSection1Table("/$WWKeywordLinks/Map", keyword_index.map);
    WriteSection1Table("/$WWKeywordLinks/Property", keyword_index.property);
    keyword_links_ = true;
  }
  WriteSection1Table("/$WWAssociativeLinks/Property", empty_property);
  if (BinaryContentsBuildable()) {
    WriteSection1Table("/#TOCIDX", BuildContentsTree(ContentsNodes(&strings)));
    binary_contents_ = true;
  }
  if (HasSearchObjects(project_.code_page)) {
    WriteSection1Table("/$OBJINST", BuildSearchObjects(project_.code_page, project_.lcid,
                                                       search_ ? search_->stop_words()
                                                               : std::vector<std::string>()));
  }
  if (search_) {
    WriteSection1Table("/$FIftiMain", search_->Build());
  } else {
    // Microsoft's compiler lists an empty search index when search is off.
    section1_.push_back(Section1File{"/$FIftiMain", 0, 0});
  }
  WriteSection1Table("/#IDXHDR", idxhdr);
  WriteSection1Table("/#TOPICS", topic_tables.topics);
  WriteSection1Table("/#URLTBL", topic_tables.urltbl);
  WriteSection1Table("/#URLSTR", topic_tables.urlstr);
  WriteSection1Table("/#STRINGS", strings.bytes());
  return idxhdr;
}

// Places inside pages that index keywords link to ("a.htm#part") are topics after the pages,
// titled by their first keyword, as Windows' compiler lists them. Only a binary index needs them.
// So does a binary contents tree, whose nodes open topics: a contents entry that opens a place
// inside a page gets a topic of its own, titled by the entry, after those of the index.
void Compiler::AddAnchorTopics() {
  auto add = [this](const std::string& target, const std::string& title, bool in_contents) {
    const size_t hash = target.find('#');
    if (hash == std::string::npos || topic_by_name_.count(target)) return;
    auto page = topic_by_name_.find(target.substr(0, hash));
    if (page == topic_by_name_.end()) return;
    Topic anchor{topics_[page->second].name + target.substr(hash), title, in_contents};
    anchor.anchor = !in_contents;
    topic_by_name_.emplace(target, topics_.size());
    topics_.push_back(std::move(anchor));
  };
  if (BinaryIndexBuildable()) {
    for (const IndexEntry& e : index_entries_) {
      for (const std::string& target : e.targets) add(target, e.name, false);
    }
  }
  if (BinaryContentsBuildable()) {
    for (const ContentsEntry& e : contents_entries_) {
      if (!e.anchor.empty()) add(e.target + e.anchor, e.name, true);
    }
  }
}

bool Compiler::BinaryContentsBuildable() const {
  return project_.binary_toc && !contents_entries_.empty();
}

// The topic a contents entry opens: with a binary contents tree, the place inside the page where
// the entry points to one.
std::string Compiler::ContentsTopicName(const ContentsEntry& e) const {
  return BinaryContentsBuildable() ? e.target + e.anchor : e.target;
}

// Whether the book gets a binary keyword index: where the project has an index file and does not
// turn it off, where its keywords can be put in the viewer's order, and, for nested keywords and
// "See Also" entries, whose layout no book of Microsoft's compiler shows us, only where the
// project asks for the index in so many words.
bool Compiler::BinaryIndexBuildable() const {
  return !project_.index_file.empty() && project_.binary_index &&
         CanSortKeywords(project_.code_page) && (index_is_flat_ || project_.binary_index_stated);
}

KeywordIndex Compiler::BuildBinaryIndex() {
  if (project_.index_file.empty() || !project_.binary_index) return {};
  const std::string hhp = Label(project_path_);
  if (!CanSortKeywords(project_.code_page)) {
    // Windows' viewer finds a keyword by comparing it with the listed ones in the collation of
    // the book's language, and Microsoft's compiler lists them in that order (for 1252 not the
    // byte order: "cafe", "caf\xE9", "cafes"). For Chinese (PRC) that collation is by pinyin, from
    // Windows' own tables; a listing in any other order would make look-ups miss.
    if (project_.binary_index_stated) {
      char lcid[16];
      std::snprintf(lcid, sizeof lcid, "0x%04X", static_cast<unsigned>(project_.lcid));
      result_->warnings.push_back(
          hhp + ": Binary Index=Yes: no binary keyword index for code page " +
          std::to_string(project_.code_page) + ": Windows' viewer looks keywords up in the sort " +
          "order of language " + lcid + (project_.code_page == 936 ? " (pinyin)" : "") +
          ", which is known here only for code page 1252; the Index tab shows the index file, " +
          "but keyword links (KLinks) find nothing");
    }
    return {};
  }
  if (!BinaryIndexBuildable()) {
    result_->warnings.push_back(
        hhp + ": no binary keyword index for an index file with nested keywords or See Also " +
        "entries unless the project says Binary Index=Yes; the viewer reads the index file");
    return {};
  }
  std::vector<Keyword> keywords;
  for (const IndexEntry& e : index_entries_) {
    Keyword k{e.name, {}, e.parents, e.see_also};
    for (const std::string& target : e.targets) {
      auto found = topic_by_name_.find(target);
      if (found != topic_by_name_.end())
        k.topics.push_back(static_cast<std::uint32_t>(found->second));
    }
    keywords.push_back(std::move(k));
  }
  std::string too_large;
  KeywordIndex index = BuildKeywordIndex(keywords, project_.code_page, project_.lcid, &too_large);
  if (!too_large.empty()) {
    result_->warnings.push_back(hhp + ": no binary keyword index: the keyword '" + too_large +
                                "' has too many topics or too long a name for it; the viewer " +
                                "reads the index file instead");
  }
  return index;
}

}  // namespace chm
