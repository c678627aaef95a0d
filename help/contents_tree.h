// #TOCIDX, the binary contents tree Windows' viewer shows instead of reading the contents file
// when the project says "Binary TOC=Yes".
//
// A 4 KiB header (offset of the first node, of the topic records, their number, and of the topic
// slots), then one node per contents entry at the offsets ContentsNodeOffsets gives (level by
// level, none across a 4 KiB block): WORD 0, WORD the number of topic records before it, DWORD
// flags (8: opens a topic; 1 and 4: has children), DWORD its #TOPICS number or, when it opens no
// topic, the #STRINGS offset of its name, DWORD its parent's offset, DWORD its next sibling's,
// and for a node with children DWORD its first child's and DWORD 0. Then one DWORD topic slot per
// node that opens a topic, and, from the next 16-byte boundary, one 16-byte topic record for each
// such node: its offset, a number counting from 666, its slot's offset, its #TOPICS number.
#pragma once

#include <cstdint>
#include <vector>

#include "itsf/bytes.h"

namespace chm {

struct ContentsNode {
  int depth = 0;            // nesting, as the contents file has it
  bool has_topic = false;   // opens a stored page
  std::uint32_t topic = 0;  // #TOPICS number, with has_topic
  std::uint32_t name = 0;   // #STRINGS offset of its name, without
};

// Nodes in the contents file's order.
Bytes BuildContentsTree(const std::vector<ContentsNode>& nodes);

}  // namespace chm
