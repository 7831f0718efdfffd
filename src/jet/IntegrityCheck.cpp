#include "jet/IntegrityCheck.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/DatabaseHeader.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/IndexPage.h"
#include "jet/LongValue.h"
#include "jet/PageLayout.h"
#include "jet/RowCodec.h"
#include "jet/SystemCatalog.h"
#include "jet/TableDefinition.h"
#include "jet/UsageMap.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

// Pages visited between two ReleaseMemory calls: 16 MiB of a mapped file.
constexpr uint32_t kReleaseEvery = 4096;

static_assert(catalog::kSystemTableNames.size() == header::kCatalogPageCount);

// "0x" and the value's hexadecimal digits, at least minDigits of them.
std::string Hex(uint64_t value, int minDigits = 1) {
  const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (int n = 0; value != 0 || n < minDigits; ++n, value >>= 4) text.insert(text.begin(), digits[value & 0xF]);
  return "0x" + text;
}

std::string RowPointerText(uint32_t pointer) { return RowText(RowPointerPage(pointer), RowPointerRow(pointer)); }

bool IsIndexPage(const uint8_t* page) {
  return page[0] == uint8_t(PageType::IndexNode) || page[0] == uint8_t(PageType::IndexLeaf);
}

// A usage map of the file with what the check needs to say about it.
struct MapState {
  uint32_t pointer = 0;
  std::string label;  // "表“IP”的数据页表"
  std::optional<UsageMapView> view;
};

struct LongValueColumn {
  uint16_t columnId = 0;
  std::string label;  // "表“X”的列“Y”"
  MapState owned, free;
};

struct TableState {
  std::u16string name;
  std::string label;  // "表“IP”"
  uint32_t definitionPage = 0;
  uint32_t catalogRow = 0;  // row pointer of its MSysObjects row, 0 before it is met
  int engineTable = -1;     // index into catalog::kSystemTableNames for the four system tables
  DefinitionChain chain;
  std::optional<TableDefinition> definition;
  std::optional<RowLayout> layout;
  MapState owned, free;
  std::vector<LongValueColumn> longValues;
  std::vector<MapState> indexMaps;  // by real index
  // By real index, for indexes that leave out NULL keys: the rows whose key columns are all NULL.
  std::vector<uint64_t> nullKeyRows;
  uint64_t rowsFound = 0;
  uint64_t listedDataPages = 0;  // data pages met in the scan that the owned map lists
  // The four system tables only, for their indexes: every row's pointer and its values when the
  // row decodes.
  std::vector<std::pair<uint32_t, std::optional<std::vector<StoredValue>>>> rows;
};

class Checker {
 public:
  Checker(PageSource& source, uint64_t fileSize, const std::string& path, const ProblemReport& report)
      : FSource(source), FFileSize(fileSize), FPath(path), FReport(report), FPages(source.PageCount()) {}

  CheckSummary Run() {
    if (FPages == 0) throw JetError(ErrorKind::NotJet4, "文件“" + FPath + "”不是 Jet 4.0 数据库：文件不足一页。");
    CheckHeader();
    LoadCatalog();
    ScanPages();
    for (auto& [page, table] : FTables) CheckTable(table);
    for (auto& [page, table] : FTables)
      if (table.definition)
        for (size_t i = 0; i < table.definition->realIndexes.size(); ++i) CheckIndex(table, i);
    CheckHolderPages();
    CheckSummary summary;
    summary.pages = FPages;
    summary.tables = FTables.size();
    for (const auto& [page, table] : FTables) summary.rows += table.rowsFound;
    summary.problems = FProblems;
    return summary;
  }

 private:
  void Problem(const std::string& text) {
    ++FProblems;
    FReport(text);
  }
  // A decoder's refusal: its message without the common opening names the page (and row) first,
  // as the error's place says; `context`, when given, says in brackets right after it what the
  // check was reading there.
  void Problem(const JetError& error, const std::string& context = "") {
    std::string text = error.what();
    if (text.rfind(kCorruptPrefix, 0) == 0) text.erase(0, std::strlen(kCorruptPrefix));
    if (!context.empty()) {
      size_t at = 0;
      if (const auto& place = error.Place(); place && text.rfind(PlaceText(*place), 0) == 0) at = PlaceText(*place).size();
      text.insert(at, "（" + context + "）");
    }
    Problem(text);
  }

