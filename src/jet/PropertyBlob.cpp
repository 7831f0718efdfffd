#include "jet/PropertyBlob.h"

#include <algorithm>
#include <array>

#include "jet/Bytes.h"
#include "jet/Error.h"

namespace ipmdb::jet {
namespace {

constexpr std::array<uint8_t, 4> kSignature{'M', 'R', '2', 0};
constexpr uint16_t kNamePoolBlock = 0x0080;
constexpr uint16_t kObjectBlock = 0x0000;
constexpr uint16_t kColumnBlock = 0x0001;
constexpr size_t kBlockHeaderSize = 6;  // u32 block length (counting itself) + u16 block type
constexpr size_t kEntryHeaderSize = 8;  // u16 length, u8 ddl flag, u8 type, u16 name index, u16 value length

std::vector<uint8_t> Utf16Bytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  ByteWriter(bytes).Utf16(text);
  return bytes;
}

[[noreturn]] void Corrupt(const std::optional<ErrorPlace>& where, const char* why) {
  const std::string place = where ? PlaceText(*where) + "的" : std::string();
  throw JetError(ErrorKind::Corrupt, kCorruptPrefix + place + "属性数据" + why, where);
}

std::u16string ReadUtf16(std::span<const uint8_t> bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(GetU16(&bytes[i])));
  return text;
}

}  // namespace

Property Property::Text(std::u16string name, std::u16string_view value, bool ddl) {
  return {std::move(name), ColumnType::Text, ddl, Utf16Bytes(value)};
}
Property Property::Memo(std::u16string name, std::u16string_view value, bool ddl) {
  return {std::move(name), ColumnType::Memo, ddl, Utf16Bytes(value)};
}
Property Property::Boolean(std::u16string name, bool value, bool ddl) {
  return {std::move(name), ColumnType::Boolean, ddl, {uint8_t(value ? 1 : 0)}};
}
Property Property::Byte(std::u16string name, uint8_t value, bool ddl) {
  return {std::move(name), ColumnType::Byte, ddl, {value}};
}
Property Property::Long(std::u16string name, int32_t value, bool ddl) {
  std::vector<uint8_t> bytes(4);
  PutU32(bytes.data(), uint32_t(value));
  return {std::move(name), ColumnType::Long, ddl, std::move(bytes)};
}

std::vector<uint8_t> EncodePropertyBlob(const std::vector<PropertyBlock>& blocks) {
  // The pool holds every property name once, in order of first use.
  std::vector<std::u16string> pool;
  for (const auto& block : blocks)
    for (const auto& p : block.properties)
      if (std::find(pool.begin(), pool.end(), p.name) == pool.end()) pool.push_back(p.name);

  std::vector<uint8_t> blob(kSignature.begin(), kSignature.end());
  ByteWriter w(blob);
  const size_t poolStart = blob.size();
  w.U32(0);
  w.U16(kNamePoolBlock);
  for (const auto& name : pool) {
    w.U16(uint16_t(2 * name.size()));
    w.Utf16(name);
  }
  PutU32(&blob[poolStart], uint32_t(blob.size() - poolStart));

  for (const auto& block : blocks) {
    const size_t blockStart = blob.size();
    w.U32(0);
    w.U16(block.owner.empty() ? kObjectBlock : kColumnBlock);
    w.U32(uint32_t(4 + 2 + 2 * block.owner.size()));  // owner length counts itself
    w.U16(uint16_t(2 * block.owner.size()));
    w.Utf16(block.owner);
    for (const auto& p : block.properties) {
      const auto nameIndex = std::find(pool.begin(), pool.end(), p.name) - pool.begin();
      w.U16(uint16_t(kEntryHeaderSize + p.value.size()));
      w.U8(p.ddl ? 1 : 0);
      w.U8(uint8_t(p.type));
      w.U16(uint16_t(nameIndex));
      w.U16(uint16_t(p.value.size()));
      w.Bytes(p.value);
    }
    PutU32(&blob[blockStart], uint32_t(blob.size() - blockStart));
  }
  return blob;
}

std::vector<PropertyBlock> DecodePropertyBlob(std::span<const uint8_t> blob, std::optional<ErrorPlace> where) {
  if (blob.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), blob.begin()))
    Corrupt(where, "缺少“MR2”签名。");
  std::vector<std::u16string> pool;
  std::vector<PropertyBlock> blocks;
  size_t pos = kSignature.size();
  while (pos < blob.size()) {
    if (blob.size() - pos < kBlockHeaderSize) Corrupt(where, "的块头不完整。");
    const uint32_t length = GetU32(&blob[pos]);
    const uint16_t type = GetU16(&blob[pos + 4]);
    if (length < kBlockHeaderSize || length > blob.size() - pos) Corrupt(where, "的块长度不正确。");
    ByteReader r(blob.subspan(pos + kBlockHeaderSize, length - kBlockHeaderSize), "属性块");
    if (type == kNamePoolBlock) {
      while (r.Remaining() > 0) {
        const uint16_t bytes = r.U16();
        pool.push_back(ReadUtf16(r.Bytes(bytes)));
      }
    } else if (type == kObjectBlock || type == kColumnBlock) {
      PropertyBlock block;
      const uint32_t ownerLength = r.U32();
      const uint16_t nameBytes = r.U16();
      block.owner = ReadUtf16(r.Bytes(nameBytes));
      if (ownerLength < 6) Corrupt(where, "的对象名长度不正确。");
      r.Skip(ownerLength - 6 - nameBytes);
      while (r.Remaining() > 0) {
        const uint16_t entryLength = r.U16();
        Property p;
        p.ddl = r.U8() != 0;
        p.type = ColumnType(r.U8());
        const uint16_t nameIndex = r.U16();
        const uint16_t valueLength = r.U16();
        if (nameIndex >= pool.size() || entryLength < kEntryHeaderSize + valueLength) Corrupt(where, "的属性项不正确。");
        p.name = pool[nameIndex];
        auto value = r.Bytes(valueLength);
        p.value.assign(value.begin(), value.end());
        r.Skip(entryLength - kEntryHeaderSize - valueLength);
        block.properties.push_back(std::move(p));
      }
      blocks.push_back(std::move(block));
    } else {
      Corrupt(where, "的块类型无法识别。");
    }
    pos += length;
  }
  return blocks;
}

}  // namespace ipmdb::jet
