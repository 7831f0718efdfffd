// Generating text databases: range sizes that fill the address space, and the texts of each line.
#include "gen-textdb/TextDbGenerator.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

#include "engine/Branding.h"
#include "engine/Gbk.h"
#include "engine/SystemError.h"
#include "gen-textdb/Vocabulary.h"

namespace ipmdb::tools {
namespace {

constexpr uint64_t kAddressSpace = uint64_t(1) << 32;
constexpr uint64_t kBlock = 256;  // most ranges start at x.y.z.0 and end at x.y.z.255
constexpr size_t kAddressColumns = 16;

// SplitMix64: small, fast and fully determined by its seed on every platform, unlike the
// distributions of the standard library.
class Random {
 public:
  explicit Random(uint64_t seed) : FState(seed) {}

  uint64_t Next() {
    uint64_t z = (FState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, bound); bound > 0.
  uint64_t Below(uint64_t bound) { return uint64_t((static_cast<unsigned __int128>(Next()) * bound) >> 64); }
  // Uniform in [low, high].
  uint64_t Between(uint64_t low, uint64_t high) { return low + Below(high - low + 1); }
  bool Percent(unsigned percent) { return Below(100) < percent; }
  const std::string& Pick(const std::vector<std::string>& items) { return items[Below(items.size())]; }

 private:
  uint64_t FState;
};

std::vector<std::string> ToGbk(std::span<const std::string_view> utf8) {
  std::vector<std::string> gbk(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) engine::Utf8ToGbk(utf8[i], gbk[i]);
  return gbk;
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return lower;
}

// "Morvane.Example": each dot-separated word capitalised.
std::string CapitalisedWords(std::string_view text) {
  std::string capitalised = LowerAscii(text);
  for (size_t i = 0; i < capitalised.size(); ++i) {
    if ((i == 0 || capitalised[i - 1] == '.') && capitalised[i] >= 'a' && capitalised[i] <= 'z') {
      capitalised[i] = char(capitalised[i] - 'a' + 'A');
    }
  }
  return capitalised;
}

// Every name list in GBK, converted once per database.
struct Vocabulary {
  std::vector<std::string> FChineseRegions = ToGbk(ChineseRegions());
  std::vector<std::string> FForeignCountries = ToGbk(ForeignCountries());
  std::vector<std::string> FNetworks = ToGbk(ChineseNetworks());
  std::vector<std::string> FDistricts = ToGbk(ChineseDistricts());
  std::vector<std::string> FOrganisations = ToGbk(ChineseOrganisations());
  std::vector<std::string> FUnits = ToGbk(OrganisationUnits());
  std::vector<std::string> FForeignPlaces = ToGbk(ForeignPlaces());
  std::vector<std::string> FProviders = ToGbk(ForeignProviders());
  std::vector<std::string> FReservedAreas = ToGbk(std::vector<std::string_view>{"保留地址", "局域网", ""});
  // The marker in upper case three times out of five, else in lower case or capitalised.
  std::vector<std::string> FMarkers = {std::string(engine::kPublisherMarker), std::string(engine::kPublisherMarker),
                                       std::string(engine::kPublisherMarker), LowerAscii(engine::kPublisherMarker),
                                       CapitalisedWords(engine::kPublisherMarker)};
};

// The size of the next range. The mean follows what is left, so the ranges always end exactly at
// 255.255.255.255 however the random sizes fall; the caller keeps one address for every later line.
uint64_t NextRangeSize(Random& random, uint64_t start, uint64_t remaining, uint64_t linesLeft) {
  const uint64_t mean = remaining / linesLeft;
  if (mean < kBlock) return random.Between(1, 2 * mean);
  const uint64_t offset = start % kBlock;
  if (offset != 0) {
    // Inside a block: end at its last address, or take a few hosts more of it.
    return random.Percent(60) ? kBlock - offset : random.Between(1, kBlock - offset);
  }
  if (random.Percent(6)) return random.Between(1, kBlock / 2);
  const uint64_t meanBlocks = mean / kBlock;
  const unsigned kind = unsigned(random.Below(10));
  const uint64_t widest = kind < 6 ? meanBlocks : kind < 9 ? 2 * meanBlocks : 6 * meanBlocks;
  uint64_t blocks = random.Between(1, widest);
  // Half of the wide ranges are whole power-of-two networks.
  if (random.Percent(50)) blocks = std::bit_floor(blocks);
  return blocks * kBlock;
}

void ChooseChineseArea(Random& random, const Vocabulary& words, std::string& area) {
  const uint64_t kind = random.Below(100);
  if (kind < 4) return;
  if (kind < 7) {
    area = random.Pick(words.FMarkers);
  } else if (kind < 60) {
    if (random.Percent(30)) area = random.Pick(words.FDistricts);
    area += random.Pick(words.FNetworks);
  } else if (kind < 85) {
    area = random.Pick(words.FOrganisations);
    if (random.Percent(60)) area += ' ' + random.Pick(words.FUnits);
  } else {
    area = random.Pick(words.FDistricts) + ' ' + random.Pick(words.FOrganisations);
  }
}

void ChooseForeignArea(Random& random, const Vocabulary& words, std::string& area) {
  const uint64_t kind = random.Below(100);
  if (kind < 8) return;
  if (kind < 11) {
    area = random.Pick(words.FMarkers);
  } else if (kind < 70) {
    area = random.Pick(words.FProviders);
  } else {
    area = random.Pick(words.FForeignPlaces) + ' ' + random.Pick(words.FProviders);
  }
}

void ChooseTexts(Random& random, const Vocabulary& words, std::string& country, std::string& area) {
  area.clear();
  const uint64_t kind = random.Below(1000);
  if (kind < 12) {
    country = random.Pick(words.FMarkers);
    area = random.Percent(50) ? random.Pick(words.FMarkers) : random.Pick(words.FReservedAreas);
  } else if (kind < 600) {
    country = random.Pick(words.FChineseRegions);
    ChooseChineseArea(random, words, area);
  } else {
    country = random.Pick(words.FForeignCountries);
    ChooseForeignArea(random, words, area);
  }
  // Now and then an area carries trailing blanks, as hand-edited files do.
  if (!area.empty() && random.Below(1000) < 3) area += ' ';
}

void AppendPaddedAddress(uint32_t address, std::string& out) {
  const size_t begin = out.size();
  for (int shift = 24; shift >= 0; shift -= 8) {
    char digits[4];
    const auto result = std::to_chars(digits, digits + sizeof digits, (address >> shift) & 0xFF);
    out.append(digits, result.ptr);
    if (shift > 0) out.push_back('.');
  }
  out.append(kAddressColumns - (out.size() - begin), ' ');
}

}  // namespace

void GenerateTextDatabase(const GeneratorOptions& options, std::string& out) {
  if (options.FLines > kMaxLines) throw GeneratorError("行数不能超过 " + std::to_string(kMaxLines) + "。");
  const Vocabulary words;
  Random random(options.FSeed);
  std::string country;
  std::string area;
  uint64_t start = 0;
  for (uint64_t line = 0; line < options.FLines; ++line) {
    const uint64_t linesLeft = options.FLines - line;
    const uint64_t remaining = kAddressSpace - start;
    uint64_t size = remaining;
    if (linesLeft > 1) size = std::min(NextRangeSize(random, start, remaining, linesLeft), remaining - (linesLeft - 1));
    ChooseTexts(random, words, country, area);

    AppendPaddedAddress(uint32_t(start), out);
    AppendPaddedAddress(uint32_t(start + size - 1), out);
    out += country;
    if (!area.empty()) {
      out.append(random.Percent(85) ? 1 : size_t(random.Between(2, 4)), ' ');
      out += area;
    }
    out += "\r\n";
    start += size;
  }
}

void WriteTextDatabase(const GeneratorOptions& options, const std::string& path) {
  std::string text;
  GenerateTextDatabase(options, text);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  int error = errno;
  if (file != nullptr && std::fclose(file) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    throw GeneratorError("无法写入文件\"" + path + "\"：" + engine::SystemErrorText(error));
  }
}

}  // namespace ipmdb::tools
