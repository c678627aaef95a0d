#include "itsf/container.h"

namespace chm {

const char kNameListName[] = "::DataSpace/NameList";
const char kTransformListName[] = "::DataSpace/Storage/MSCompressed/Transform/List";
const char kSpanInfoName[] = "::DataSpace/Storage/MSCompressed/SpanInfo";
const char kControlDataName[] = "::DataSpace/Storage/MSCompressed/ControlData";
const char kContentName[] = "::DataSpace/Storage/MSCompressed/Content";
const char kResetTableName[] =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";
const char kInstanceDataDirName[] =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/";

namespace {

constexpr std::uint32_t kLzxFrame = 0x8000;

void PutUtf16Name(Bytes* b, const char* ascii) {
  std::string_view s(ascii);
  PutU16(b, static_cast<std::uint32_t>(s.size()));
  for (char c : s) PutU16(b, static_cast<unsigned char>(c));
  PutU16(b, 0);
}

}  // namespace

Bytes NameListFile() {
  Bytes b;
  PutU16(&b, 0);  // length in words, set below
  PutU16(&b, 2);
  PutUtf16Name(&b, "Uncompressed");
  PutUtf16Name(&b, "MSCompressed");
  SetU16(&b, 0, static_cast<std::uint32_t>(b.size() / 2));
  return b;
}

Bytes TransformListFile() {
  // The LZX transform's GUID as UTF-16 text, cut to 38 bytes as every compiler writes it.
  Bytes b;
  for (char c : std::string_view("{7FC28940-9D31-11D0")) PutU16(&b, static_cast<unsigned char>(c));
  return b;
}

Bytes SpanInfoFile(std::uint64_t uncompressed) {
  Bytes b;
  PutU64(&b, uncompressed);
  return b;
}

Bytes ControlDataFile() {
  Bytes b;
  PutU32(&b, 6);  // DWORDs that follow
  PutText(&b, "LZXC");
  PutU32(&b, 2);  // version: sizes below in units of 32 KiB
  PutU32(&b, 2);  // reset interval: 64 KiB
  PutU32(&b, 2);  // window: 64 KiB
  PutU32(&b, 1);  // windows per reset; chmlib derives its frame count from it
  PutU32(&b, 0);
  return b;
}

Bytes ResetTableFile(std::uint64_t uncompressed, std::uint64_t compressed,
                     const std::vector<std::uint64_t>& frame_offsets) {
  // 7-Zip counts (U + 0x8001) / 0x8000 frames, one more than there are when U is a multiple of
  // 32 KiB or one byte short of one, and then accepts the table only with a final entry that
  // holds the compressed length. Only then is that entry written; Microsoft never writes it.
  const bool final_entry = (uncompressed + kLzxFrame + 1) / kLzxFrame != frame_offsets.size();
  Bytes b;
  PutU32(&b, 2);
  PutU32(&b, static_cast<std::uint32_t>(frame_offsets.size() + (final_entry ? 1 : 0)));
  PutU32(&b, 8);
  PutU32(&b, 0x28);
  PutU64(&b, uncompressed);
  PutU64(&b, compressed);
  PutU64(&b, kLzxFrame);
  for (std::uint64_t o : frame_offsets) PutU64(&b, o);
  if (final_entry) PutU64(&b, compressed);
  return b;
}

Bytes ItsfHeader(std::uint64_t directory_size, std::uint32_t lcid, std::uint32_t stamp) {
  static const std::uint8_t kTail[8] = {0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  Bytes b;
  PutText(&b, "ITSF");
  PutU32(&b, 3);
  PutU32(&b, kItsfHeaderSize);
  PutU32(&b, 1);
  // Readers ignore the stamp; it is stored big-endian like the other compilers do.
  PutU8(&b, stamp >> 24);
  PutU8(&b, stamp >> 16);
  PutU8(&b, stamp >> 8);
  PutU8(&b, stamp);
  PutU32(&b, lcid);
  PutGuid(&b, 0x7C01FD10, 0x7BAA, 0x11D0, kTail);
  PutGuid(&b, 0x7C01FD11, 0x7BAA, 0x11D0, kTail);
  const std::uint64_t directory_offset = kItsfHeaderSize + kHeaderSection0Size;
  PutU64(&b, kItsfHeaderSize);
  PutU64(&b, kHeaderSection0Size);
  PutU64(&b, directory_offset);
  PutU64(&b, directory_size);
  PutU64(&b, directory_offset + directory_size);
  return b;
}

Bytes HeaderSection0(std::uint64_t file_size) {
  Bytes b;
  PutU32(&b, 0x01FE);
  PutU32(&b, 0);
  PutU64(&b, file_size);
  PutU32(&b, 0);
  PutU32(&b, 0);
  return b;
}

}  // namespace chm