  bool IsFree(uint32_t page) const { return FGlobalFree.view && FGlobalFree.view->Lists(page); }
  void CheckInUse(uint32_t page, const std::string& what) {
    if (IsFree(page)) Problem(PageText(page) + "是" + what + "，全局页表却把它标为空闲。");
  }
  const uint8_t* Visit(uint32_t page) {
    if (++FVisited % kReleaseEvery == 0) FSource.ReleaseMemory();
    return FSource.Page(page);
  }

  // ---- header ----

  void CheckHeader() {
    const uint8_t* page = FSource.Page(0);
    try {
      FHeader = DecodeHeaderPage({page, kPageSize}, FPath);
    } catch (const JetError& e) {
      if (e.Kind() != ErrorKind::Corrupt) throw;
      Problem(e);
    }
    if (FHeader && FHeader->databaseKey != 0)
      throw JetError(ErrorKind::Unsupported, "数据库“" + FPath + "”已加密，无法检查。");
    if (GetU32(page + header::kTrailerConstantOffset) != header::kTrailerConstant)
      Problem(PageText(0) + "（文件头）偏移 " + Hex(header::kTrailerConstantOffset) + " 处的常量不是 " +
              Hex(header::kTrailerConstant) + "。");
    if (std::memcmp(page + header::kEngineVersionOffset, header::kEngineVersion.data(), header::kEngineVersion.size()))
      Problem(PageText(0) + "（文件头）偏移 " + Hex(header::kEngineVersionOffset) + " 处的引擎版本不是“" +
              reinterpret_cast<const char*>(header::kEngineVersion.data()) + "”。");
    if (const uint64_t tail = FFileSize % kPageSize)
      Problem(PageText(FPages) + "不完整：文件长度 " + std::to_string(FFileSize) + " 字节，最后 " + std::to_string(tail) +
              " 字节不足一页。");
    if (!FHeader) return;
    FGlobalFree = OpenMap(FHeader->freeMapPointer, "全局空闲页表");
    OpenMap(FHeader->releasedMapPointer, "全局已释放页表");
    CheckInUse(0, "文件头");
  }

  // ---- maps ----

  // A free-space map may be absent (pointer 0, as Access leaves some of long-value columns);
  // every other map must be there.
  enum class Required { Yes, No };
  MapState OpenMap(uint32_t pointer, const std::string& label, Required required = Required::Yes) {
    MapState map{pointer, label, std::nullopt};
    if (pointer == 0 && required == Required::No) return map;
    const uint32_t holder = RowPointerPage(pointer);
    const std::string where = RowPointerText(pointer) + "（" + label + "）";
    try {
      const std::vector<uint8_t> row = ReadRowBytes(FSource, pointer);
      const uint32_t owner = DataPageOwner(FSource.Page(holder));
      if (owner != datapage::kOwnerUsageMapHolder && owner != datapage::kOwnerGlobalMap) {
        Problem(where + "不在存放用量表的页上（该页的所有者是 " + std::to_string(owner) + "）。");
        return map;
      }
      map.view.emplace(row, pointer, FSource);
    } catch (const JetError& e) {
      Problem(e, label);
      return map;
    }
    FHolderPages.insert(holder);
    if (map.view->Map().GetForm() == UsageMap::Form::Reference)
      for (uint32_t bitmap : map.view->Map().BitmapPages())
        if (bitmap != 0) FBitmapPages.emplace(bitmap, label);
    return map;
  }

  // Every page the map lists must pass `fits` (which says what is wrong, or nothing) and be in use.
  void CheckListedPages(const MapState& map, const std::string& pageRole,
                        const std::function<std::optional<std::string>(const uint8_t*)>& fits) {
    if (!map.view) return;
    const std::string where = RowPointerText(map.pointer) + "（" + map.label + "）";
    map.view->ForEachPage([&](uint32_t page) {
      if (page >= FPages) {
        Problem(where + "列出了第 " + std::to_string(page) + " 页，而文件只有 " + std::to_string(FPages) + " 页。");
      } else if (const auto wrong = fits(Visit(page))) {
        Problem(where + "列出了第 " + std::to_string(page) + " 页，" + *wrong);
      } else {
        CheckInUse(page, pageRole);
      }
      return true;
    });
  }

  // The pages a free-space map lists must be pages its owned map lists.
  void CheckSubset(const MapState& free, const MapState& owned) {
    if (!free.view || !owned.view) return;
    free.view->ForEachPage([&](uint32_t page) {
      if (!owned.view->Lists(page))
        Problem(RowPointerText(free.pointer) + "（" + free.label + "）列出了第 " + std::to_string(page) + " 页，它不在" +
                owned.label + "中。");
      return true;
    });
  }

