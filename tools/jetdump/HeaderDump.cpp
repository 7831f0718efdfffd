// The section of page 0: the database definition page, masked and clear fields alike.
#include <algorithm>
#include <array>
#include <map>

#include "DumpText.h"
#include "PageDump.h"
#include "jet/Bytes.h"
#include "jet/PageLayout.h"
#include "jet/Rc4.h"
#include "jet/SystemCatalog.h"

namespace ipmdb::jetdump {
namespace {

namespace h = jet::header;

std::string VersionText(uint8_t version) {
  if (version == h::kVersionJet3) return "Jet 3（Access 97）";
  if (version == h::kVersionJet4) return "Jet 4（Access 2000 至 2003）";
  return "ACE（Access 2007 及更高版本）或未知";
}

// The masked region in clear, for the fields DatabaseHeader does not carry.
std::array<uint8_t, h::kMaskedLength> UnmaskedRegion(const uint8_t* page) {
  std::array<uint8_t, h::kMaskedLength> region;
  std::copy_n(page + h::kMaskedOffset, region.size(), region.begin());
  jet::Rc4(h::kMaskKey).Apply(region);
  return region;
}

// 256 two-byte slots; Jet writes 00 01 in an idle slot. Shown as counts per value, with the
// first slot holding each value.
void DumpCommitTable(DumpContext& context, const uint8_t* page) {
  std::map<uint16_t, std::pair<size_t, size_t>> counts;  // big-endian slot value -> count, first slot
  const size_t slotSize = h::kCommitSlotIdle.size();
  for (size_t off = h::kCommitTableOffset, slot = 0; off + slotSize <= jet::kPageSize; off += slotSize, ++slot) {
    const uint16_t value = uint16_t((page[off] << 8) | page[off + 1]);
    ++counts.try_emplace(value, 0, slot).first->second.first;
  }
  context.out << "  提交字节表：";
  bool first = true;
  for (const auto& [value, seen] : counts) {
    const uint8_t bytes[2] = {uint8_t(value >> 8), uint8_t(value)};
    context.out << (first ? "" : "，") << HexBytes(bytes) << " ×" << seen.first << "（首个在槽 " << seen.second << "）";
    first = false;
  }
  context.out << (counts.size() == 1 && counts.begin()->first == ((h::kCommitSlotIdle[0] << 8) | h::kCommitSlotIdle[1])
                      ? "，全部空闲\n"
                      : "\n");
}

void DumpSidKey(DumpContext& context) {
  context.out << "  SID 掩码密钥：" << Hex32(context.sidKey) << "；各内置账户存储为：";
  const std::pair<const char*, jet::catalog::Sid> accounts[] = {{"admin", jet::catalog::kAdminSid},
                                                                {"Users", jet::catalog::kUsersSid},
                                                                {"Engine", jet::catalog::kEngineSid},
                                                                {"Creator", jet::catalog::kCreatorSid}};
  bool first = true;
  for (auto [name, sid] : accounts) {
    jet::ApplySidMask(context.sidKey, sid);
    context.out << (first ? "" : "，") << name << " " << HexBytes(sid);
    first = false;
  }
  context.out << "\n";
}

void DumpDecodedFields(DumpContext& context, const jet::DatabaseHeader& hd, const uint8_t* page) {
  auto& out = context.out;
  const auto region = UnmaskedRegion(page);
  auto masked32 = [&](size_t offset) { return jet::GetU32(&region[offset - h::kMaskedOffset]); };
  out << "  全局空闲页表：" << RowPointerText(hd.freeMapPointer) << "；全局已释放页表："
      << RowPointerText(hd.releasedMapPointer) << "\n";
  out << "  系统表定义页：MSysObjects " << hd.catalogPages[0] << "，MSysACEs " << hd.catalogPages[1]
      << "，MSysQueries " << hd.catalogPages[2] << "，MSysRelationships " << hd.catalogPages[3] << "\n";
  out << "  工作组表定义页：MSysAccounts " << masked32(h::kAccountsPageOffset) << "，MSysGroups "
      << masked32(h::kGroupsPageOffset) << "\n";
  out << "  代码页：" << hd.codePage << "\n";
  out << "  数据库密钥：" << Hex32(hd.databaseKey) << (hd.databaseKey ? "（页面已加密）" : "（页面未加密）") << "\n";
  out << "  密码：" << (hd.password.empty() ? "无" : "有（" + std::to_string(hd.password.size()) + " 个字符）") << "\n";
  out << "  引擎版本号：" << hd.engineBuild << "（" << Hex32(hd.engineBuild) << "）\n";
  out << "  排序规则：" << Hex16(hd.collation) << "，排序标识 " << unsigned(hd.sortId) << "，排序版本 "
      << unsigned(hd.sortVersion) << (hd.sortVersion == 0 ? "（General (legacy)）" : "") << "\n";
  out << "  创建日期：" << NumberText(hd.creationDate) << "（" << OleDateText(hd.creationDate) << "）\n";
}

}  // namespace

void DumpHeaderPage(DumpContext& context, const uint8_t* page) {
  auto& out = context.out;
  out << "  签名：“" << PrintableAscii({page + h::kSignatureOffset, h::kSignatureLength}) << "”\n";
  out << "  格式版本：" << Hex8(page[h::kVersionOffset]) << "（" << VersionText(page[h::kVersionOffset]) << "）\n";
  if (!context.header) {
    out << "  错误：" << context.headerError << "\n";
    return;
  }
  DumpDecodedFields(context, *context.header, page);
  const uint32_t trailer = jet::GetU32(page + h::kTrailerConstantOffset);
  out << "  常量（0x98）：" << Hex32(trailer) << (trailer == h::kTrailerConstant ? "" : "（应为 0x00000654）") << "\n";
  out << "  引擎版本字符串：“" << PrintableAscii({page + h::kEngineVersionOffset, h::kEngineVersion.size() - 1})
      << "”\n";
  DumpCommitTable(context, page);
  DumpSidKey(context);
}

}  // namespace ipmdb::jetdump
