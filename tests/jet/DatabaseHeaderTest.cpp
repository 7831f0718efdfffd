#include "jet/DatabaseHeader.h"

#include <gtest/gtest.h>

#include <array>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/PageLayout.h"
#include "jet/Rc4.h"

namespace ipmdb::jet {
namespace {

DatabaseHeader SampleHeader(double date) {
  DatabaseHeader h;
  h.freeMapPointer = MakeRowPointer(1, 0);
  h.releasedMapPointer = MakeRowPointer(1, 1);
  h.catalogPages = {2, 3, 4, 5};
  h.codePage = 1252;
  h.engineBuild = 0x261C;
  h.collation = 0x0409;
  h.creationDate = date;
  return h;
}

TEST(DatabaseHeader, EncodeThenDecodeKeepsEveryField) {
  DatabaseHeader h = SampleHeader(45000.5);
  const PageBytes page = EncodeHeaderPage(h);
  const DatabaseHeader back = DecodeHeaderPage(page, "x.mdb");
  EXPECT_EQ(back.freeMapPointer, h.freeMapPointer);
  EXPECT_EQ(back.releasedMapPointer, h.releasedMapPointer);
  EXPECT_EQ(back.catalogPages, h.catalogPages);
  EXPECT_EQ(back.codePage, 1252);
  EXPECT_EQ(back.engineBuild, 0x261Cu);
  EXPECT_EQ(back.collation, 0x0409);
  EXPECT_DOUBLE_EQ(back.creationDate, 45000.5);
  EXPECT_TRUE(back.password.empty());
}

// Without a password the password field holds the whole-day part of the creation date, repeated;
// a zero-filled field would read as a password to Access.
TEST(DatabaseHeader, EmptyPasswordFieldHoldsTheDateMask) {
  PageBytes page = EncodeHeaderPage(SampleHeader(45000.5));
  Rc4(header::kMaskKey).Apply({page.data() + header::kMaskedOffset, header::kMaskedLength});
  for (size_t i = 0; i < header::kPasswordLength; i += 4)
    EXPECT_EQ(GetU32(&page[header::kPasswordOffset + i]), 45000u) << "at " << i;
}

TEST(DatabaseHeader, MaskedRegionIsObscuredAndTheRestIsClear) {
  const PageBytes page = EncodeHeaderPage(SampleHeader(45000.5));
  // The free-map pointer 00 01 00 00 XOR the keystream's first bytes b5 6f 03 62.
  EXPECT_EQ(page[0x18], 0x00 ^ 0xb5);
  EXPECT_EQ(page[0x19], 0x01 ^ 0x6f);
  EXPECT_EQ(GetU32(&page[header::kTrailerConstantOffset]), header::kTrailerConstant);
  EXPECT_EQ(page[header::kEngineVersionOffset], '4');
  EXPECT_EQ(page[header::kCommitTableOffset], 0x00);
  EXPECT_EQ(page[header::kCommitTableOffset + 1], 0x01);
  EXPECT_EQ(page[kPageSize - 1], 0x01);
}

// Vectors computed from the header fields alone; the first is what an engine-made empty database
// carries (its admin SID is stored as 64 8B).
TEST(SidMask, KeyAndMaskedSidsMatchKnownVectors) {
  struct Case {
    double date;
    uint32_t key;
    std::array<uint8_t, 2> admin, users, engine, creator;
  } cases[] = {
      {42329.94480300926, 0x3853837E, {0x64, 0x8B}, {0x65, 0x8B}, {0x65, 0x89}, {0x65, 0x8E}},
      {45000.5, 0x03800768, {0x32, 0xE2}, {0x33, 0xE2}, {0x33, 0xE0}, {0x33, 0xE7}},
  };
  for (const auto& c : cases) {
    const uint32_t key = SidMaskKey(SampleHeader(c.date));
    EXPECT_EQ(key, c.key);
    auto check = [&](std::array<uint8_t, 2> sid, std::array<uint8_t, 2> expected) {
      ApplySidMask(key, sid);
      EXPECT_EQ(sid, expected);
      ApplySidMask(key, sid);  // and back
    };
    check({0x03, 0x01}, c.admin);
    check({0x02, 0x01}, c.users);
    check({0x02, 0x03}, c.engine);
    check({0x02, 0x04}, c.creator);
  }
}

TEST(SidMask, KeyDependsOnTheCreationDateAndBuild) {
  const uint32_t base = SidMaskKey(SampleHeader(45000.5));
  EXPECT_NE(base, SidMaskKey(SampleHeader(45000.25)));
  DatabaseHeader other = SampleHeader(45000.5);
  other.engineBuild = 8618;
  EXPECT_NE(base, SidMaskKey(other));
}

TEST(DatabaseHeader, RefusesFilesThatAreNotJet4) {
  auto expectNotJet4 = [](PageBytes page, const char* what) {
    try {
      DecodeHeaderPage(page, "x.mdb");
      FAIL() << what;
    } catch (const JetError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::NotJet4) << what;
      EXPECT_NE(std::string(e.what()).find("x.mdb"), std::string::npos);
    }
  };
  const PageBytes good = EncodeHeaderPage(SampleHeader(45000.5));
  PageBytes jet3 = good;
  jet3[header::kVersionOffset] = header::kVersionJet3;
  expectNotJet4(jet3, "Jet 3");
  PageBytes ace = good;
  ace[header::kVersionOffset] = 0x02;
  expectNotJet4(ace, "ACE version");
  PageBytes aceSignature = good;
  std::copy_n("Standard ACE DB", 15, aceSignature.begin() + header::kSignatureOffset);
  expectNotJet4(aceSignature, "ACE signature");
  PageBytes garbage{};
  garbage.fill(0x5A);
  expectNotJet4(garbage, "garbage");
  EXPECT_THROW(DecodeHeaderPage(std::span<const uint8_t>(good.data(), 100), "x.mdb"), JetError);
}

}  // namespace
}  // namespace ipmdb::jet