  void CheckHolderPages() {
    for (uint32_t page : FHolderPages) CheckInUse(page, "存放用量表的页");
    for (const auto& [page, label] : FBitmapPages) CheckInUse(page, label + "的位图页");
  }

  // ---- catalog and tables ----

  TableState& AddTable(uint32_t definitionPage, const std::u16string& name) {
    TableState& t = FTables[definitionPage];
    t.name = name;
    t.label = "表“" + Utf16ToUtf8(name) + "”";
    t.definitionPage = definitionPage;
    try {
      ReadDefinitionChain(FSource, definitionPage, t.chain);
      t.definition = DecodeTableDefinition(t.chain.bytes, definitionPage);
    } catch (const JetError& e) {
      Problem(e);
    }
    for (size_t i = 1; i < t.chain.pages.size(); ++i) {
      if (!FContinuations.emplace(t.chain.pages[i], definitionPage).second)
        Problem(PageText(t.chain.pages[i]) + "是两个表定义的续页。");
    }
    if (!t.definition) return t;
    const std::string at = PageText(definitionPage) + "（" + t.label + "的定义）";
    try {
      t.layout.emplace(*t.definition, Utf16ToUtf8(name));
    } catch (const JetError& e) {
      Problem(at + "：" + e.what());
    }
    t.owned = OpenMap(t.definition->ownedMap, t.label + "的数据页表");
    t.free = OpenMap(t.definition->freeMap, t.label + "的有空闲空间的数据页表", Required::No);
    for (const auto& maps : t.definition->longValueMaps) {
      const ColumnDefinition* column = t.definition->ColumnById(maps.columnId);
      if (!column || !column->IsLongValue()) {
        Problem(at + "：长数据页表属于列 id " + std::to_string(maps.columnId) + "，它不是该表的备注或 OLE 列。");
        continue;
      }
      LongValueColumn lv;
      lv.columnId = maps.columnId;
      lv.label = t.label + "的列“" + Utf16ToUtf8(column->name) + "”";
      lv.owned = OpenMap(maps.ownedMap, lv.label + "的长数据页表");
      lv.free = OpenMap(maps.freeMap, lv.label + "的有空闲空间的长数据页表", Required::No);
      t.longValues.push_back(std::move(lv));
    }
    for (size_t i = 0; i < t.definition->realIndexes.size(); ++i) {
      const auto& index = t.definition->realIndexes[i];
      for (const auto& ref : index.columns)
        if (!t.definition->ColumnById(ref.columnId))
          Problem(at + "：" + IndexLabel(t, i) + "的列 id " + std::to_string(ref.columnId) + " 不存在。");
      t.indexMaps.push_back(OpenMap(index.usageMap, t.label + "的" + IndexLabel(t, i) + "的页表"));
    }
    t.nullKeyRows.assign(t.definition->realIndexes.size(), 0);
    return t;
  }

  static std::string IndexLabel(const TableState& t, size_t realIndex) {
    for (const auto& logical : t.definition->logicalIndexes)
      if (logical.realIndex == realIndex) return "索引“" + Utf16ToUtf8(logical.name) + "”";
    return "实际索引 #" + std::to_string(realIndex);
  }

