#include "jet/PropertyBlob.h"

#include <gtest/gtest.h>

#include "jet/Bytes.h"
#include "jet/Error.h"

namespace ipmdb::jet {
namespace {

// The database property blob as Access writes it for an Access 2000 file, AccessVersion only.
TEST(PropertyBlob, DatabaseBlobHasTheAccessLayout) {
  const auto blob = EncodePropertyBlob({{u"", {Property::Text(u"AccessVersion", u"08.50", false)}}});
  ASSERT_EQ(blob.size(), 68u);
  EXPECT_EQ(std::string(blob.begin(), blob.begin() + 3), "MR2");
  EXPECT_EQ(GetU32(&blob[4]), 34u);        // name pool: header + one 26-byte name with its length
  EXPECT_EQ(GetU16(&blob[8]), 0x0080);
  EXPECT_EQ(GetU32(&blob[38]), 30u);       // object block
  EXPECT_EQ(GetU16(&blob[42]), 0x0000);
  EXPECT_EQ(GetU32(&blob[44]), 6u);        // empty owner name
  EXPECT_EQ(GetU16(&blob[50]), 18u);       // entry: 8 bytes + "08.50"
  EXPECT_EQ(blob[52], 0);                  // not a schema property
  EXPECT_EQ(blob[53], 0x0A);               // Text
}

TEST(PropertyBlob, ColumnBlocksShareOneNamePoolAndRoundTrip) {
  const std::vector<PropertyBlock> blocks = {
      {u"startip", {Property::Boolean(u"Required", false, true), Property::Boolean(u"AllowZeroLength", true, true)}},
      {u"startid", {Property::Boolean(u"Required", false, true), Property::Memo(u"DefaultValue", u"0", true),
                    Property::Byte(u"DecimalPlaces", 255, true)}},
      {u"", {Property::Long(u"Build", 6620, false)}},
  };
  const auto back = DecodePropertyBlob(EncodePropertyBlob(blocks));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].owner, u"startip");
  EXPECT_EQ(back[0].properties[1].name, u"AllowZeroLength");
  EXPECT_EQ(back[0].properties[1].value, std::vector<uint8_t>{1});
  EXPECT_TRUE(back[0].properties[1].ddl);
  EXPECT_EQ(back[1].properties[1].type, ColumnType::Memo);
  EXPECT_EQ(back[1].properties[1].value, (std::vector<uint8_t>{'0', 0}));
  EXPECT_EQ(back[1].properties[2].value, std::vector<uint8_t>{255});
  EXPECT_TRUE(back[2].owner.empty());
  EXPECT_EQ(GetU32(back[2].properties[0].value.data()), 6620u);
}

TEST(PropertyBlob, DamagedBlobsAreReported) {
  auto blob = EncodePropertyBlob({{u"", {Property::Text(u"AccessVersion", u"08.50", false)}}});
  auto badSignature = blob;
  badSignature[0] = 'X';
  try {
    DecodePropertyBlob(badSignature, ErrorPlace{2, 5});
    ADD_FAILURE() << "a blob without its signature was decoded";
  } catch (const JetError& e) {
    EXPECT_EQ(std::string(e.what()), "数据库文件已损坏：第 2 页第 5 行的属性数据缺少“MR2”签名。");
    ASSERT_TRUE(e.Place());
    EXPECT_EQ(e.Place()->page, 2u);
    EXPECT_EQ(e.Place()->row, 5u);
  }
  auto badLength = blob;
  PutU32(&badLength[38], 5000);
  EXPECT_THROW(DecodePropertyBlob(badLength), JetError);
  auto badName = blob;
  PutU16(&badName[54], 9);  // name index outside the pool
  EXPECT_THROW(DecodePropertyBlob(badName), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
