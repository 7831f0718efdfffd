// Rows decoded against definitions read from a damaged file: whatever a column descriptor
// claims, the decoder must stay inside the row and report the damage.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "jet/Error.h"
#include "jet/RowCodec.h"
#include "jet/TableDefinition.h"

namespace ipmdb::jet {
namespace {

struct ShortColumnCase {
  ColumnType type;
  uint16_t storedLength;  // what the damaged descriptor says, less than the type's own size
};

class DescriptorShorterThanItsType : public ::testing::TestWithParam<ShortColumnCase> {};

// A table of one fixed column whose descriptor length is too small: the fixed area then seems
// to end before the value does, and a row of that size ends right after the null mask.
TEST_P(DescriptorShorterThanItsType, RowIsReportedDamaged) {
  TableDefinition table = {};
  table.maxColumns = 1;
  table.columns = LayOutColumns({ColumnSpec{u"Value", GetParam().type, 0, 0, false, 0}}, false);
  table.columns[0].length = GetParam().storedLength;
  const RowLayout layout(table, "T");
  // Column count, the fixed area as the descriptor sizes it, the null mask with the value present.
  std::vector<uint8_t> row{0x01, 0x00};
  row.resize(2 + GetParam().storedLength, 0xAA);
  row.push_back(0x01);
  const auto noFetch = [](uint32_t) -> std::vector<uint8_t> { return {}; };
  EXPECT_THROW(DecodeRow(layout, row, 0, noFetch), JetError);
}

INSTANTIATE_TEST_SUITE_P(FixedTypes, DescriptorShorterThanItsType,
                         ::testing::Values(ShortColumnCase{ColumnType::Integer, 1}, ShortColumnCase{ColumnType::Long, 1},
                                           ShortColumnCase{ColumnType::Long, 0},
                                           ShortColumnCase{ColumnType::Double, 4},
                                           ShortColumnCase{ColumnType::DateTime, 2},
                                           ShortColumnCase{ColumnType::Currency, 7}));

}  // namespace
}  // namespace ipmdb::jet
