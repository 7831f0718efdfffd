// The one-line description of a page: what its type and owner field say it is, joined with
// what the usage maps and definitions say about it.
#include <algorithm>

#include "DumpText.h"
#include "PageDump.h"
#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/PageLayout.h"

namespace ipmdb::jetdump {
namespace {

namespace dp = jet::datapage;
using jet::PageType;

std::string RowsText(const uint8_t* page) { return "（" + std::to_string(jet::DataPageRowCount(page)) + " 行）"; }

std::string DataPageRole(const DumpContext& context, uint32_t number, const uint8_t* page) {
  const uint32_t owner = jet::DataPageOwner(page);
  if (owner == dp::kOwnerUsageMapHolder) return "用量表页" + RowsText(page);
  if (owner == dp::kOwnerGlobalMap) return "全局页表" + RowsText(page);
  if (owner == dp::kOwnerLongValue) return "长数据页" + RowsText(page);
  std::string role = context.TableName(owner) + " 的数据页" + RowsText(page);
  const TableInfo* table = context.TableAt(owner);
  if (table && table->ownedPages && !table->ownedPages->count(number)) role += "，但不在该表的数据页表中";
  return role;
}

std::string OwnRole(const DumpContext& context, uint32_t number, const uint8_t* page) {
  switch (PageType(page[0])) {
    case PageType::DatabaseHeader:
      if (number == 0) return "";
      return std::all_of(page, page + jet::kPageSize, [](uint8_t b) { return b == 0; }) ? "全零页" : "";
    case PageType::Data:
      return DataPageRole(context, number, page);
    case PageType::TableDefinition: {
      const auto continuation = context.continuationOf.find(number);
      if (continuation != context.continuationOf.end())
        return context.TableName(continuation->second) + " 的表定义续页";
      return context.TableName(number) + " 的表定义";
    }
    case PageType::IndexNode:
    case PageType::IndexLeaf:
      return context.TableName(jet::GetU32(page + jet::indexpage::kOwnerOffset)) + " 的索引页";
    case PageType::UsageBitmap:
      return "";
  }
  return "";
}

}  // namespace

std::string PageSummary(const DumpContext& context, uint32_t number, const uint8_t* page) {
  std::string text = PageTypeName(page[0]);
  std::vector<std::string> roles;
  const auto listed = context.pageRoles.find(number);
  // An index page's owner field is less specific than the index that lists it.
  const bool index = page[0] == uint8_t(PageType::IndexNode) || page[0] == uint8_t(PageType::IndexLeaf);
  if (!(index && listed != context.pageRoles.end()))
    if (std::string own = OwnRole(context, number, page); !own.empty()) roles.push_back(std::move(own));
  if (listed != context.pageRoles.end())
    for (const auto& role : listed->second)
      if (std::find(roles.begin(), roles.end(), role) == roles.end()) roles.push_back(role);
  if (context.freePages.count(number)) roles.push_back("全局页表中标为空闲");
  for (size_t i = 0; i < roles.size(); ++i) text += (i ? "；" : "  ") + roles[i];
  return text;
}

}  // namespace ipmdb::jetdump
