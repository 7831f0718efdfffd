#include "jet/LongValue.h"

#include <unordered_set>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {
namespace {

[[noreturn]] void BadLongValue(uint32_t rowPointer, const char* why) {
  throw CorruptRow(RowPointerPage(rowPointer), RowPointerRow(rowPointer),
                   std::string("的长数据值（备注或 OLE 对象）") + why);
}

}  // namespace

void EncodeInlineLongValueDescriptor(uint32_t length, uint8_t* at) {
  PutU32(at + longvalue::kLengthOffset, length | longvalue::kInline);
  PutU32(at + longvalue::kRowPointerOffset, 0);
  PutU32(at + longvalue::kChainStampOffset, 0);
}

void AppendInlineLongValue(std::span<const uint8_t> payload, std::vector<uint8_t>& out) {
  const size_t at = out.size();
  out.resize(at + longvalue::kDescriptorSize);
  EncodeInlineLongValueDescriptor(uint32_t(payload.size()), out.data() + at);
  out.insert(out.end(), payload.begin(), payload.end());
}

void AppendSingleRowLongValue(uint32_t length, uint32_t rowPointer, std::vector<uint8_t>& out) {
  ByteWriter w(out);
  w.U32(length | longvalue::kSingleRow);
  w.U32(rowPointer);
  w.U32(0);
}

std::vector<uint8_t> ReadLongValue(std::span<const uint8_t> stored, uint32_t rowPointer,
                                   const LongValueRowFetcher& fetch) {
  if (stored.size() < longvalue::kDescriptorSize) BadLongValue(rowPointer, "的描述符不完整。");
  const uint32_t word = GetU32(&stored[longvalue::kLengthOffset]);
  const uint32_t length = word & longvalue::kLengthMask;
  const uint32_t pointer = GetU32(&stored[longvalue::kRowPointerOffset]);
  switch (word & longvalue::kStorageMask) {
    case longvalue::kInline:
      if (stored.size() - longvalue::kDescriptorSize < length) BadLongValue(rowPointer, "超出了所在的行。");
      return {stored.begin() + longvalue::kDescriptorSize, stored.begin() + longvalue::kDescriptorSize + length};
    case longvalue::kSingleRow: {
      std::vector<uint8_t> row = fetch(pointer);
      if (row.size() < length) BadLongValue(rowPointer, "比其所在的行更长。");
      row.resize(length);
      return row;
    }
    case longvalue::kChained: {
      std::vector<uint8_t> value;
      uint32_t next = pointer;
      // A sound chain meets each of its rows once; stopping at the first row seen twice ends a
      // damaged one at once, however large the length it claims.
      std::unordered_set<uint32_t> seen;
      while (next != 0 && value.size() < length) {
        if (!seen.insert(next).second) BadLongValue(rowPointer, "的数据链形成了环。");
        std::vector<uint8_t> chunk = fetch(next);
        if (chunk.size() < longvalue::kChunkPointerSize) BadLongValue(rowPointer, "的数据块不完整。");
        next = GetU32(chunk.data());
        value.insert(value.end(), chunk.begin() + longvalue::kChunkPointerSize, chunk.end());
      }
      if (value.size() < length) BadLongValue(rowPointer, "的数据链提前结束。");
      if (next != 0) BadLongValue(rowPointer, "的数据链在值的长度用完后仍未结束。");
      value.resize(length);
      return value;
    }
    default:
      BadLongValue(rowPointer, "的存储方式无法识别。");
  }
}

}  // namespace ipmdb::jet
