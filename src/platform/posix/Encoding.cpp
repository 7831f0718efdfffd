// iconv between UTF-8 and the locale's encoding.
#include "platform/posix/Encoding.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ipmdb::platform {
namespace {

constexpr char kUtf8[] = "UTF-8";

// The length of the valid UTF-8 sequence at the start of `text`, or 0 when it starts with a byte
// that does not begin one (shortest forms only, no surrogates, nothing above U+10FFFF).
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return i < text.size() ? uint8_t(text[i]) : uint8_t(0); };
  const auto continuation = [&](size_t i, uint8_t low = 0x80, uint8_t high = 0xBF) {
    return byte(i) >= low && byte(i) <= high;
  };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return text.empty() ? 0 : 1;
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const bool second = lead == 0xE0   ? continuation(1, 0xA0)
                        : lead == 0xED ? continuation(1, 0x80, 0x9F)
                                       : continuation(1);
    return second && continuation(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const bool second = lead == 0xF0   ? continuation(1, 0x90)
                        : lead == 0xF4 ? continuation(1, 0x80, 0x8F)
                                       : continuation(1);
    return second && continuation(2) && continuation(3) ? 4 : 0;
  }
  return 0;
}

// A converter from `from` to `to`, opened once per thread and pair: opening one costs more than
// converting a line, and a tool prints many. Each is returned in its initial shift state.
// Nothing, iconv_t(-1), when the C library has no such converter.
iconv_t Converter(const char* to, const char* from) {
  struct Cached {
    std::string FTo;
    std::string FFrom;
    iconv_t FHandle;
  };
  struct Cache {
    std::vector<Cached> FEntries;
    ~Cache() {
      for (const Cached& entry : FEntries)
        if (entry.FHandle != iconv_t(-1)) iconv_close(entry.FHandle);
    }
  };
  thread_local Cache cache;
  for (const Cached& entry : cache.FEntries) {
    if (entry.FTo != to || entry.FFrom != from) continue;
    if (entry.FHandle != iconv_t(-1)) iconv(entry.FHandle, nullptr, nullptr, nullptr, nullptr);
    return entry.FHandle;
  }
  cache.FEntries.push_back({to, from, iconv_open(to, from)});
  return cache.FEntries.back().FHandle;
}

}  // namespace

const char* LocaleCodeset() { return nl_langinfo(CODESET); }

bool LocaleTakesUtf8() {
  const char* codeset = LocaleCodeset();
  return std::strcmp(codeset, kUtf8) == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0;
}

std::string ConvertText(std::string_view text, const char* to, const char* from) {
  const iconv_t converter = Converter(to, from);
  if (converter == iconv_t(-1)) return std::string(text);
  const bool fromUtf8 = std::strcmp(from, kUtf8) == 0;
  std::string result;
  char buffer[1024];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    const int error = converted == size_t(-1) ? errno : 0;
    result.append(buffer, size_t(out - buffer));
    if (error == 0 || error == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut off at the end): a valid UTF-8 character the target lacks
    // becomes "?", any other byte is copied.
    const size_t length = fromUtf8 ? Utf8SequenceLength(std::string_view(in, inLeft)) : 0;
    if (length > 0) {
      result += '?';
    } else {
      result += *in;
    }
    in += length > 0 ? length : 1;
    inLeft -= length > 0 ? length : 1;
  }
  return result;
}

}  // namespace ipmdb::platform
