// The section of a data page (type 0x01): header fields, the row-offset table, and each row
// decoded by what the page holds (usage maps, long values, or rows of a known table).
#include <algorithm>
#include <optional>

#include "DumpText.h"
#include "PageDump.h"
#include "RowDump.h"
#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/DatabaseReader.h"
#include "jet/PageLayout.h"
#include "jet/UsageMap.h"

namespace ipmdb::jetdump {
namespace {

namespace dp = jet::datapage;

constexpr size_t kBytePreview = 16;
constexpr int kRowIndent = 6;

enum class RowKind { UsageMap, LongValue, TableRow, Raw };

RowKind KindOfRows(uint32_t owner) {
  if (owner == dp::kOwnerUsageMapHolder || owner == dp::kOwnerGlobalMap) return RowKind::UsageMap;
  if (owner == dp::kOwnerLongValue) return RowKind::LongValue;
  return RowKind::TableRow;
}

std::string OwnerText(const DumpContext& context, uint32_t owner) {
  switch (owner) {
    case dp::kOwnerUsageMapHolder: return "0（用量表页）";
    case dp::kOwnerGlobalMap: return "1（全局页表）";
    case dp::kOwnerLongValue: return "“LVAL”（长数据页）";
  }
  return "第 " + std::to_string(owner) + " 页（" + context.TableName(owner) + "）";
}

std::string SlotFlagsText(const jet::RowSlot& slot) {
  std::string text;
  if (slot.deleted) text += "，已删除";
  if (slot.overflow) text += "，溢出";
  return text;
}

void DumpRowContent(DumpContext& context, RowKind kind, RowPrinter* printer, std::span<const uint8_t> bytes,
                    uint32_t rowPointer) {
  switch (kind) {
    case RowKind::UsageMap:
      DumpUsageMapRow(context, bytes, rowPointer);
      return;
    case RowKind::TableRow:
      if (printer) {
        printer->Print(bytes, rowPointer, kRowIndent);
        return;
      }
      break;
    default:
      break;
  }
  context.out << std::string(kRowIndent, ' ') << "内容：" << HexBytes(bytes, kBytePreview) << "\n";
}

std::span<const uint8_t> RowSpan(const uint8_t* page, const jet::RowExtent& extent) {
  return {page + extent.offset, extent.length};
}

void DumpRow(DumpContext& context, uint32_t number, const uint8_t* page, uint16_t r, RowKind kind,
             RowPrinter* printer) {
  auto& out = context.out;
  const jet::RowSlot slot = jet::DataPageSlot(page, r);
  out << "    行 " << r << "：偏移表项 " << Hex16(slot.entry);
  try {
    // A deleted slot is either a deleted row or the new place of a row moved here from another
    // page; only its bytes are shown, the slot that points here shows the row.
    const bool deleted = slot.deleted;
    const auto extent = jet::DataPageRow(page, number, r, deleted);
    out << "，偏移 " << extent->offset << "，长度 " << extent->length << SlotFlagsText(slot);
    const uint32_t rowPointer = jet::MakeRowPointer(number, r);
    if (deleted) {
      out << "\n";
      if (extent->length)
        out << std::string(kRowIndent, ' ') << "内容：" << HexBytes(RowSpan(page, *extent), kBytePreview) << "\n";
      return;
    }
    if (extent->overflow && extent->length >= 4) out << " → " << RowPointerText(jet::GetU32(page + extent->offset));
    out << "\n";
    if (extent->overflow) {
      DumpRowContent(context, kind, printer, jet::ReadRowBytes(context.source, rowPointer), rowPointer);
    } else {
      DumpRowContent(context, kind, printer, RowSpan(page, *extent), rowPointer);
    }
  } catch (const std::exception& e) {
    out << "\n";
    ReportError(context, e, kRowIndent);
  }
}

}  // namespace

void DumpDataPage(DumpContext& context, uint32_t number, const uint8_t* page) {
  auto& out = context.out;
  const uint32_t owner = jet::DataPageOwner(page);
  const uint16_t count = jet::DataPageRowCount(page);
  out << "  所有者：" << OwnerText(context, owner) << "\n";
  out << "  可用空间：" << jet::DataPageFreeSpace(page) << "\n";
  out << "  保留字段（0x08）：" << Hex32(jet::GetU32(page + dp::kReservedOffset)) << "\n";
  out << "  行数：" << count << "\n";
  if (const auto fault = jet::DataPageFault(page)) {
    ReportError(context, jet::CorruptPage(number, *fault));
    if (count > jet::kMaxRowsPerPage) return;
  }
  const RowKind kind = KindOfRows(owner);
  std::optional<RowPrinter> printer;
  const TableInfo* table = context.TableAt(owner);
  if (kind == RowKind::TableRow && table && table->definition) {
    try {
      printer.emplace(context, *table, owner);
    } catch (const std::exception& e) {
      ReportError(context, e);
    }
  }
  for (uint16_t r = 0; r < count; ++r) DumpRow(context, number, page, r, kind, printer ? &*printer : nullptr);
}

void DumpUsageMapRow(DumpContext& context, std::span<const uint8_t> row, uint32_t rowPointer) {
  auto& out = context.out;
  const std::string pad(kRowIndent, ' ');
  const auto role = context.mapRowRoles.find(rowPointer);
  out << pad << "用途：" << (role != context.mapRowRoles.end() ? role->second : "（文件头和各表定义都没有引用此行）")
      << "\n";
  try {
    const jet::UsageMap map = jet::UsageMap::Decode(row, rowPointer);
    if (map.GetForm() == jet::UsageMap::Form::Inline) {
      const uint32_t last = map.StartPage() + uint32_t(map.BitmapBytes() * 8) - 1;
      out << pad << "形式：内联，起始页 " << map.StartPage() << "，位图 " << map.BitmapBytes() << " 字节";
      if (map.BitmapBytes()) out << "（第 " << map.StartPage() << "-" << last << " 页）";
      out << "\n";
    } else {
      out << pad << "形式：引用；位图页：";
      bool any = false;
      const auto& pages = map.BitmapPages();
      for (size_t slot = 0; slot < pages.size(); ++slot) {
        if (!pages[slot]) continue;
        out << (any ? "，" : "") << "槽 " << slot << " → 第 " << pages[slot] << " 页";
        any = true;
      }
      out << (any ? "" : "无") << "\n";
    }
    out << pad << "列出的页：" << PageRanges(jet::ListUsageMapPages(row, rowPointer, context.source)) << "\n";
  } catch (const std::exception& e) {
    ReportError(context, e, kRowIndent);
  }
}

}  // namespace ipmdb::jetdump
