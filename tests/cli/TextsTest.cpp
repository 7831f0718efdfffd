// The English texts of ipmdb-convert: every Chinese text its sources hold is translated, with the
// same placeholders, and placeholders are filled as documented.
#include "cli/Texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace ipmdb::cli {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The string literals of a C++ source, adjacent ones joined as the compiler joins them, with
// their escapes resolved; comments and character literals are skipped.
std::vector<std::string> StringLiterals(const std::string& source) {
  std::vector<std::string> literals;
  bool joining = false;
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (source.compare(i, 2, "//") == 0) {
      i = source.find('\n', i);
      if (i == std::string::npos) break;
    } else if (source.compare(i, 2, "/*") == 0) {
      i = source.find("*/", i) + 1;
    } else if (c == '\'') {
      i = source.find('\'', i + (source[i + 1] == '\\' ? 3 : 2));
      joining = false;
    } else if (c == '"') {
      if (!joining) literals.emplace_back();
      for (++i; i < source.size() && source[i] != '"'; ++i) {
        if (source[i] != '\\') {
          literals.back() += source[i];
          continue;
        }
        const char escaped = source[++i];
        literals.back() += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
      }
      joining = true;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      joining = false;
    }
  }
  return literals;
}

bool HasChinese(const std::string& text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

std::multiset<std::string> Placeholders(const std::string& text) {
  std::multiset<std::string> found;
  for (size_t at = text.find('%'); at != std::string::npos && at + 1 < text.size(); at = text.find('%', at + 1))
    if (text[at + 1] >= '1' && text[at + 1] <= '9') found.insert(text.substr(at, 2));
  return found;
}

TEST(EnglishTexts, EveryChineseTextOfTheProgramIsTranslatedWithItsPlaceholders) {
  std::set<std::string> translated;
  for (size_t i = 0; i < kEnglishTextsCount; ++i) {
    const std::string source = kEnglishTexts[i].FSource;
    translated.insert(source);
    EXPECT_EQ(Placeholders(kEnglishTexts[i].FTranslation), Placeholders(source)) << source;
  }
  std::set<std::string> used;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(IPMDB_SOURCE_DIR) / "src/cli")) {
    if (entry.path().extension() != ".cpp") continue;
    for (const std::string& literal : StringLiterals(ReadFile(entry.path()))) {
      if (!HasChinese(literal)) continue;
      used.insert(literal);
      EXPECT_TRUE(translated.count(literal)) << entry.path().filename() << " holds a text that "
                                             << "translations/ipmdb-convert_en.ts lacks:\n" << literal;
    }
  }
  // A text changed in the sources leaves its old translation behind.
  for (const std::string& source : translated) EXPECT_TRUE(used.count(source)) << "no longer in src/cli: " << source;
}

TEST(EnglishTexts, PlaceholdersAreFilledInAnyOrderAndValuesAreTakenAsTheyAre) {
  const struct {
    std::string FText;
    std::vector<std::string> FValues;
    std::string FResult;
  } cases[] = {
      {"已转换 %1 条记录到 %2。", {"3", "/tmp/a.mdb"}, "已转换 3 条记录到 /tmp/a.mdb。"},
      {"%2 before %1, %1 again", {"a", "b"}, "b before a, a again"},
      {"%1 holds %2", {"%2", "x"}, "%2 holds x"},
      {"100% of %1, %3 has no value", {"v"}, "100% of v, %3 has no value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FText);
    const auto& v = c.FValues;
    EXPECT_EQ(v.size() == 1 ? Arg(c.FText, {v[0]}) : Arg(c.FText, {v[0], v[1]}), c.FResult);
  }
}

}  // namespace
}  // namespace ipmdb::cli
