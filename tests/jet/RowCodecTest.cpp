#include "jet/RowCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/TextCodec.h"
#include "jet/Utf8.h"

namespace ipmdb::jet {
namespace {

// A user table like one of Access's: Long, two Doubles, two Text(255), one compressible.
TableDefinition ItemsTable(bool compressNote = false) {
  std::vector<ColumnSpec> specs = {
      {u"ID", ColumnType::Long, 0, 0x0409, false, 0},   {u"Lo", ColumnType::Double, 0, 0x0409, false, 0},
      {u"Hi", ColumnType::Double, 0, 0x0409, false, 0}, {u"Name", ColumnType::Text, 510, 0x0409, false, 0},
      {u"Note", ColumnType::Text, 510, 0x0409, compressNote, 0},
  };
  TableDefinition t;
  t.columns = LayOutColumns(specs, false);
  t.maxColumns = 5;
  t.variableColumns = 2;
  return t;
}

TEST(RowCodec, EncodesNullAndTextExactlyAsTheEngineLaysThemOut) {
  const RowLayout layout(ItemsTable(), "Items");
  std::vector<CellValue> values = {CellValue::OfInteger(1), CellValue::OfReal(0.0), CellValue::OfReal(255.0),
                                   CellValue::OfText(u"name 0"), CellValue::Null()};
  std::vector<uint8_t> row;
  EncodeRow(layout, values, row);
  const std::vector<uint8_t> expected = {
      0x05, 0x00, 0x01, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x6F, 0x40,
      'n', 0, 'a', 0, 'm', 0, 'e', 0, ' ', 0, '0', 0,
      0x22, 0x00, 0x22, 0x00, 0x16, 0x00, 0x02, 0x00, 0x0F};
  EXPECT_EQ(row, expected);
}

TEST(RowCodec, EmptyTextIsPresentWithZeroLengthWhileNullIsAbsent) {
  const RowLayout layout(ItemsTable(), "Items");
  std::vector<CellValue> values = {CellValue::OfInteger(7), CellValue::Null(), CellValue::Null(),
                                   CellValue::OfText(u""), CellValue::Null()};
  std::vector<uint8_t> row;
  EncodeRow(layout, values, row);
  EXPECT_EQ(row.back(), 0x09);  // ID and Name present; the Doubles and Note are NULL
  const auto back = DecodeRow(layout, row, 0, nullptr);
  EXPECT_EQ(back[0].integer, 7);
  EXPECT_EQ(back[1].kind, CellValue::Kind::Null);
  EXPECT_EQ(back[3].kind, CellValue::Kind::Text);
  EXPECT_TRUE(back[3].text.empty());
  EXPECT_EQ(back[4].kind, CellValue::Kind::Null);
}

TEST(RowCodec, CompressesOnlyInColumnsThatAllowItAndOnlyWhenItHelps) {
  const RowLayout layout(ItemsTable(true), "Items");
  struct Case {
    std::u16string text;
    size_t storedBytes;
  } cases[] = {
      {u"1.0.1.0", 2 + 7},          // Latin-1 only: marker + one byte a character
      {u"ab", 4},                   // two characters would not shrink
      {u"中国", 4},                 // CJK stays UTF-16
      {u"a中", 4},                  // one wide character keeps the whole value wide
      {u"", 0},                     // never a marker for an empty text
      {u"caf\u00e9 ok", 2 + 7},
  };
  for (const auto& c : cases) {
    std::vector<CellValue> values(5);
    values[4] = CellValue::OfText(c.text);
    std::vector<uint8_t> row;
    EncodeRow(layout, values, row);
    const auto back = DecodeRow(layout, row, 0, nullptr);
    EXPECT_EQ(back[4].text, c.text);
    EXPECT_EQ(EncodedTextSize(c.text, true), c.storedBytes);
  }
}

TEST(RowCodec, DecodesCompressedTextWithModeSwitches) {
  // FF FE, "ab" one byte each, 00 switches to UTF-16 for U+4E2D, 00 back, "c".
  const std::vector<uint8_t> stored = {0xFF, 0xFE, 'a', 'b', 0x00, 0x2D, 0x4E, 0x00, 'c'};
  EXPECT_EQ(DecodeText(stored), u"ab\u4e2dc");
}

TEST(RowCodec, TextStartingWithUFEFFIsStoredCompressedSoThatItReadsBackExactly) {
  // In UTF-16LE such a text would begin FF FE, the compressed form's marker; so it is written in
  // that form, with a 00 before each change between one-byte and two-byte runs.
  const struct {
    std::u16string text;
    std::vector<uint8_t> stored;
  } cases[] = {
      {u"\uFEFF", {0xFF, 0xFE, 0x00, 0xFF, 0xFE}},
      {u"\uFEFF中", {0xFF, 0xFE, 0x00, 0xFF, 0xFE, 0x2D, 0x4E}},
      {u"\uFEFFab中c\u00FF", {0xFF, 0xFE, 0x00, 0xFF, 0xFE, 0x00, 'a', 'b', 0x00, 0x2D, 0x4E, 0x00, 'c', 0xFF}},
  };
  for (const auto& c : cases) {
    for (const bool compress : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.stored.size() << (compress ? " compressed column" : " plain column"));
      const RowLayout layout(ItemsTable(compress), "Items");
      std::vector<CellValue> values(5);
      values[4] = CellValue::OfText(c.text);
      std::vector<uint8_t> row;
      EncodeRow(layout, values, row);
      EXPECT_EQ(DecodeRow(layout, row, 0, nullptr)[4].text, c.text);
      EXPECT_EQ(EncodedTextSize(c.text, compress), c.stored.size());
      std::vector<uint8_t> stored(MaxEncodedTextSize(c.text));
      stored.resize(EncodeText(c.text, compress, stored.data()));
      EXPECT_EQ(stored, c.stored);
    }
  }
  // A character with a low byte of 0 would read as a switch in that form.
  EXPECT_EQ(UnstorableCharacter(u"\uFEFF一"), u'\u4E00');
  EXPECT_EQ(UnstorableCharacter(u"\uFEFFa\u0100"), u'\u0100');
  EXPECT_EQ(UnstorableCharacter(u"一\uFEFF"), std::nullopt);
  EXPECT_EQ(UnstorableCharacter(u"\uFEFF中"), std::nullopt);
}

TEST(RowCodec, BooleanLivesInTheNullMaskAndShortRowsArePadded) {
  std::vector<ColumnSpec> specs = {{u"Flag", ColumnType::Boolean, 0, 0, false, 0}};
  TableDefinition t;
  t.columns = LayOutColumns(specs, false);
  t.maxColumns = 1;
  const RowLayout layout(t, "Flags");
  for (bool value : {true, false}) {
    std::vector<CellValue> values = {CellValue::OfBoolean(value)};
    std::vector<uint8_t> row;
    EncodeRow(layout, values, row);
    EXPECT_GE(row.size(), 5u);
    EXPECT_EQ(row.back(), value ? 0x01 : 0x00);
    EXPECT_EQ(DecodeRow(layout, row, 0, nullptr)[0].boolean, value);
  }
}

TEST(RowCodec, EveryFixedTypeRoundTrips) {
  std::vector<ColumnSpec> specs = {
      {u"B", ColumnType::Byte, 0, 0, false, 0},     {u"I", ColumnType::Integer, 0, 0, false, 0},
      {u"L", ColumnType::Long, 0, 0, false, 0},     {u"C", ColumnType::Currency, 0, 0, false, 0},
      {u"S", ColumnType::Single, 0, 0, false, 0},   {u"D", ColumnType::Double, 0, 0, false, 0},
      {u"T", ColumnType::DateTime, 0, 0, false, 0}, {u"M", ColumnType::Memo, 0, 0, true, 0},
      {u"O", ColumnType::Ole, 0, 0, false, 0},      {u"X", ColumnType::Binary, 16, 0, false, 0},
  };
  TableDefinition t;
  t.columns = LayOutColumns(specs, false);
  t.maxColumns = uint16_t(specs.size());
  const RowLayout layout(t, "Types");
  const std::vector<uint8_t> blob = {1, 2, 3, 0, 255};
  std::vector<CellValue> values = {CellValue::OfInteger(255),        CellValue::OfInteger(-32768),
                                   CellValue::OfInteger(-2147483647 - 1), CellValue::OfInteger(-123456789012345),
                                   CellValue::OfReal(1.5),           CellValue::OfReal(4294967295.0),
                                   CellValue::OfReal(-1.25),         CellValue::OfText(u"memo text"),
                                   CellValue::OfBinary(blob),        CellValue::OfBinary(blob)};
  std::vector<uint8_t> row;
  EncodeRow(layout, values, row);
  const auto back = DecodeRow(layout, row, 0, nullptr);
  EXPECT_EQ(back[0].integer, 255);
  EXPECT_EQ(back[1].integer, -32768);
  EXPECT_EQ(back[2].integer, -2147483647 - 1);
  EXPECT_EQ(back[3].integer, -123456789012345);
  EXPECT_EQ(back[4].real, 1.5);
  EXPECT_EQ(back[5].real, 4294967295.0);
  EXPECT_EQ(back[6].real, -1.25);
  EXPECT_EQ(back[7].text, u"memo text");
  EXPECT_EQ(back[8].binary, blob);
  EXPECT_EQ(back[9].binary, blob);
}

TEST(RowCodec, RefusesARowLongerThanTheEngineCanReadBack) {
  std::vector<ColumnSpec> specs;
  for (int i = 0; i < 9; ++i) specs.push_back({std::u16string(u"T") + std::u16string(1, char16_t(u'0' + i)), ColumnType::Text, 510, 0, false, 0});
  TableDefinition t;
  t.columns = LayOutColumns(specs, false);
  t.maxColumns = 9;
  t.variableColumns = 9;
  const RowLayout layout(t, "Wide");
  const std::u16string full(255, u'字');
  std::vector<CellValue> values(9, CellValue::OfText(full));
  std::vector<uint8_t> row;
  try {
    EncodeRow(layout, values, row);
    FAIL();
  } catch (const JetError& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::BadValue);
    EXPECT_NE(std::string(e.what()).find("Wide"), std::string::npos);
  }
}

