// Gathers the page dump's knowledge of the file: header, catalog names, table definitions and
// the roles of pages and usage-map rows.
#include "DumpContext.h"

#include <algorithm>

#include "DumpText.h"
#include "jet/Bytes.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/UsageMap.h"

namespace ipmdb::jetdump {
namespace {

using jet::JetError;
using jet::PageType;

bool IsPageOfType(jet::PageSource& source, uint32_t page, PageType type) {
  return page < source.PageCount() && source.Page(page)[0] == uint8_t(type);
}

std::map<uint32_t, std::string> CatalogTableNames(DumpContext& context, const std::string& path) {
  std::map<uint32_t, std::string> names;
  if (!context.header || context.header->databaseKey != 0) return names;
  try {
    jet::DatabaseReader reader(context.source, path);
    for (const auto& entry : reader.Catalog())
      if (entry.IsTable()) names[entry.DefinitionPage()] = Utf8(entry.name);
  } catch (const std::exception& e) {
    context.problems.push_back(std::string("无法读取系统目录（MSysObjects），表名未知：") + e.what());
  }
  return names;
}

// Notes the map row's role and, when its pages can be listed, gives each of them `pageRole`
// (none when empty). The pages of a reference map's bitmap pages are noted with their slot.
std::optional<std::set<uint32_t>> RegisterMap(DumpContext& context, uint32_t rowPointer, const std::string& role,
                                              const std::string& pageRole) {
  if (rowPointer == 0) return std::nullopt;
  context.mapRowRoles[rowPointer] = role;
  try {
    const std::vector<uint8_t> row = jet::ReadRowBytes(context.source, rowPointer);
    const jet::UsageMap map = jet::UsageMap::Decode(row, rowPointer);
    if (map.GetForm() == jet::UsageMap::Form::Reference) {
      const auto& bitmapPages = map.BitmapPages();
      for (size_t slot = 0; slot < bitmapPages.size(); ++slot) {
        if (bitmapPages[slot] == 0) continue;
        context.bitmapSlots[bitmapPages[slot]] = slot;
        context.pageRoles[bitmapPages[slot]].push_back(role + "的位图页（槽 " + std::to_string(slot) + "）");
      }
    }
    const std::vector<uint32_t> pages = jet::ListUsageMapPages(row, rowPointer, context.source);
    if (!pageRole.empty())
      for (uint32_t page : pages) context.pageRoles[page].push_back(pageRole);
    return std::set<uint32_t>(pages.begin(), pages.end());
  } catch (const std::exception&) {
    return std::nullopt;  // the holder page's own section reports what is wrong with the row
  }
}

std::string IndexNames(const jet::TableDefinition& table, size_t realIndex) {
  std::string names;
  for (const auto& logical : table.logicalIndexes) {
    if (logical.realIndex != realIndex) continue;
    names += (names.empty() ? "" : "、") + Utf8(logical.name);
  }
  return names.empty() ? "" : "“" + names + "”";
}

void RegisterTableRoles(DumpContext& context, TableInfo& info) {
  const jet::TableDefinition& t = *info.definition;
  const std::string& name = info.name;
  info.ownedPages = RegisterMap(context, t.ownedMap, name + " 的数据页表", "");
  RegisterMap(context, t.freeMap, name + " 的有空闲空间的数据页表", "");
  for (size_t i = 0; i < t.realIndexes.size(); ++i) {
    const auto& index = t.realIndexes[i];
    const std::string label = name + " 的索引 #" + std::to_string(i) + IndexNames(t, i);
    const auto pages = RegisterMap(context, index.usageMap, label + " 的页表", "");
    if (pages)
      for (uint32_t page : *pages)
        if (page != index.rootPage) context.pageRoles[page].push_back(label + " 的页");
    if (index.rootPage) context.pageRoles[index.rootPage].push_back(label + " 的根页");
  }
  for (const auto& maps : t.longValueMaps) {
    const jet::ColumnDefinition* column = t.ColumnById(maps.columnId);
    const std::string label =
        name + " 的列 " + (column ? Utf8(column->name) : "id " + std::to_string(maps.columnId));
    RegisterMap(context, maps.ownedMap, label + " 的长数据页表", label + " 的长数据页");
    RegisterMap(context, maps.freeMap, label + " 的有空闲空间的长数据页表", "");
  }
}

// Follows a TDEF chain from its first page and decodes it; a broken chain or definition is
// kept as the table's error, and the pages followed up to the break keep their role.
void ReadDefinition(DumpContext& context, uint32_t first, TableInfo& info) {
  jet::DefinitionChain chain;
  try {
    jet::ReadDefinitionChain(context.source, first, chain);
    info.definition = jet::DecodeTableDefinition(chain.bytes, first);
  } catch (const std::exception& e) {
    info.error = e.what();
  }
  info.definitionPages = chain.pages;
  for (size_t i = 1; i < chain.pages.size(); ++i) context.continuationOf[chain.pages[i]] = first;
}

// A TDEF page that no other TDEF page names as its next page starts a definition.
void GatherTables(DumpContext& context, const std::map<uint32_t, std::string>& names) {
  std::set<uint32_t> definitionPages, continuations;
  for (uint32_t page = 1; page < context.source.PageCount(); ++page) {
    const uint8_t* data = context.source.Page(page);
    if (data[0] != uint8_t(PageType::TableDefinition)) continue;
    // A free page keeps whatever it held before; only the catalog can make it a table's.
    if (context.freePages.count(page) && !names.count(page)) continue;
    definitionPages.insert(page);
    const uint32_t next = jet::GetU32(data + jet::tdef::kNextPageOffset);
    if (next != page && IsPageOfType(context.source, next, PageType::TableDefinition)) continuations.insert(next);
  }
  for (uint32_t first : definitionPages) {
    if (continuations.count(first)) continue;
    TableInfo& info = context.tables[first];
    const auto named = names.find(first);
    info.name = named != names.end() ? named->second : jet::PageText(first) + "上的表";
    ReadDefinition(context, first, info);
    if (!info.error.empty()) context.problems.push_back(info.name + "的定义无法读取：" + info.error);
  }
  for (auto& [first, info] : context.tables)
    if (info.definition) RegisterTableRoles(context, info);
}

void GatherGlobalMaps(DumpContext& context) {
  const jet::DatabaseHeader& h = *context.header;
  const auto free = RegisterMap(context, h.freeMapPointer, "全局空闲页表（列出的页可以分配）", "");
  if (free) context.freePages = *free;
  RegisterMap(context, h.releasedMapPointer, "全局已释放页表", "");
}

}  // namespace

const TableInfo* DumpContext::TableAt(uint32_t definitionPage) const {
  const auto found = tables.find(definitionPage);
  return found == tables.end() ? nullptr : &found->second;
}

std::string DumpContext::TableName(uint32_t definitionPage) const {
  const TableInfo* info = TableAt(definitionPage);
  return info ? info->name : jet::PageText(definitionPage) + "上的表";
}

bool DumpContext::IsCatalogTable(uint32_t definitionPage, size_t which) const {
  return header && which < header->catalogPages.size() && header->catalogPages[which] == definitionPage;
}

void GatherContext(DumpContext& context, const std::string& path) {
  if (context.source.PageCount() == 0) return;
  try {
    context.header = jet::DecodeHeaderPage({context.source.Page(0), jet::kPageSize}, path);
    context.sidKey = jet::SidMaskKey(*context.header);
  } catch (const std::exception& e) {
    context.headerError = e.what();
    context.problems.push_back(std::string("第 0 页无法解读：") + e.what());
  }
  if (context.header && context.header->databaseKey != 0)
    context.problems.push_back("数据库已加密（数据库密钥 " + Hex32(context.header->databaseKey) +
                               "）：本工具不解密，第 0 页以外各页的内容没有意义。");
  if (context.header) GatherGlobalMaps(context);
  GatherTables(context, CatalogTableNames(context, path));
}

void ReportError(DumpContext& context, const std::exception& error, int indent) {
  context.out << std::string(size_t(indent), ' ') << "错误：" << error.what() << "\n";
  ++context.errors;
}

}  // namespace ipmdb::jetdump
