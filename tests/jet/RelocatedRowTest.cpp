// Rows that Access moved to another page when an update made them grow: the old slot keeps the
// overflow flag and a pointer to the new place, and the new slot carries the deleted flag so
// that page scans skip it. Reading through the pointer must reach the row all the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/DatabaseReader.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/PageSource.h"

namespace ipmdb::jet {
namespace {

constexpr uint32_t kOwner = 16;

class RelocatedRow : public ::testing::Test {
 protected:
  // Page 0 is left empty; each further page gets one row with the given row-table flags.
  uint32_t AddPage(const std::vector<uint8_t>& row, uint16_t flags) {
    const uint32_t number = uint32_t(FBytes.size() / kPageSize);
    FBytes.resize(FBytes.size() + kPageSize);
    uint8_t* page = FBytes.data() + size_t(number) * kPageSize;
    InitDataPage(page, kOwner);
    AppendDataPageRow(page, row);
    uint8_t* entry = page + RowSlotOffset(0);
    PutU16(entry, uint16_t(GetU16(entry) | flags));
    return number;
  }
  static std::vector<uint8_t> PointerTo(uint32_t page) {
    std::vector<uint8_t> row(4);
    PutU32(row.data(), MakeRowPointer(page, 0));
    return row;
  }

  std::vector<uint8_t> FBytes = std::vector<uint8_t>(kPageSize, 0);
  const std::vector<uint8_t> FTarget{0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01};
};

TEST_F(RelocatedRow, OverflowPointerReachesTargetMarkedDeleted) {
  const uint32_t target = AddPage(FTarget, datapage::kRowDeletedFlag);
  const uint32_t moved = AddPage(PointerTo(target), datapage::kRowOverflowFlag);
  MemoryPageSource source(FBytes);
  EXPECT_EQ(ReadRowBytes(source, MakeRowPointer(moved, 0)), FTarget);
}

TEST_F(RelocatedRow, OverflowPointerReachesLiveTarget) {
  const uint32_t target = AddPage(FTarget, 0);
  const uint32_t moved = AddPage(PointerTo(target), datapage::kRowOverflowFlag);
  MemoryPageSource source(FBytes);
  EXPECT_EQ(ReadRowBytes(source, MakeRowPointer(moved, 0)), FTarget);
}

TEST_F(RelocatedRow, DeletedRowNamedDirectlyIsRefused) {
  const uint32_t target = AddPage(FTarget, datapage::kRowDeletedFlag);
  MemoryPageSource source(FBytes);
  EXPECT_THROW(ReadRowBytes(source, MakeRowPointer(target, 0)), JetError);
}

TEST_F(RelocatedRow, OverflowToAnotherOverflowIsRefused) {
  const uint32_t target = AddPage(FTarget, 0);
  const uint32_t second = AddPage(PointerTo(target), datapage::kRowOverflowFlag);
  const uint32_t first = AddPage(PointerTo(second), datapage::kRowOverflowFlag);
  MemoryPageSource source(FBytes);
  EXPECT_THROW(ReadRowBytes(source, MakeRowPointer(first, 0)), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
