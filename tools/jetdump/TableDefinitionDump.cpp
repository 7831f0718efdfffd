// The section of a table definition page (type 0x02): the stored header fields, then the
// decoded definition (columns, real and logical indexes, long-value maps, continuation pages);
// a continuation page only says whose it is.
#include "DumpText.h"
#include "PageDump.h"
#include "jet/Bytes.h"
#include "jet/PageLayout.h"

namespace ipmdb::jetdump {
namespace {

namespace td = jet::tdef;

std::string TableTypeText(uint8_t type) {
  if (type == td::kTableTypeSystem) return Hex8(type) + "（'S'，系统表）";
  if (type == td::kTableTypeUser) return Hex8(type) + "（'N'，用户表）";
  return Hex8(type) + "（未知）";
}

// The header fields as stored on the first page (all of them inside its first 0x3F bytes).
void DumpStoredHeader(DumpContext& context, const uint8_t* page) {
  auto& out = context.out;
  auto u16 = [&](size_t offset) { return jet::GetU16(page + offset); };
  auto u32 = [&](size_t offset) { return jet::GetU32(page + offset); };
  out << "  可用空间：" << u16(td::kFreeSpaceOffset) << "；下一页：" << u32(td::kNextPageOffset) << "；定义长度："
      << u32(td::kDefinitionLengthOffset) << " 字节\n";
  const uint32_t marker = u32(td::kMarkerOffset);
  out << "  标记（0x0C）：" << Hex32(marker) << (marker == td::kMarker ? "" : "（应为 0x00000659）") << "\n";
  out << "  行数：" << u32(td::kRowCountOffset) << "；自动编号：" << u32(td::kAutoNumberOffset) << "，增量 "
      << jet::GetI32(page + td::kAutoIncrementOffset) << "；复合自动编号：" << u32(td::kComplexAutoNumberOffset)
      << "\n";
  out << "  表类型：" << TableTypeText(page[td::kTableTypeOffset]) << "\n";
  out << "  列 id 上限：" << u16(td::kMaxColumnsOffset) << "；变长列数：" << u16(td::kVariableColumnsOffset)
      << "；列数：" << u16(td::kColumnCountOffset) << "；逻辑索引数：" << u32(td::kLogicalIndexCountOffset)
      << "；实际索引数：" << u32(td::kRealIndexCountOffset) << "\n";
  out << "  数据页表：" << RowPointerText(u32(td::kOwnedMapOffset)) << "；有空闲空间的数据页表："
      << RowPointerText(u32(td::kFreeMapOffset)) << "\n";
}

void DumpColumns(DumpContext& context, const jet::TableDefinition& t) {
  auto& out = context.out;
  out << "  列（" << t.columns.size() << " 个，按存储顺序）：\n";
  for (const auto& c : t.columns) {
    out << "    id " << c.id << "  " << Utf8(c.name) << "  " << ColumnTypeName(c.type) << "  长度 " << c.length
        << "  定长偏移 " << c.fixedOffset << "  变长序号 " << c.varIndex << "  序数 " << c.ordinal << "\n";
    out << "          标志 " << ColumnFlagsText(c.flags) << "  扩展标志 " << ColumnExtFlagsText(c.extFlags)
        << "  排序规则 " << c.collation << "（" << Hex16(c.collation) << "）/" << unsigned(c.sortId) << "/"
        << unsigned(c.sortVersion) << "\n";
  }
}

std::string ColumnName(const jet::TableDefinition& t, uint16_t id) {
  const jet::ColumnDefinition* c = t.ColumnById(id);
  return c ? Utf8(c->name) : "id " + std::to_string(id) + "（不存在）";
}

void DumpIndexes(DumpContext& context, const jet::TableDefinition& t) {
  auto& out = context.out;
  for (size_t i = 0; i < t.realIndexes.size(); ++i) {
    const auto& index = t.realIndexes[i];
    out << "  实际索引 #" << i << "：列 ";
    for (size_t k = 0; k < index.columns.size(); ++k) {
      const auto& ref = index.columns[k];
      out << (k ? ", " : "") << ColumnName(t, ref.columnId)
          << (ref.order == td::kIndexColumnAscending ? "↑" : "（顺序 " + Hex8(ref.order) + "）");
    }
    out << "；页表 " << RowPointerText(index.usageMap) << "；根页 " << index.rootPage << "；标志 "
        << IndexFlagsText(index.flags) << "；不同键数 " << index.uniqueCount << "\n";
  }
  for (const auto& index : t.logicalIndexes)
    out << "  逻辑索引“" << Utf8(index.name) << "”：编号 " << index.number << " → 实际索引 #" << index.realIndex
        << "，" << LogicalIndexKindName(index.kind) << "\n";
}

void DumpLongValueMaps(DumpContext& context, const jet::TableDefinition& t) {
  for (const auto& maps : t.longValueMaps)
    context.out << "  长数据列 " << ColumnName(t, maps.columnId) << "（id " << maps.columnId << "）：页表 "
                << RowPointerText(maps.ownedMap) << "，有空闲空间的页表 " << RowPointerText(maps.freeMap) << "\n";
  if (t.longValueMaps.empty()) context.out << "  长数据列：无\n";
}

}  // namespace

void DumpTableDefinitionPage(DumpContext& context, uint32_t number, const uint8_t* page) {
  auto& out = context.out;
  const auto continuation = context.continuationOf.find(number);
  if (continuation != context.continuationOf.end()) {
    out << "  续页：属于" << context.TableName(continuation->second) << "（第 " << continuation->second
        << " 页起）；可用空间 " << jet::GetU16(page + td::kFreeSpaceOffset) << "；下一页 "
        << jet::GetU32(page + td::kNextPageOffset) << "\n";
    return;
  }
  const TableInfo* info = context.TableAt(number);
  out << "  表：" << context.TableName(number) << "\n";
  DumpStoredHeader(context, page);
  if (!info) return;
  if (!info->definition) {
    out << "  错误：" << info->error << "\n";
    return;
  }
  const jet::TableDefinition& t = *info->definition;
  DumpColumns(context, t);
  DumpIndexes(context, t);
  DumpLongValueMaps(context, t);
  std::vector<uint32_t> continuations(info->definitionPages.begin() + 1, info->definitionPages.end());
  out << "  续页：" << PageRanges(continuations) << "\n";
}

}  // namespace ipmdb::jetdump
