// The ITSF container around the directory: file header, header section 0, and the
// ::DataSpace files that describe the LZX-compressed section 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "itsf/bytes.h"
#include "itsf/directory.h"

namespace chm {

constexpr std::uint32_t kItsfHeaderSize = 0x60;
constexpr std::uint32_t kHeaderSection0Size = 0x18;

extern const char kNameListName[];       // ::DataSpace/NameList
extern const char kTransformListName[];  // ::DataSpace/Storage/MSCompressed/Transform/List
extern const char kSpanInfoName[];
extern const char kControlDataName[];
extern const char kContentName[];
extern const char kResetTableName[];
extern const char kInstanceDataDirName[];  // the .../InstanceData/ directory entry

Bytes NameListFile();
Bytes TransformListFile();
Bytes SpanInfoFile(std::uint64_t uncompressed);
Bytes ControlDataFile();
// One entry per 32 KiB frame, and a final entry holding the compressed length only where 7-Zip
// needs one (an uncompressed length that is a multiple of 32 KiB or one byte short of one).
Bytes ResetTableFile(std::uint64_t uncompressed, std::uint64_t compressed,
                     const std::vector<std::uint64_t>& frame_offsets);

// ITSF header (version 3) and header section 0 for a directory of `directory_size` bytes and a
// whole file of `file_size` bytes.
Bytes ItsfHeader(std::uint64_t directory_size, std::uint32_t lcid, std::uint32_t stamp);
Bytes HeaderSection0(std::uint64_t file_size);

}  // namespace chm
