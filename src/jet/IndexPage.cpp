#include "jet/IndexPage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/Format.h"
#include "jet/PageLayout.h"
#include "jet/PageSource.h"

namespace ipmdb::jet {
namespace {

// "General (legacy)" sort codes of printable ASCII (0x20..0x7E), upper and lower case sharing
// theirs. A zero first byte marks characters that also need extra codes (' and -).
struct SortCode {
  uint8_t first;
  uint8_t second;  // 0: single-byte code
};
constexpr std::array<SortCode, 95> kGeneralLegacyCodes = {{
    {0x07, 0}, {0x09, 0}, {0x0A, 0}, {0x0C, 0}, {0x0E, 0}, {0x10, 0}, {0x12, 0}, {0x00, 0},  //  !"#$%&'
    {0x14, 0}, {0x16, 0}, {0x18, 0}, {0x2C, 0}, {0x1A, 0}, {0x00, 0}, {0x1C, 0}, {0x1E, 0},  // ()*+,-./
    {0x36, 0}, {0x38, 0}, {0x3A, 0}, {0x3C, 0}, {0x3E, 0}, {0x40, 0}, {0x42, 0}, {0x44, 0},  // 01234567
    {0x46, 0}, {0x48, 0}, {0x20, 0}, {0x22, 0}, {0x2E, 0}, {0x30, 0}, {0x32, 0}, {0x24, 0},  // 89:;<=>?
    {0x26, 0}, {0x4A, 0}, {0x4C, 0}, {0x4D, 0}, {0x4F, 0}, {0x51, 0}, {0x53, 0}, {0x55, 0},  // @ABCDEFG
    {0x57, 0}, {0x59, 0}, {0x5B, 0}, {0x5C, 0}, {0x5E, 0}, {0x60, 0}, {0x62, 0}, {0x64, 0},  // HIJKLMNO
    {0x66, 0}, {0x68, 0}, {0x69, 0}, {0x6B, 0}, {0x6D, 0}, {0x6F, 0}, {0x71, 0}, {0x73, 0},  // PQRSTUVW
    {0x75, 0}, {0x76, 0}, {0x78, 0}, {0x27, 0}, {0x29, 0}, {0x2A, 0}, {0x2B, 0x02}, {0x2B, 0x03},  // XYZ[\]^_
    {0x2B, 0x07}, {0x4A, 0}, {0x4C, 0}, {0x4D, 0}, {0x4F, 0}, {0x51, 0}, {0x53, 0}, {0x55, 0},  // `abcdefg
    {0x57, 0}, {0x59, 0}, {0x5B, 0}, {0x5C, 0}, {0x5E, 0}, {0x60, 0}, {0x62, 0}, {0x64, 0},     // hijklmno
    {0x66, 0}, {0x68, 0}, {0x69, 0}, {0x6B, 0}, {0x6D, 0}, {0x6F, 0}, {0x71, 0}, {0x73, 0},     // pqrstuvw
    {0x75, 0}, {0x76, 0}, {0x78, 0}, {0x2B, 0x09}, {0x2B, 0x0B}, {0x2B, 0x0D}, {0x2B, 0x0F},   // xyz{|}~
}};
constexpr char16_t kFirstCodedChar = u' ';
constexpr uint8_t kTextKeyEnd = 0x01;        // after the character codes
constexpr uint8_t kTextKeyTerminator = 0x00;  // after the (here empty) extra codes
constexpr size_t kMaxKeyChars = kMaxTextChars;

}  // namespace

void AppendLongKey(int32_t value, IndexEntry& entry) {
  entry.push_back(indexpage::kKeyPresentAscending);
  // Big-endian two's complement with the sign bit flipped sorts as unsigned bytes.
  uint8_t bytes[4];
  PutU32BE(bytes, uint32_t(value) ^ 0x80000000u);
  entry.insert(entry.end(), bytes, bytes + 4);
}

void AppendTextKey(std::u16string_view text, IndexEntry& entry) {
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  if (text.size() > kMaxKeyChars) text = text.substr(0, kMaxKeyChars);
  entry.push_back(indexpage::kKeyPresentAscending);
  for (char16_t c : text) {
    const size_t index = size_t(c) - kFirstCodedChar;
    if (c < kFirstCodedChar || index >= kGeneralLegacyCodes.size() || kGeneralLegacyCodes[index].first == 0)
      throw JetError(ErrorKind::Unsupported, "名称中的字符 U+" + std::to_string(unsigned(c)) +
                                                 " 无法写入系统目录索引：名称只能由可打印的 ASCII 字符组成（不含 ' 和 -）。");
    entry.push_back(kGeneralLegacyCodes[index].first);
    if (kGeneralLegacyCodes[index].second) entry.push_back(kGeneralLegacyCodes[index].second);
  }
  entry.push_back(kTextKeyEnd);
  entry.push_back(kTextKeyTerminator);
}

void AppendEntryRowPointer(uint32_t page, uint8_t row, IndexEntry& entry) {
  uint8_t bytes[3];
  PutU24BE(bytes, page);
  entry.insert(entry.end(), bytes, bytes + 3);
  entry.push_back(row);
}

std::vector<uint8_t> EncodeLeafPage(uint32_t ownerTableDefinition, std::vector<IndexEntry> entries) {
  // Unsigned byte order, the key first and then the row pointer.
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return order != 0 ? order < 0 : a.size() < b.size();
  });
  std::vector<uint8_t> page(kPageSize, 0);
  StartPage(page.data(), PageType::IndexLeaf);
  PutU32(&page[indexpage::kOwnerOffset], ownerTableDefinition);
  size_t used = 0;
  for (const auto& entry : entries) {
    if (used + entry.size() > indexpage::kEntrySpace)
      throw JetError(ErrorKind::Unsupported, "系统目录索引超出了一页的容量。");
    std::copy(entry.begin(), entry.end(), page.begin() + indexpage::kEntriesOffset + used);
    used += entry.size();
    page[indexpage::kEntryEndBitmapOffset + used / 8] |= uint8_t(1u << (used % 8));
  }
  PutU16(&page[indexpage::kFreeSpaceOffset], uint16_t(indexpage::kEntrySpace - used));
  return page;
}