  // The catalog is read before the scan, leniently: rows it cannot read are skipped here and
  // reported when the scan meets them.
  void LoadCatalog() {
    const uint32_t objectsPage = catalog::kMSysObjectsPage;
    TableState& objects = AddTable(objectsPage, catalog::kSystemTableNames[0]);
    std::optional<CatalogColumns> columns;
    if (objects.definition) {
      try {
        columns.emplace(*objects.definition, objectsPage);
      } catch (const JetError& e) {
        Problem(e);
      }
    }
    if (!columns || !objects.layout || !objects.owned.view) {
      Problem(PageText(objectsPage) + "：系统对象表（MSysObjects）无法读取，其余各表无从查起，只检查各页本身。");
      FTables.clear();
      FContinuations.clear();
      return;
    }
    FCatalogKnown = true;
    const uint32_t sidKey = FHeader ? SidMaskKey(*FHeader) : 0;
    std::vector<CatalogEntry> tables;
    objects.owned.view->ForEachPage([&](uint32_t page) {
      if (page >= FPages) return true;
      const uint8_t* bytes = FSource.Page(page);
      if (bytes[0] != uint8_t(PageType::Data) || DataPageOwner(bytes) != objectsPage || DataPageFault(bytes)) return true;
      for (uint16_t r = 0; r < DataPageRowCount(bytes); ++r) {
        try {
          if (!DataPageRow(bytes, page, r)) continue;
          const uint32_t pointer = MakeRowPointer(page, r);
          const auto fetch = [this](uint32_t p) { return ReadRowBytes(FSource, p); };
          CatalogEntry entry = columns->Entry(DecodeRow(*objects.layout, ReadRowBytes(FSource, pointer), pointer, fetch),
                                              pointer, sidKey);
          if (entry.IsTable()) tables.push_back(std::move(entry));
        } catch (const JetError&) {
        }
      }
      return true;
    });
    for (const CatalogEntry& entry : tables) AddCatalogTable(entry);
    if (objects.catalogRow == 0)
      Problem(PageText(catalog::kMSysObjectsPage) + "：系统目录（MSysObjects）中没有 MSysObjects 自己的一行。");
    CheckHeaderCatalogPages();
  }

  void AddCatalogTable(const CatalogEntry& entry) {
    const uint32_t page = entry.DefinitionPage();
    const std::string row = RowPointerText(entry.rowPointer) + "（系统目录中的表“" + Utf16ToUtf8(entry.name) + "”）";
    if (page == 0 || page >= FPages) {
      Problem(row + "的表定义页是第 " + std::to_string(page) + " 页，它不在文件中（文件共 " + std::to_string(FPages) +
              " 页）。");
      return;
    }
    if (const auto found = FTables.find(page); found != FTables.end()) {
      TableState& known = found->second;
      if (known.catalogRow == 0 && known.name == entry.name) {
        known.catalogRow = entry.rowPointer;
      } else {
        Problem(row + "的表定义页第 " + std::to_string(page) + " 页已属于" + known.label + "。");
      }
      return;
    }
    if (FContinuations.count(page)) {
      Problem(row + "的表定义页第 " + std::to_string(page) + " 页是另一个表定义的续页。");
      return;
    }
    AddTable(page, entry.name).catalogRow = entry.rowPointer;
  }

  // The header names the definition pages of the four system tables: each must be the table of
  // that name in the catalog. Without a readable header they are known by name alone.
  void CheckHeaderCatalogPages() {
    for (size_t k = 0; k < catalog::kSystemTableNames.size(); ++k) {
      if (!FHeader) {
        for (auto& [page, t] : FTables)
          if (t.name == catalog::kSystemTableNames[k]) t.engineTable = int(k);
        continue;
      }
      const uint32_t page = FHeader->catalogPages[k];
      const auto found = FTables.find(page);
      if (found == FTables.end() || found->second.name != catalog::kSystemTableNames[k]) {
        Problem("第 0 页（文件头）把第 " + std::to_string(page) + " 页当作 " + Utf16ToUtf8(catalog::kSystemTableNames[k]) +
                " 的表定义，而系统目录中" +
                (found == FTables.end() ? std::string("没有以该页为定义的表。") : "该页是" + found->second.label + "。"));
        continue;
      }
      found->second.engineTable = int(k);
    }
  }

  // ---- the scan of every page ----

  void ScanPages() {
    for (uint32_t p = 1; p < FPages; ++p) {
      const uint8_t* page = Visit(p);
      // A free page keeps whatever it held before; nothing in it counts.
      if (IsFree(p)) continue;
      switch (PageType(page[0])) {
        case PageType::Data:
          ScanDataPage(p, page);
          break;
        case PageType::TableDefinition:
          if (FCatalogKnown && !FTables.count(p) && !FContinuations.count(p))
            Problem(PageText(p) + "是表定义页，系统目录却没有以它为定义的表。");
          break;
        case PageType::IndexNode:
        case PageType::IndexLeaf:
          ScanIndexPage(p, page);
          break;
        case PageType::UsageBitmap:
          if (FCatalogKnown && !FBitmapPages.count(p)) Problem(PageText(p) + "是用量位图页，却没有用量表引用它。");
          break;
        default:
          Problem(PageText(p) + "的类型 " + Hex(page[0], 2) + " 不是 Jet 4 在用的页的类型，全局页表也没有把它标为空闲。");
          break;
      }
    }
  }