// Definitions from elsewhere, or damaged ones, may store a column in a way the encoder does not
// write; an insert must be refused before a byte is written, naming the column.
TEST(RowCodec, ColumnsStoredAsTheEncoderCannotWriteAreRefused) {
  const struct {
    size_t column;  // by position in ItemsTable
    uint8_t flipFlags;
    uint16_t length;
  } cases[] = {
      {3, tdef::kColumnFixedLength, 510},  // Name: a text of fixed length
      {0, tdef::kColumnFixedLength, 4},    // ID: a Long stored as variable data
      {1, 0, 4},                           // Lo: a Double of four bytes
  };
  for (const auto& c : cases) {
    TableDefinition t = ItemsTable();
    t.columns[c.column].flags ^= c.flipFlags;
    t.columns[c.column].length = c.length;
    const RowLayout layout(t, "Items");
    std::vector<CellValue> values(5, CellValue::Null());
    std::vector<uint8_t> row;
    try {
      EncodeRow(layout, values, row);
      ADD_FAILURE() << "column " << c.column << " was written";
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::Unsupported);
      EXPECT_NE(std::string(e.what()).find(Utf16ToUtf8(t.columns[c.column].name)), std::string::npos) << e.what();
    }
  }
}

TEST(RowCodec, DamagedRowsAreReportedNotReadPastTheirEnd) {
  const RowLayout layout(ItemsTable(), "Items");
  std::vector<CellValue> values = {CellValue::OfInteger(1), CellValue::Null(), CellValue::Null(),
                                   CellValue::OfText(u"abc"), CellValue::Null()};
  std::vector<uint8_t> row;
  EncodeRow(layout, values, row);
  std::vector<uint8_t> bad = row;
  bad[bad.size() - 5] = 0xFF;  // offset of the first variable column points past the row
  EXPECT_THROW(DecodeRow(layout, bad, 0, nullptr), JetError);
  EXPECT_THROW(DecodeRow(layout, std::vector<uint8_t>{0x05}, 0, nullptr), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