std::vector<std::span<const uint8_t>> SplitIndexEntries(const uint8_t* page, uint32_t pageNumber) {
  const uint16_t free = GetU16(page + indexpage::kFreeSpaceOffset);
  if (free > indexpage::kEntrySpace)
    throw CorruptPage(pageNumber, "的可用空间 " + std::to_string(free) + " 大于索引项区域的 " +
                                      std::to_string(indexpage::kEntrySpace) + " 字节。");
  const size_t used = indexpage::kEntrySpace - free;
  std::vector<std::span<const uint8_t>> entries;
  size_t start = 0;
  for (size_t end = 1; end <= used; ++end) {
    if ((page[indexpage::kEntryEndBitmapOffset + end / 8] >> (end % 8)) & 1) {
      entries.emplace_back(page + indexpage::kEntriesOffset + start, end - start);
      start = end;
    }
  }
  if (start != used)
    throw CorruptPage(pageNumber, "的索引项边界不正确：最后 " + std::to_string(used - start) + " 字节不属于任何一项。");
  return entries;
}

void ForEachIndexEntry(PageSource& source, uint32_t root, uint32_t owner, const IndexEntryVisitor& visit) {
  std::set<uint32_t> seen;
  uint32_t page = root;
  const uint8_t* bytes = nullptr;
  // Takes `page` as the next page of the walk, coming from `from` (the page naming it).
  auto enter = [&](uint32_t from) {
    auto fail = [&](const std::string& why) {
      return CorruptPage(from, "的索引指向第 " + std::to_string(page) + " 页，" + why);
    };
    if (page >= source.PageCount()) throw fail("而文件只有 " + std::to_string(source.PageCount()) + " 页。");
    if (!seen.insert(page).second) throw fail("它已经走过，索引形成了环。");
    bytes = source.Page(page);
    const bool index = bytes[0] == uint8_t(PageType::IndexNode) || bytes[0] == uint8_t(PageType::IndexLeaf);
    if (!index || GetU32(bytes + indexpage::kOwnerOffset) != owner) throw fail("它不是该表的索引页。");
  };
  enter(owner);
  while (bytes[0] == uint8_t(PageType::IndexNode)) {
    const auto entries = SplitIndexEntries(bytes, page);
    if (entries.empty() || entries.front().size() < indexpage::kRowPointerSize + indexpage::kChildPageSize)
      throw CorruptPage(page, "是没有子页的索引节点页。");
    const uint32_t from = page;
    page = GetU32BE(entries.front().data() + entries.front().size() - indexpage::kChildPageSize);
    enter(from);
  }
  for (;;) {
    const auto entries = SplitIndexEntries(bytes, page);
    const size_t prefix = GetU16(bytes + indexpage::kPrefixLengthOffset);
    if (!entries.empty() && prefix > entries.front().size())
      throw CorruptPage(page, "的公共前缀长度 " + std::to_string(prefix) + " 超过了第一个索引项。");
    std::vector<uint8_t> whole;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (i == 0 || prefix == 0) {
        visit(page, i, entries[i]);
        continue;
      }
      whole.assign(entries.front().begin(), entries.front().begin() + std::ptrdiff_t(prefix));
      whole.insert(whole.end(), entries[i].begin(), entries[i].end());
      visit(page, i, whole);
    }
    const uint32_t from = page;
    page = GetU32(bytes + indexpage::kNextPageOffset);
    if (page == 0) return;
    enter(from);
    if (bytes[0] != uint8_t(PageType::IndexLeaf))
      throw CorruptPage(from, "的下一页第 " + std::to_string(page) + " 页不是索引叶页。");
  }
}

std::vector<IndexEntry> DecodeLeafEntries(const uint8_t* page, uint32_t pageNumber) {
  if (page[0] != uint8_t(PageType::IndexLeaf)) throw CorruptPage(pageNumber, "不是索引叶页。");
  std::vector<IndexEntry> entries;
  for (const auto entry : SplitIndexEntries(page, pageNumber)) entries.emplace_back(entry.begin(), entry.end());
  return entries;
}

}  // namespace ipmdb::jet
