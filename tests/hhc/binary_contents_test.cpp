// The binary contents tree (#TOCIDX) that "Binary TOC=Yes" asks for. No book of Microsoft's
// compiler has one, so it is compared field by field with chmcmd's for the same project; each
// difference kept is asserted here with its reason. Microsoft's books do fix one part: the node
// offsets, which their #TOPICS lists whether or not the tree is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "help/topic_tables.h"
#include "hhc/compiler.h"
#include "tests/support/binary_tables.h"
#include "tests/support/chm_support.h"

namespace chm_test {
namespace {

std::string Entry(const std::string& name, const std::string& local) {
  return "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"" + name + "\">" +
         (local.empty() ? "" : "<param name=\"Local\" value=\"" + local + "\">") + "</object>\n";
}

TEST(BinaryContents, NodesAsChmcmdWritesThemWithTheTopicsPointingBack) {
  const fs::path dir = FreshFolder("binary_contents");
  std::string files;
  // A second book with enough pages that its children cross a 4 KiB block of nodes.
  std::string many;
  for (int i = 0; i < 230; ++i) {
    const std::string page = "p" + std::to_string(i) + ".htm";
    WriteBytes(dir / page, "<html><head><title>P" + std::to_string(i) + "</title></head></html>");
    files += page + "\r\n";
    many += Entry("Page " + std::to_string(i), page);
  }
  for (const char* page : {"a", "b", "c", "d"}) {
    WriteBytes(dir / (std::string(page) + ".htm"),
               std::string("<html><head><title>") + page + "</title></head></html>");
    files += std::string(page) + ".htm\r\n";
  }
  WriteBytes(dir / "t.hhc", "<html><body><ul>\n" + Entry("Book", "a.htm") + "<ul>" +
                                Entry("Bee", "b.htm") + Entry("Part two", "d.htm#two") +
                                Entry("Heading", "") + "<ul>" + Entry("Deep", "c.htm") + "</ul>" +
                                "</ul>" + Entry("Dee", "d.htm") + Entry("No page", "") +
                                Entry("Many", "") + "<ul>" + many + "</ul>" +
                                Entry("Bee again", "b.htm") + "</ul></body></html>");
  const std::string options =
      "Contents file=t.hhc\r\nBinary TOC=Yes\r\nLanguage=0x409 English (United States)\r\n"
      "Default topic=a.htm\r\n\r\n[FILES]\r\n" +
      files;
  WriteBytes(dir / "ours.hhp", "[OPTIONS]\r\nCompiled file=ours.chm\r\n" + options);
  WriteBytes(dir / "theirs.hhp", "[OPTIONS]\r\nCompiled file=theirs.chm\r\n" + options);
  chm::CompileSettings settings;
  settings.unix_time = 1700000000;
  const chm::CompileResult r = chm::CompileProject((dir / "ours.hhp").u8string(), settings);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
  const std::string command = "cd '" + dir.string() + "' && chmcmd theirs.hhp >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "chmcmd failed";

  const InspectedBook our_book = InspectBook(dir / "ours.chm");
  const TocIdxFields ours = ReadTocIdx(our_book);
  const InspectedBook their_book = InspectBook(dir / "theirs.chm");
  const TocIdxFields theirs = ReadTocIdx(their_book, 12);
  ASSERT_TRUE(ours.present && theirs.present);
  EXPECT_TRUE(ours.problems.empty() && theirs.problems.empty());
  EXPECT_EQ(ours.first_node, 0x1000u);
  EXPECT_EQ(ours.first_node, theirs.first_node);
  EXPECT_EQ(ours.entry_count, theirs.entry_count);

  ASSERT_EQ(ours.nodes.size(), 239u);
  ASSERT_EQ(ours.nodes.size(), theirs.nodes.size());
  // Links compared as the positions of the nodes they lead to (-1 none, -2 no node there).
  auto position = [](const TocIdxFields& t, std::uint32_t at) {
    if (at == 0) return -1;
    for (size_t i = 0; i < t.nodes.size(); ++i) {
      if (t.nodes[i].at == at) return static_cast<int>(i);
    }
    return -2;
  };
  auto crosses = [](const TocNodeFields& n) {
    return n.at / 0x1000 != (n.at + (n.child ? 28 : 20) - 1) / 0x1000;
  };
  std::map<std::string, std::uint32_t> first_node_of;  // nodes are in offset order
  for (const TocNodeFields& n : ours.nodes) first_node_of.emplace(n.target, n.at);
  std::set<std::uint32_t> top_level;  // chmcmd's, along the sibling links from its first node
  for (std::uint32_t at = theirs.first_node; at != 0 && top_level.insert(at).second;) {
    const int n = position(theirs, at);
    at = n < 0 ? 0 : theirs.nodes[static_cast<size_t>(n)].next;
  }
  bool they_crossed = false;
  for (size_t i = 0; i < ours.nodes.size(); ++i) {
    const TocNodeFields& a = ours.nodes[i];
    const TocNodeFields& b = theirs.nodes[i];
    const bool children = a.child != 0;
    // The same offsets until chmcmd lets a node cross a 4 KiB block: Microsoft's #TOPICS shows
    // that its compiler moves such a node to the next block, as ours does.
    they_crossed |= crosses(b);
    if (!they_crossed) {
      EXPECT_EQ(a.at, b.at) << a.target;
    }
    EXPECT_FALSE(crosses(a)) << a.target;
    EXPECT_EQ(a.unknown, 0) << a.target;
    EXPECT_EQ(a.target, b.target) << a.target;
    EXPECT_EQ(position(ours, a.next), position(theirs, b.next)) << a.target;
    EXPECT_EQ(position(ours, a.child), position(theirs, b.child)) << a.target;
    // chmcmd's parent is the parent's offset less 0x1000 (0 under the first node and at the
    // top); ours is the offset itself, as the sibling and child links are.
    EXPECT_EQ(position(ours, a.parent),
              top_level.count(b.at) ? -1 : position(theirs, b.parent + theirs.first_node))
        << a.target;
    // Flags: 8 opens a topic, 4 has children; Halibut, whose author read Microsoft's books,
    // also sets 1 with the children, chmcmd does not.
    EXPECT_EQ(a.flags & 0xC, b.flags & 0xC) << a.target;
    EXPECT_EQ(a.flags, (b.flags & 0xC) | (children ? 1u : 0u)) << a.target;
    // The number of topic records before the node; chmcmd counts a node's own as well.
    EXPECT_EQ(a.index + ((a.flags & 8) ? 1 : 0), b.index) << a.target;
    // Each page's #TOPICS row names the first node that opens it.
    if (a.flags & 8) {
      const TopicFields& topic = our_book.topics.at(a.topic_or_string);
      EXPECT_EQ(topic.toc_offset, first_node_of[a.target]) << a.target;
    }
  }
  EXPECT_TRUE(they_crossed);
  const TocNodeFields& last = ours.nodes.back();
  EXPECT_EQ(ours.topic_slots_at, last.at + (last.child ? 28 : 20));
  // The topic records start at a 16-byte boundary, as in the books Halibut writes after
  // Microsoft's; chmcmd puts them right after the slots.
  EXPECT_EQ(ours.entries_at, (ours.topic_slots_at + 4 * ours.topic_slots.size() + 15) / 16 * 16);
  EXPECT_EQ(theirs.entries_at, theirs.topic_slots_at + 4 * theirs.entry_count);
  EXPECT_EQ(ours.nodes[0].target, "a.htm");
  EXPECT_EQ(ours.nodes[2].target, "No page");  // named through #STRINGS
  // An entry that opens a place inside a page opens a topic of its own, titled by the entry, as
  // in chmcmd's books; with the page's topic the viewer would show the page's title and open it
  // at its top.
  EXPECT_EQ(ours.nodes[6].target, "d.htm#two");
  EXPECT_EQ(our_book.topics.at(ours.nodes[6].topic_or_string).title, "Part two");

  // One slot and one record per node that opens a topic, in node order, numbered from 666.
  ASSERT_EQ(ours.topic_slots.size(), theirs.topic_slots.size());
  ASSERT_EQ(ours.entries.size(), theirs.entries.size());
  for (size_t i = 0; i < ours.entries.size(); ++i) {
    const TocEntryFields& a = ours.entries[i];
    EXPECT_EQ(position(ours, a.node), position(theirs, theirs.entries[i].node));
    EXPECT_EQ(a.number, theirs.entries[i].number);
    EXPECT_EQ(a.number, 666 + i);
    // chmcmd leaves the slot's offset undefined and writes no topic (its records are 12 bytes).
    EXPECT_EQ(a.topic_slot, ours.topic_slots_at + 4 * i);
    EXPECT_EQ(a.topic, ours.topic_slots[i]);
    EXPECT_EQ(our_book.topics.at(ours.topic_slots[i]).name,
              their_book.topics.at(theirs.topic_slots[i]).name);
  }

  // #SYSTEM code 11: the contents file's key, as code 7 has the index file's (chmcmd writes 0).
  const SystemRecord* code11 = our_book.system.Find(11);
  ASSERT_NE(code11, nullptr);
  ASSERT_EQ(code11->data.size(), 4u);
  std::uint32_t key = 0;
  for (int i = 3; i >= 0; --i) key = key << 8 | static_cast<unsigned char>(code11->data[i]);
  EXPECT_EQ(key, chm::UrlKey("t.hhc"));

  // Every reader finds the same files.
  const BookFiles by_chmlib = ReadWithChmlib(dir / "ours.chm");
  EXPECT_EQ(ReadWithMspack(dir / "ours.chm"), by_chmlib);
  EXPECT_EQ(ReadWith7z(dir / "ours.chm"), by_chmlib);
  EXPECT_EQ(by_chmlib.count("/#TOCIDX"), 1u);
}

}  // namespace
}  // namespace chm_test