  void ScanDataPage(uint32_t p, const uint8_t* page) {
    if (const auto fault = DataPageFault(page)) {
      Problem(PageText(p) + *fault);
      return;
    }
    const uint32_t owner = DataPageOwner(page);
    if (owner == datapage::kOwnerUsageMapHolder || owner == datapage::kOwnerGlobalMap || !FCatalogKnown) return;
    if (owner == datapage::kOwnerLongValue) {
      if (!ListedAsLongValuePage(p)) Problem(PageText(p) + "是长数据页，却不在任何列的长数据页表中。");
      return;
    }
    const auto found = FTables.find(owner);
    if (found == FTables.end()) {
      Problem(PageText(p) + "是数据页，其所有者第 " + std::to_string(owner) + " 页却不是系统目录中任何表的定义。");
      return;
    }
    TableState& t = found->second;
    if (t.owned.view) {
      // Rows of a page that the table's map does not list are no rows of the table for any reader.
      if (!t.owned.view->Lists(p)) {
        Problem(PageText(p) + "是" + t.label + "的数据页，却不在该表的数据页表中。");
        return;
      }
      ++t.listedDataPages;
    }
    for (uint16_t r = 0; r < DataPageRowCount(page); ++r) {
      const auto extent = DataPageRow(page, p, r);
      if (!extent) continue;
      ++t.rowsFound;
      const uint32_t pointer = MakeRowPointer(p, r);
      if (!extent->overflow) {
        CheckRow(t, {page + extent->offset, extent->length}, pointer);
      } else if (const auto moved = FollowOverflow(t, page, *extent, pointer)) {
        CheckRow(t, *moved, pointer);
      }
    }
  }

  // A row moved elsewhere: its slot keeps a pointer to a slot of the same table that carries the
  // deleted flag (so that scans meet the row once) and is no overflow row itself.
  std::optional<std::span<const uint8_t>> FollowOverflow(const TableState& t, const uint8_t* page, const RowExtent& extent,
                                                         uint32_t pointer) {
    const std::string where = RowPointerText(pointer) + "（" + t.label + "的溢出行）";
    if (extent.length < 4) {
      Problem(where + "放不下指向新位置的指针。");
      return std::nullopt;
    }
    const uint32_t target = GetU32(page + extent.offset);
    const uint32_t tp = RowPointerPage(target), tr = RowPointerRow(target);
    const std::string to = "指向" + RowPointerText(target) + "，";
    if (tp == 0 || tp >= FPages) {
      Problem(where + to + "而文件只有 " + std::to_string(FPages) + " 页。");
      return std::nullopt;
    }
    const uint8_t* bytes = FSource.Page(tp);
    if (bytes[0] != uint8_t(PageType::Data) || DataPageOwner(bytes) != t.definitionPage || DataPageFault(bytes) ||
        tr >= DataPageRowCount(bytes)) {
      Problem(where + to + "那里没有该表的行。");
      return std::nullopt;
    }
    const RowSlot slot = DataPageSlot(bytes, uint16_t(tr));
    if (slot.overflow) {
      Problem(where + to + "那一行又是溢出行。");
      return std::nullopt;
    }
    if (!slot.deleted) {
      Problem(where + to + "那一行没有删除标志，逐页读取时会被读到两次。");
      return std::nullopt;
    }
    const auto moved = DataPageRow(bytes, tp, uint16_t(tr), true);
    return std::span<const uint8_t>(bytes + moved->offset, moved->length);
  }

  void CheckRow(TableState& t, std::span<const uint8_t> bytes, uint32_t pointer) {
    if (!t.layout) return;
    std::string column;  // the long-value column being read, for the message
    try {
      if (t.engineTable >= 0) {
        // Kept even when it does not decode, so that its index entries are not reported twice.
        t.rows.emplace_back(pointer, std::nullopt);
        t.rows.back().second = DecodeRow(*t.layout, bytes, pointer, LongValueFetcher(t, nullptr));
        return;
      }
      const RowView view(*t.layout, bytes, pointer);
      CountNullKeys(t, view);
      const auto& variable = t.layout->VariableSlots();
      for (size_t i = 0; i < variable.size(); ++i) {
        if (variable[i].type != ColumnType::Memo && variable[i].type != ColumnType::Ole) continue;
        if (const auto stored = view.Variable(i)) ReadLongValue(*stored, pointer, LongValueFetcher(t, &variable[i]));
      }
    } catch (const JetError& e) {
      Problem(e);
    }
  }

