#include "engine/IPToNumber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ipmdb::engine {
namespace {

struct AddressCase {
  std::string FAddress;
  int64_t FNumber;
};

void ExpectNumbers(std::initializer_list<AddressCase> cases) {
  for (const AddressCase& c : cases) EXPECT_EQ(IPToNumber(c.FAddress), c.FNumber) << testing::PrintToString(c.FAddress);
}

TEST(IPToNumber, WorkedExamplesGiveTheirNumbers) {
  ExpectNumbers({
      {"1.0.1.0", 16777472},
      {"255.255.255.255", 4294967295},
      {"0.0.0.0", 0},
      {"", 0},
      {" \t ", 0},
      {"1.2.3", 16909056},
      {"1..2.3.4", 16909060},
      {"1.2.3.4.", 16909060},
      {".1.2.3", 66051},
      {"256.0.0.0", 4278190080},
      {"300.1.1.1", 4278255873},
      {"-5.0.0.1", 83886081},
      {"1a.2.3.4", 131844},
      {"99999999999.0.0.0", 0},
      {"$0A.0.0.0", 167772160},
  });
}

TEST(IPToNumber, LeadingZerosAreDecimalWhateverTheDigitCount) {
  ExpectNumbers({
      {"010.001.000.009", 167837705},
      {"0010.0001.0000.0009", 167837705},
      {"999.0255.00256.1", 4294967041},
      {"1.2.3.4444", 16909311},
  });
}

TEST(IPToNumber, SeparatorsAreDotsSpacesCrAndLf) {
  ExpectNumbers({
      {"1 2 3 4", 16909060},
      {"1.2.3.4\r\n", 16909060},
      {"1\r2\n3. .4", 16909060},
      {" 1.2.3.4", 66051},
      {"...", 0},
      {"1...", 16777216},
      {"\t1.2.3.4", 131844},  // a tab is part of the first part, which is then not a number
  });
}

TEST(IPToNumber, PartsBeyondTheFourthAreIgnored) {
  std::string many = "1.2.3.4";
  for (int i = 0; i < 1000; ++i) many += ".7";
  ExpectNumbers({
      {"1.2.3.4.5", 16909060},
      {".1.2.3.4", 66051},
      {"1.2.3.4.5.6.7.8.9", 16909060},
      {"1.2.3.4.99999999999999999999.x", 16909060},
      {many, 16909060},
  });
}

// Each row is one part, tried in the first and in the last position of an address.
TEST(IPToNumber, EachPartFollowsTheIntegerSyntaxAndIsClampedToAByte) {
  const struct {
    std::string FPart;
    int64_t FValue;
  } cases[] = {
      {"0", 0},           {"7", 7},          {"255", 255},          {"256", 255},         {"00012", 12},
      {"0000000000000000000000000012", 12},  {"+5", 5},             {"-0", 0},            {"-255", 255},
      {"-256", 255},      {"2147483647", 255}, {"2147483648", 0},   {"-2147483648", 255}, {"-2147483649", 0},
      {"4294967295", 0},  {"$FF", 255},      {"$ff", 255},          {"$100", 255},        {"0x10", 16},
      {"0X10", 16},       {"x1f", 31},       {"X1F", 31},           {"$00000000FF", 255}, {"$7FFFFFFF", 255},
      {"$FFFFFFFF", 1},   {"$FFFFFFFE", 2},  {"$80000000", 255},    {"$100000000", 0},    {"-$10", 16},
      {"+0x10", 16},      {"-$FFFFFFFF", 1}, {"-$80000000", 255},   {"+", 0},             {"-", 0},
      {"$", 0},           {"x", 0},          {"0x", 0},             {"-0x", 0},           {"+-1", 0},
      {"--1", 0},         {"1-", 0},         {"1a", 0},             {"0x1G", 0},          {"00x10", 0},
      {"$-1", 0},         {"1e2", 0},        {"\xD6\xD0", 0},       {"\t1", 0},           {"1\t", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FPart);
    EXPECT_EQ(IPToNumber(c.FPart + ".0.0.0"), c.FValue << 24);
    EXPECT_EQ(IPToNumber("0.0.0." + c.FPart), c.FValue);
  }
}

}  // namespace
}  // namespace ipmdb::engine
