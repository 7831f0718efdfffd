#include "jet/DatabaseHeader.h"

#include <cmath>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/DateText.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/Rc4.h"

namespace ipmdb::jet {
namespace {

void ApplyHeaderMask(uint8_t* page) {
  Rc4(header::kMaskKey).Apply({page + header::kMaskedOffset, header::kMaskedLength});
}

// The password field is XORed with the four bytes of the whole-day part of the creation date,
// repeated; with no password the field therefore holds that date mask, not zeros. REQUIRES a
// date within the OLE range (IsOleDateInRange), whose whole part fits 32 bits.
std::array<uint8_t, 4> DateMask(double creationDate) {
  std::array<uint8_t, 4> mask;
  PutU32(mask.data(), uint32_t(int32_t(std::trunc(creationDate))));
  return mask;
}

// Lays the clear header fields into a page (no RC4 mask yet). Shared by the encoder and by the
// SID key, which is folded from these clear bytes.
PageBytes ClearHeaderPage(const DatabaseHeader& h) {
  PageBytes page{};
  StartPage(page.data(), PageType::DatabaseHeader);
  std::memcpy(page.data() + header::kSignatureOffset, header::kSignature, header::kSignatureLength);
  page[header::kVersionOffset] = header::kVersionJet4;
  PutU32(&page[header::kFreeMapPointerOffset], h.freeMapPointer);
  PutU32(&page[header::kReleasedMapPointerOffset], h.releasedMapPointer);
  for (size_t i = 0; i < header::kCatalogPageCount; ++i)
    PutU32(&page[header::kCatalogPagesOffset + 4 * i], h.catalogPages[i]);
  PutU16(&page[header::kCodePageOffset], h.codePage);
  PutU32(&page[header::kDatabaseKeyOffset], h.databaseKey);
  const auto mask = DateMask(h.creationDate);
  for (size_t i = 0; i < header::kPasswordLength; ++i) {
    uint8_t clear = 0;
    if (i / 2 < h.password.size()) clear = uint8_t(uint16_t(h.password[i / 2]) >> (8 * (i % 2)));
    page[header::kPasswordOffset + i] = clear ^ mask[i % 4];
  }
  PutU32(&page[header::kEngineBuildOffset], h.engineBuild);
  PutU16(&page[header::kCollationOffset], h.collation);
  page[header::kSortIdOffset] = h.sortId;
  page[header::kSortVersionOffset] = h.sortVersion;
  PutDouble(&page[header::kCreationDateOffset], h.creationDate);
  PutU32(&page[header::kTrailerConstantOffset], header::kTrailerConstant);
  std::memcpy(&page[header::kEngineVersionOffset], header::kEngineVersion.data(), header::kEngineVersion.size());
  for (size_t off = header::kCommitTableOffset; off < kPageSize; off += header::kCommitSlotIdle.size())
    std::memcpy(&page[off], header::kCommitSlotIdle.data(), header::kCommitSlotIdle.size());
  return page;
}

[[noreturn]] void NotJet4(const std::string& path, const std::string& what) {
  throw JetError(ErrorKind::NotJet4, "文件“" + path + "”不是 Jet 4.0（Access 2000 格式）数据库：" + what);
}

}  // namespace

PageBytes EncodeHeaderPage(const DatabaseHeader& header) {
  PageBytes page = ClearHeaderPage(header);
  ApplyHeaderMask(page.data());
  return page;
}

DatabaseHeader DecodeHeaderPage(std::span<const uint8_t> encoded, const std::string& path) {
  if (encoded.size() < kPageSize) NotJet4(path, "文件不足一页（4096 字节）。");
  PageBytes page;
  std::memcpy(page.data(), encoded.data(), kPageSize);
  const char* signature = reinterpret_cast<const char*>(&page[header::kSignatureOffset]);
  if (page[0] != uint8_t(PageType::DatabaseHeader)) NotJet4(path, "缺少数据库文件头。");
  if (std::memcmp(signature, header::kAceSignature, header::kSignatureLength) == 0)
    NotJet4(path, "这是 Access 2007 及更高版本（ACE）格式的数据库。");
  if (std::memcmp(signature, header::kSignature, header::kSignatureLength) != 0)
    NotJet4(path, "缺少“Standard Jet DB”签名。");
  const uint8_t version = page[header::kVersionOffset];
  if (version == header::kVersionJet3) NotJet4(path, "这是 Jet 3（Access 97）格式的数据库。");
  if (version != header::kVersionJet4) NotJet4(path, "这是 Access 2007 及更高版本（ACE）格式的数据库。");

  ApplyHeaderMask(page.data());
  DatabaseHeader h;
  h.freeMapPointer = GetU32(&page[header::kFreeMapPointerOffset]);
  h.releasedMapPointer = GetU32(&page[header::kReleasedMapPointerOffset]);
  for (size_t i = 0; i < header::kCatalogPageCount; ++i)
    h.catalogPages[i] = GetU32(&page[header::kCatalogPagesOffset + 4 * i]);
  h.codePage = GetU16(&page[header::kCodePageOffset]);
  h.databaseKey = GetU32(&page[header::kDatabaseKeyOffset]);
  h.engineBuild = GetU32(&page[header::kEngineBuildOffset]);
  h.collation = GetU16(&page[header::kCollationOffset]);
  h.sortId = page[header::kSortIdOffset];
  h.sortVersion = page[header::kSortVersionOffset];
  h.creationDate = GetDouble(&page[header::kCreationDateOffset]);
  // The date keys the password mask and every stored security id; Jet writes a real date here.
  if (!IsOleDateInRange(h.creationDate))
    throw CorruptPage(0, "（“" + path + "”的文件头）的创建日期不是 100 至 9999 年间的日期。");
  const auto mask = DateMask(h.creationDate);
  for (size_t i = 0; i + 1 < header::kPasswordLength; i += 2) {
    const uint16_t unit = uint16_t((page[header::kPasswordOffset + i] ^ mask[i % 4]) |
                                   ((page[header::kPasswordOffset + i + 1] ^ mask[(i + 1) % 4]) << 8));
    if (unit == 0) break;
    h.password.push_back(char16_t(unit));
  }
  return h;
}

uint32_t SidMaskKey(const DatabaseHeader& h) {
  const PageBytes clear = ClearHeaderPage(h);
  std::array<uint8_t, header::kSidKeyRegionLength> region;
  std::memcpy(region.data(), &clear[header::kSidKeyRegionOffset], region.size());
  // The fold sees the password in clear: remove the date mask from the password field first.
  const auto mask = DateMask(h.creationDate);
  for (size_t i = 0; i < header::kPasswordLength; ++i) region[i] ^= mask[i % 4];
  uint32_t key = GetU32(&clear[header::kCreationDateOffset]);
  for (uint32_t i = 0; i < region.size() / 2; ++i) key ^= uint32_t(region[2 * i]) << (i % 24);
  return key;
}

void ApplySidMask(uint32_t key, std::span<uint8_t> sid) {
  std::array<uint8_t, 4> keyBytes;
  PutU32(keyBytes.data(), key);
  Rc4(keyBytes).Apply(sid);
}

}  // namespace ipmdb::jet