  // Counts the row for each index that leaves NULL keys out when all the index's columns are
  // NULL in it. A Boolean column keeps its value in the null mask and is never NULL.
  void CountNullKeys(TableState& t, const RowView& row) {
    for (size_t i = 0; i < t.nullKeyRows.size(); ++i) {
      const RealIndexDefinition& index = t.definition->realIndexes[i];
      if (!(index.flags & tdef::kIndexIgnoreNulls)) continue;
      const bool allNull = std::all_of(index.columns.begin(), index.columns.end(), [&](const IndexColumnRef& ref) {
        const ColumnDefinition* column = t.definition->ColumnById(ref.columnId);
        return column && column->type != ColumnType::Boolean && !row.Present(ref.columnId);
      });
      if (allNull) ++t.nullKeyRows[i];
    }
  }

  // Fetches the rows of a long value, each checked to lie on an LVAL page that the column's
  // long-value map lists (any long-value column of the table when `slot` is not given).
  LongValueRowFetcher LongValueFetcher(const TableState& t, const RowLayout::Slot* slot) {
    return [this, &t, slot](uint32_t pointer) {
      const uint32_t page = RowPointerPage(pointer), row = RowPointerRow(pointer);
      if (page == 0 || page >= FPages)
        throw CorruptRow(page, row, "被当作长数据引用，而文件只有 " + std::to_string(FPages) + " 页。");
      const uint8_t* bytes = FSource.Page(page);
      if (bytes[0] != uint8_t(PageType::Data) || DataPageOwner(bytes) != datapage::kOwnerLongValue)
        throw CorruptRow(page, row, "被当作长数据引用，而该页不是长数据页。");
      bool listed = false, known = false;
      for (const auto& lv : t.longValues) {
        if (slot && lv.columnId != slot->id) continue;
        known = known || lv.owned.view.has_value();
        listed = listed || (lv.owned.view && lv.owned.view->Lists(page));
      }
      if (known && !listed) throw CorruptRow(page, row, "被" + t.label + "当作长数据引用，而该页不在这一列的长数据页表中。");
      return ReadRowBytes(FSource, pointer);
    };
  }

  bool ListedAsLongValuePage(uint32_t page) const {
    for (const auto& [p, t] : FTables)
      for (const auto& lv : t.longValues)
        if (lv.owned.view && lv.owned.view->Lists(page)) return true;
    return false;
  }

  void ScanIndexPage(uint32_t p, const uint8_t* page) {
    try {
      SplitIndexEntries(page, p);
    } catch (const JetError& e) {
      Problem(e);
    }
    if (!FCatalogKnown) return;
    const uint32_t owner = GetU32(page + indexpage::kOwnerOffset);
    const auto found = FTables.find(owner);
    if (found == FTables.end()) {
      Problem(PageText(p) + "是索引页，其所有者第 " + std::to_string(owner) + " 页却不是系统目录中任何表的定义。");
      return;
    }
    const TableState& t = found->second;
    const bool listed = std::any_of(t.indexMaps.begin(), t.indexMaps.end(),
                                    [&](const MapState& map) { return map.view && map.view->Lists(p); });
    const bool mapsKnown = std::all_of(t.indexMaps.begin(), t.indexMaps.end(), [](const MapState& map) { return map.view; });
    if (!listed && mapsKnown) Problem(PageText(p) + "是" + t.label + "的索引页，却不在该表任何索引的页表中。");
  }

  // ---- each table after the scan ----

  void CheckTable(TableState& t) {
    for (uint32_t page : t.chain.pages) CheckInUse(page, t.label + "的表定义页");
    if (!t.definition) return;
    const std::string at = PageText(t.definitionPage) + "（" + t.label + "的定义）";
    if (t.layout && t.rowsFound != t.definition->rowCount)
      Problem(at + "：行数为 " + std::to_string(t.definition->rowCount) + "，而数据页上有 " +
              std::to_string(t.rowsFound) + " 行。");
    CheckOwnedMap(t);
    CheckSubset(t.free, t.owned);
    for (const auto& lv : t.longValues) {
      CheckListedPages(lv.owned, lv.label + "的长数据页", [](const uint8_t* page) -> std::optional<std::string> {
        if (page[0] == uint8_t(PageType::Data) && DataPageOwner(page) == datapage::kOwnerLongValue) return std::nullopt;
        return std::string("它不是长数据页。");
      });
      CheckSubset(lv.free, lv.owned);
    }
    for (size_t i = 0; i < t.indexMaps.size(); ++i) {
      CheckListedPages(t.indexMaps[i], t.label + "的索引页", [&](const uint8_t* page) -> std::optional<std::string> {
        if (IsIndexPage(page) && GetU32(page + indexpage::kOwnerOffset) == t.definitionPage) return std::nullopt;
        return std::string("它不是该表的索引页。");
      });
      const uint32_t root = t.definition->realIndexes[i].rootPage;
      if (t.indexMaps[i].view && !t.indexMaps[i].view->Lists(root))
        Problem(at + "：" + IndexLabel(t, i) + "的根页第 " + std::to_string(root) + " 页不在该索引的页表中。");
    }
  }

