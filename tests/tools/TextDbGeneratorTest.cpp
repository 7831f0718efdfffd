#include "gen-textdb/TextDbGenerator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Gbk.h"
#include "engine/IPToNumber.h"
#include "engine/LineList.h"
#include "engine/ParseLine.h"

namespace ipmdb::tools {
namespace {

constexpr uint64_t kLastAddress = 4294967295;

std::string Generate(uint64_t lines, uint64_t seed) {
  std::string text;
  GenerateTextDatabase({lines, seed}, text);
  return text;
}

// The lines of the text, by the converter's line rules.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  engine::LineList::FromBytes(text).ForEachLine([&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

bool SpellsMarker(std::string_view field) {
  std::string upper(field);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return upper == "MORVANE.EXAMPLE";
}

TEST(TextDbGenerator, SameOptionsGiveTheSameBytes) {
  EXPECT_EQ(Generate(3000, 7), Generate(3000, 7));
  EXPECT_NE(Generate(3000, 7), Generate(3000, 8));
}

TEST(TextDbGenerator, RangesAreSortedContiguousAndCoverTheAddressSpace) {
  for (uint64_t count : {uint64_t(1), uint64_t(2), uint64_t(17), uint64_t(20000)}) {
    SCOPED_TRACE(count);
    const std::vector<std::string> lines = LinesOf(Generate(count, 3));
    ASSERT_EQ(lines.size(), count);
    int64_t next = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      const engine::RecordFields fields = engine::ParseLine(lines[i]);
      const int64_t start = engine::IPToNumber(fields[engine::kStartAddress]);
      const int64_t end = engine::IPToNumber(fields[engine::kEndAddress]);
      ASSERT_EQ(start, next) << lines[i];
      ASSERT_LE(start, end) << lines[i];
      next = end + 1;
    }
    EXPECT_EQ(next, int64_t(kLastAddress) + 1);
  }
}

TEST(TextDbGenerator, LinesArePaddedGbkWithCrLfBreaks) {
  const std::string text = Generate(5000, 11);
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_GT(i, 0u);
      ASSERT_EQ(text[i - 1], '\r');
      ++breaks;
    }
  }
  EXPECT_EQ(breaks, 5000u);
  ASSERT_TRUE(text.ends_with("\r\n"));

  const std::vector<std::string> lines = LinesOf(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const engine::RecordFields fields = engine::ParseLine(line);
    // Both addresses fill 16 columns, so the country always starts in column 33.
    ASSERT_EQ(line.substr(0, fields[engine::kStartAddress].size()), fields[engine::kStartAddress]);
    ASSERT_EQ(line.substr(16, fields[engine::kEndAddress].size()), fields[engine::kEndAddress]);
    ASSERT_EQ(line.substr(32, fields[engine::kCountry].size()), fields[engine::kCountry]);
    ASSERT_FALSE(fields[engine::kCountry].empty()) << line;
    std::u16string decoded;
    engine::GbkToUtf16(line, decoded);
    ASSERT_EQ(decoded.find(u'\uFFFD'), std::u16string::npos) << line;
  }
}

TEST(TextDbGenerator, TextsMixMarkersEmptyAreasAndInnerSpacesLikeRealFiles) {
  const std::vector<std::string> lines = LinesOf(Generate(20000, 5));
  size_t markers = 0;
  size_t lowerMarkers = 0;
  size_t emptyAreas = 0;
  size_t spacedAreas = 0;
  size_t quotedAreas = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const engine::RecordFields fields = engine::ParseLine(lines[i]);
    for (std::string_view field : {fields[engine::kCountry], fields[engine::kArea]}) {
      if (!SpellsMarker(field)) continue;
      ++markers;
      if (field == "morvane.example") ++lowerMarkers;
    }
    const std::string_view area = fields[engine::kArea];
    emptyAreas += area.empty();
    spacedAreas += area.find(' ') != std::string_view::npos;
    quotedAreas += area.find('\'') != std::string_view::npos;
  }
  EXPECT_GT(markers, 20000u / 100);
  EXPECT_LT(markers, 20000u / 10);
  EXPECT_GT(lowerMarkers, 0u);
  EXPECT_GT(emptyAreas, 20000u / 100);
  EXPECT_GT(spacedAreas, 20000u / 20);
  EXPECT_GT(quotedAreas, 0u);
}

TEST(TextDbGenerator, NoLinesGiveAnEmptyFileAndTooManyAreRefused) {
  EXPECT_EQ(Generate(0, 1), "");
  std::string text;
  EXPECT_THROW(GenerateTextDatabase({kMaxLines + 1, 1}, text), GeneratorError);
}

}  // namespace
}  // namespace ipmdb::tools
