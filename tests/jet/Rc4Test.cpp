#include "jet/Rc4.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace ipmdb::jet {
namespace {

// The key that obscures page 0 of every Jet 4 file; its keystream begins with these bytes
// (they are what the header region of every sample file is XORed with).
TEST(Rc4, HeaderKeyKeystreamStartsWithKnownBytes) {
  const std::array<uint8_t, 4> key{0xC7, 0xDA, 0x39, 0x6B};
  Rc4 rc4(key);
  const std::array<uint8_t, 8> expected{0xb5, 0x6f, 0x03, 0x62, 0x61, 0x08, 0xc2, 0x55};
  for (uint8_t b : expected) EXPECT_EQ(rc4.Next(), b);
}

TEST(Rc4, ApplyingTwiceRestoresTheBytes) {
  const std::array<uint8_t, 4> key{1, 2, 3, 4};
  std::array<uint8_t, 5> data{10, 20, 30, 40, 50};
  const auto original = data;
  Rc4(key).Apply(data);
  EXPECT_NE(data, original);
  Rc4(key).Apply(data);
  EXPECT_EQ(data, original);
}

}  // namespace
}  // namespace ipmdb::jet
