// A deterministic generator of realistic text databases: sorted, contiguous IPv4 ranges that
// cover the whole address space from 0.0.0.0 to 255.255.255.255, each on one GBK line of the form
//   <start padded to 16 columns><end padded to 16 columns><country>[ <area>]CR LF
// with Chinese countries, provinces and cities, areas of networks and organisations (some empty,
// some with inner spaces), and a few per cent of countries and areas that spell the publisher's
// marker in various letter cases. The same options give the same bytes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ipmdb::tools {

inline constexpr uint64_t kDefaultLines = 530000;  // a typical full database
// Far more lines than any real database, and few enough that every range keeps many addresses.
inline constexpr uint64_t kMaxLines = 100000000;

struct GeneratorOptions {
  uint64_t FLines = kDefaultLines;  // at most kMaxLines
  uint64_t FSeed = 1;
};

class GeneratorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Appends the whole text database to `out`. Throws GeneratorError for more than kMaxLines lines.
void GenerateTextDatabase(const GeneratorOptions& options, std::string& out);

// Writes the text database to `path`, replacing the file. Throws GeneratorError as above, or with
// a Chinese message naming the file and the system's reason.
void WriteTextDatabase(const GeneratorOptions& options, const std::string& path);

}  // namespace ipmdb::tools
