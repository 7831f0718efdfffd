// gen-gbk-table: writes src/engine/GbkTable.cpp, the GBK pair table compiled into the program,
// from the C library's iconv "GBK" converter on the machine it runs on.
//   Usage: gen-gbk-table > src/engine/GbkTable.cpp
// The build never runs it; the table is committed, and engine_tests on Linux checks that it still
// equals what glibc gives. A pair the converter refuses, or turns into anything but one UTF-16
// unit, is 0 in the table.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/GbkTable.h"

namespace {

using namespace ipmdb::engine;

char16_t DecodePair(iconv_t converter, unsigned lead, unsigned trail) {
  char in[2] = {char(lead), char(trail)};
  unsigned char out[8];
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t inLeft = sizeof in;
  size_t outLeft = sizeof out;
  const size_t result = ::iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (result == size_t(-1) || inLeft != 0 || sizeof out - outLeft != 2) return 0;
  return char16_t(out[0] | (out[1] << 8));
}

// Twelve entries to a line keep the file readable in an editor and in diffs.
constexpr unsigned kPerLine = 12;

}  // namespace

int main() {
  iconv_t converter = ::iconv_open("UTF-16LE", "GBK");
  if (converter == iconv_t(-1)) {
    std::fprintf(stderr, "gen-gbk-table: iconv has no GBK converter: %s\n", std::strerror(errno));
    return 1;
  }
  std::printf(
      "// The GBK pair table, written by tools/gen-gbk-table from glibc's iconv \"GBK\" converter.\n"
      "// Regenerate it rather than edit it; the layout is described in GbkTable.h.\n"
      "#include \"engine/GbkTable.h\"\n\n"
      "namespace ipmdb::engine {\n\n"
      "const char16_t kGbkPairs[kGbkPairCount] = {\n");
  for (unsigned lead = kGbkFirstLead; lead <= kGbkLastLead; ++lead) {
    std::printf("    // lead byte 0x%02X\n", lead);
    for (unsigned trail = kGbkFirstTrail; trail <= kGbkLastTrail; ++trail) {
      const bool first = (trail - kGbkFirstTrail) % kPerLine == 0;
      const bool last = (trail - kGbkFirstTrail) % kPerLine == kPerLine - 1 || trail == kGbkLastTrail;
      std::printf("%s0x%04X,%s", first ? "    " : " ", unsigned(DecodePair(converter, lead, trail)), last ? "\n" : "");
    }
  }
  std::printf("};\n\n}  // namespace ipmdb::engine\n");
  ::iconv_close(converter);
  return std::ferror(stdout) ? 1 : 0;
}
