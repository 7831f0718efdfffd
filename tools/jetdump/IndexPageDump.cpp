// The sections of index pages (types 0x03 node and 0x04 leaf) and of usage bitmap pages
// (type 0x05).
#include "DumpText.h"
#include "PageDump.h"
#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/IndexPage.h"
#include "jet/PageLayout.h"
#include "jet/UsageMap.h"

namespace ipmdb::jetdump {
namespace {

namespace ip = jet::indexpage;

std::string EntryText(std::span<const uint8_t> entry, bool node) {
  const size_t tail = ip::kRowPointerSize + (node ? ip::kChildPageSize : 0);
  if (entry.size() < tail) return HexBytes(entry) + "（过短，缺少行指针）";
  const auto key = entry.first(entry.size() - tail);
  const uint8_t* pointer = entry.data() + key.size();
  std::string text = (key.empty() ? "（空键）" : HexBytes(key)) + " → 第 " + std::to_string(jet::GetU24BE(pointer)) +
                     " 页第 " + std::to_string(pointer[3]) + " 行";
  if (node) text += "，子页 " + std::to_string(jet::GetU32BE(pointer + ip::kRowPointerSize));
  return text;
}

}  // namespace

void DumpIndexPage(DumpContext& context, uint32_t number, const uint8_t* page) {
  auto& out = context.out;
  const bool node = page[0] == uint8_t(jet::PageType::IndexNode);
  const uint32_t owner = jet::GetU32(page + ip::kOwnerOffset);
  const uint16_t free = jet::GetU16(page + ip::kFreeSpaceOffset);
  const uint16_t prefix = jet::GetU16(page + ip::kPrefixLengthOffset);
  out << "  所有者：第 " << owner << " 页（" << context.TableName(owner) << "）\n";
  out << "  可用空间：" << free << "；上一页 " << jet::GetU32(page + ip::kPreviousPageOffset) << "，下一页 "
      << jet::GetU32(page + ip::kNextPageOffset) << "，末页 " << jet::GetU32(page + ip::kTailPageOffset)
      << "；公共前缀 " << prefix << " 字节" << (prefix ? "（第一项之后的各项省略了这些字节）" : "") << "\n";
  try {
    const auto entries = jet::SplitIndexEntries(page, number);
    out << "  索引项（" << entries.size() << " 个）：\n";
    for (size_t i = 0; i < entries.size(); ++i) out << "    " << i << "：" << EntryText(entries[i], node) << "\n";
  } catch (const std::exception& e) {
    ReportError(context, e);
  }
}

void DumpBitmapPage(DumpContext& context, uint32_t number, const uint8_t* page) {
  auto& out = context.out;
  const auto slot = context.bitmapSlots.find(number);
  const size_t k = slot == context.bitmapSlots.end() ? 0 : slot->second;
  if (slot == context.bitmapSlots.end())
    out << "  槽：没有引用形式的用量表指向此页，按槽 0 解读\n";
  else
    out << "  槽：" << k << "（第 " << k * jet::usagemap::kPagesPerBitmapPage << " 页起）\n";
  std::vector<uint32_t> pages;
  jet::PageBits::OfBitmapPage(page, k).ForEach([&pages](uint32_t listed) {
    pages.push_back(listed);
    return true;
  });
  out << "  置位的页：" << PageRanges(pages) << "\n";
}

}  // namespace ipmdb::jetdump