  // The scan counted the data pages of the table that its owned map lists; when the map lists
  // more pages than that, the pages that are not the table's are looked for.
  void CheckOwnedMap(const TableState& t) {
    if (!t.owned.view) return;
    uint64_t listed = 0;
    t.owned.view->ForEachPage([&](uint32_t) {
      ++listed;
      return true;
    });
    if (listed == t.listedDataPages) return;
    CheckListedPages(t.owned, t.label + "的数据页", [&](const uint8_t* page) -> std::optional<std::string> {
      if (page[0] == uint8_t(PageType::Data) && DataPageOwner(page) == t.definitionPage) return std::nullopt;
      return std::string("它不是该表的数据页。");
    });
  }

  // ---- indexes ----

  // Every index, walked leaf by leaf with only the entry before kept: entries must rise strictly
  // (key, then row pointer) and, in a unique index, no two may share a key unless it is all NULL,
  // which such an index admits any number of times. A user table's index must hold one entry for
  // each row (less the rows of all-NULL key where the index leaves those out); the rows of the
  // four system tables are known, so there each entry is matched to its row and its key.
  void CheckIndex(const TableState& t, size_t i) {
    const RealIndexDefinition& index = t.definition->realIndexes[i];
    const std::string label = t.label + "的" + IndexLabel(t, i);
    const bool unique = index.flags & tdef::kIndexUnique;
    const auto& rows = t.rows;  // sorted by row pointer: the scan met them in page and slot order
    std::vector<uint32_t> hits(rows.size(), 0);
    std::vector<uint8_t> before;
    uint64_t entries = 0;
    uint32_t distinctKeys = 0;
    try {
      ForEachIndexEntry(FSource, index.rootPage, t.definitionPage, [&](uint32_t page, size_t position, auto entry) {
        // Built only for a problem: an index may have millions of entries.
        const auto where = [&] {
          return PageText(page) + "的第 " + std::to_string(position) + " 个索引项（" + label + "）";
        };
        const bool first = entries++ == 0;
        const size_t keySize = entry.size() - std::min(entry.size(), indexpage::kRowPointerSize);
        const size_t beforeKey = before.size() - std::min(before.size(), indexpage::kRowPointerSize);
        const bool sameKey = !first && beforeKey == keySize &&
                             std::equal(entry.begin(), entry.begin() + ptrdiff_t(keySize), before.begin());
        if (!first && !std::lexicographical_compare(before.begin(), before.end(), entry.begin(), entry.end()))
          Problem(where() + "没有排在前一项之后，索引的顺序乱了。");
        else if (sameKey && unique && !IsNullKey(index, entry.first(keySize)))
          Problem(where() + "的键与前一项相同，而该索引要求键唯一。");
        if (!sameKey) ++distinctKeys;
        before.assign(entry.begin(), entry.end());
        if (entry.size() < indexpage::kRowPointerSize) {
          Problem(where() + "过短，没有行指针。");
          return;
        }
        if (t.engineTable >= 0) MatchEngineRow(t, index, where(), entry, hits);
      });
    } catch (const JetError& e) {
      Problem(e, label);
      return;
    }
    if (t.engineTable < 0) {
      const uint64_t expected = t.rowsFound - ((index.flags & tdef::kIndexIgnoreNulls) ? t.nullKeyRows[i] : 0);
      if (t.layout && entries != expected)
        Problem(PageText(index.rootPage) + "（" + label + "的根页）：索引中有 " + std::to_string(entries) +
                " 个索引项，而该表有 " + std::to_string(expected) + " 行应当列入。");
      return;
    }
    for (size_t r = 0; r < rows.size(); ++r) {
      if (hits[r] == 1) continue;
      Problem(RowPointerText(rows[r].first) + "（" + t.label + "的行）在" + IndexLabel(t, i) + "中有 " +
              std::to_string(hits[r]) + " 个索引项，应为 1 个。");
    }
    // The engine counts every key it adds and never takes one off for a deleted row, so the
    // count may run ahead of the keys left, but never behind them.
    if (index.uniqueCount < distinctKeys)
      Problem(PageText(t.definitionPage) + "（" + t.label + "的定义）：" + IndexLabel(t, i) + "的不同键数为 " +
              std::to_string(index.uniqueCount) + "，而索引中有 " + std::to_string(distinctKeys) + " 个不同的键。");
  }

