#include "engine/Gbk.h"

#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <iconv.h>
#endif

#include <cstdint>
#include <string>

namespace ipmdb::engine {
namespace {

std::u16string Utf16(std::string_view gbk) {
  std::u16string out;
  GbkToUtf16(gbk, out);
  return out;
}

std::string Utf8(std::string_view gbk) {
  std::string out;
  GbkToUtf8(gbk, out);
  return out;
}

std::string Gbk(std::string_view utf8) {
  std::string out;
  Utf8ToGbk(utf8, out);
  return out;
}

// A plain UTF-16 to UTF-8 encoder for the BMP, to hold the two decoders against each other.
std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit < 0x80) {
      out += char(unit);
    } else if (unit < 0x800) {
      out += char(0xC0 | unit >> 6);
      out += char(0x80 | (unit & 0x3F));
    } else {
      out += char(0xE0 | unit >> 12);
      out += char(0x80 | (unit >> 6 & 0x3F));
      out += char(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

struct DecodeCase {
  std::string FGbk;
  std::u16string FText;
};

TEST(Gbk, KnownCharactersDecode) {
  const DecodeCase cases[] = {
      {"", u""},
      {"insert into IP values('1.0.1.0')", u"insert into IP values('1.0.1.0')"},
      {"\xD6\xD0\xB9\xFA", u"中国"},
      {"\xCE\xB4\xD6\xAA" "IP", u"未知IP"},
      {"\xB8\xA3\xBD\xA8\xCA\xA1\xCF\xC3\xC3\xC5\xCA\xD0 \xB5\xE7\xD0\xC5", u"福建省厦门市 电信"},
      {"\xA1\xA1", u"\u3000"},  // the full-width space
      {"\x81\x40", u"\u4E02"},  // the first pair of the extended range
      {"0123456789abcdef\xD6\xD0" "0123456789\xB9\xFA" "x", u"0123456789abcdef中0123456789国x"},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FGbk));
    EXPECT_EQ(Utf16(c.FGbk), c.FText);
    EXPECT_EQ(Utf8(c.FGbk), EncodeUtf8(c.FText));
  }
}

TEST(Gbk, ByteEightyIsTheEuroSign) {
  EXPECT_EQ(Utf16("\x80"), u"\u20AC");
  EXPECT_EQ(Utf8("a\x80" "b"), "a\xE2\x82\xAC" "b");
  EXPECT_EQ(Gbk("\xE2\x82\xAC"), "\x80");
}

TEST(Gbk, InvalidBytesBecomeReplacementCharactersAndDecodingGoesOn) {
  const DecodeCase cases[] = {
      {"\xFF", u"\uFFFD"},
      {"a\xFF" "b", u"a\uFFFDb"},
      {"\xD6", u"\uFFFD"},             // a lead byte at the very end
      {"ab\xD6\xD0\xB9", u"ab中\uFFFD"},
      {"\x81'", u"\uFFFD'"},           // an ASCII second byte is never swallowed
      {"\x81" "0", u"\uFFFD" "0"},
      {"\xA1\x40", u"\uFFFD@"},        // not GBK, second byte ASCII
      {"\x81\x7F", u"\uFFFD\x7F"},
      {"\xAA\xA1" "x", u"\uFFFDx"},    // not GBK, both bytes taken
      {"\xD6\xFF" "x", u"\uFFFDx"},
      {"\xFF\xD6\xD0", u"\uFFFD中"},
      {"\xD6\xD0\xFF\xFF\xFF\xD6\xD0", u"中\uFFFD\uFFFD\uFFFD中"},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.FGbk));
    EXPECT_EQ(Utf16(c.FGbk), c.FText);
    EXPECT_EQ(Utf8(c.FGbk), EncodeUtf8(c.FText));
  }
}

TEST(Gbk, DecodersAppendToWhatTheOutputHolds) {
  std::u16string wide = u"kept ";
  GbkToUtf16("\xD6\xD0", wide);
  EXPECT_EQ(wide, u"kept 中");
  std::string narrow = "kept ";
  GbkToUtf8("\xD6\xD0", narrow);
  EXPECT_EQ(narrow, "kept \xE4\xB8\xAD");
  std::string gbk = "kept ";
  Utf8ToGbk("中", gbk);
  EXPECT_EQ(gbk, "kept \xD6\xD0");
}

// Every two-byte sequence: the UTF-8 and UTF-16 decoders agree, and every decoded character is
// encoded back into a sequence that decodes to it again.
TEST(Gbk, EveryPairDecodesConsistentlyAndRoundTrips) {
  size_t characters = 0;
  for (unsigned lead = 0; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      const char pair[2] = {char(lead), char(trail)};
      const std::string_view bytes(pair, 2);
      const std::u16string text = Utf16(bytes);
      ASSERT_EQ(Utf8(bytes), EncodeUtf8(text)) << lead << " " << trail;
      if (text.size() != 1 || text[0] == u'\uFFFD') continue;
      ++characters;
      ASSERT_EQ(Utf16(Gbk(EncodeUtf8(text))), text) << lead << " " << trail;
    }
  }
  // GBK assigns 21,886 pairs.
  EXPECT_GT(characters, 21000u);
}

#ifdef __GLIBC__
// The table compiled into the program still equals what glibc's converter gives: every pair that
// glibc maps to one UTF-16 unit decodes to that unit, every other pair to U+FFFD (and an ASCII
// second byte). tools/gen-gbk-table rewrites the table when this fails after a glibc update.
TEST(Gbk, CompiledTableEqualsTheCLibrarysConverter) {
  iconv_t converter = ::iconv_open("UTF-16LE", "GBK");
  ASSERT_NE(converter, iconv_t(-1));
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      char pair[2] = {char(lead), char(trail)};
      char16_t units[4];
      char* in = pair;
      char* out = reinterpret_cast<char*>(units);
      size_t inLeft = sizeof pair;
      size_t outLeft = sizeof units;
      const bool mapped = ::iconv(converter, &in, &inLeft, &out, &outLeft) != size_t(-1) && inLeft == 0 &&
                          outLeft == sizeof units - 2;
      ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
      std::u16string expected = mapped ? std::u16string(1, units[0]) : u"\uFFFD";
      if (!mapped && trail < 0x80) expected += char16_t(trail);
      ASSERT_EQ(Utf16(std::string_view(pair, 2)), expected) << lead << " " << trail;
    }
  }
  ::iconv_close(converter);
}
#endif

TEST(Gbk, EncodingMarksWhatGbkCannotHold) {
  EXPECT_EQ(Gbk("abc"), "abc");
  EXPECT_EQ(Gbk("福建省 电信"), "\xB8\xA3\xBD\xA8\xCA\xA1 \xB5\xE7\xD0\xC5");
  EXPECT_EQ(Gbk("a\xF0\x9F\x98\x80" "b"), "a?b");   // beyond the BMP
  EXPECT_EQ(Gbk("a\xD8\xAA" "b"), "a?b");           // Arabic, not in GBK
  EXPECT_EQ(Gbk("a\xC3" "b"), "a?b");               // truncated sequence
  EXPECT_EQ(Gbk("a\xC0\x80" "b"), "a?b");           // overlong
  EXPECT_EQ(Gbk("a\xED\xA0\x80" "b"), "a?b");       // surrogate
  EXPECT_EQ(Gbk("a\x80\x80" "b"), "a?b");           // stray continuation bytes, one mark
}

}  // namespace
}  // namespace ipmdb::engine