  // A key of only NULL flags, one for each column.
  static bool IsNullKey(const RealIndexDefinition& index, std::span<const uint8_t> key) {
    if (key.size() != index.columns.size()) return false;
    for (size_t c = 0; c < key.size(); ++c) {
      const bool ascending = index.columns[c].order == tdef::kIndexColumnAscending;
      if (key[c] != (ascending ? indexpage::kKeyNull : indexpage::kKeyNullDescending)) return false;
    }
    return true;
  }

  // An entry of a system table's index must point at a row of the table and carry its key.
  void MatchEngineRow(const TableState& t, const RealIndexDefinition& index, const std::string& where,
                      std::span<const uint8_t> entry, std::vector<uint32_t>& hits) {
    const size_t keySize = entry.size() - indexpage::kRowPointerSize;
    const uint8_t* tail = entry.data() + keySize;
    const uint32_t pointer = MakeRowPointer(GetU24BE(tail), tail[3]);
    const auto& rows = t.rows;
    const auto row = std::lower_bound(rows.begin(), rows.end(), pointer,
                                      [](const auto& r, uint32_t p) { return r.first < p; });
    if (row == rows.end() || row->first != pointer) {
      Problem(where + "指向" + RowPointerText(pointer) + "，那里没有该表的行。");
      return;
    }
    ++hits[size_t(row - rows.begin())];
    const auto key = row->second ? ExpectedKey(*t.definition, index, *row->second) : std::nullopt;
    if (key && (key->size() != keySize || !std::equal(key->begin(), key->end(), entry.begin())))
      Problem(where + "的键与" + RowPointerText(pointer) + "的值不符。");
  }

  // The key the engine builds for these values, when it can build keys of the index's columns
  // (Long and Text in ascending order, texts of printable ASCII); nothing otherwise.
  static std::optional<IndexEntry> ExpectedKey(const TableDefinition& table, const RealIndexDefinition& index,
                                               const std::vector<StoredValue>& values) {
    IndexEntry key;
    for (const auto& ref : index.columns) {
      const ColumnDefinition* column = table.ColumnById(ref.columnId);
      if (!column || ref.order != tdef::kIndexColumnAscending) return std::nullopt;
      const StoredValue& v = values[ref.columnId];
      if (v.kind == CellValue::Kind::Null) {
        key.push_back(indexpage::kKeyNull);
      } else if (column->type == ColumnType::Long) {
        AppendLongKey(int32_t(v.integer), key);
      } else if (column->type == ColumnType::Text) {
        try {
          AppendTextKey(v.text, key);
        } catch (const JetError&) {
          return std::nullopt;
        }
      } else {
        return std::nullopt;
      }
    }
    return key;
  }

  PageSource& FSource;
  const uint64_t FFileSize;
  const std::string& FPath;
  const ProblemReport& FReport;
  const uint32_t FPages;
  uint64_t FProblems = 0;
  uint64_t FVisited = 0;
  std::optional<DatabaseHeader> FHeader;
  MapState FGlobalFree;
  bool FCatalogKnown = false;
  std::map<uint32_t, TableState> FTables;           // by first definition page
  std::map<uint32_t, uint32_t> FContinuations;      // continuation page -> first definition page
  std::map<uint32_t, std::string> FBitmapPages;     // bitmap page -> the map that names it
  std::set<uint32_t> FHolderPages;                  // pages holding the usage maps read
};

}  // namespace

CheckSummary CheckDatabase(PageSource& source, uint64_t fileSize, const std::string& path, const ProblemReport& report) {
  return Checker(source, fileSize, path, report).Run();
}

CheckSummary CheckDatabaseFile(const std::string& path, const ProblemReport& report) {
  MappedFilePageSource source(path, MappedFilePageSource::PartialPage::Ignore);
  return CheckDatabase(source, source.FileSize(), path, report);
}

}  // namespace ipmdb::jet
