// GBK decoding through the pair table compiled into the program, and encoding through its
// inverse, built on first use.
#include "engine/Gbk.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "engine/GbkTable.h"

namespace ipmdb::engine {
namespace {

constexpr unsigned kEuroByte = 0x80;  // a single byte in code page 936, not a lead byte
constexpr char16_t kEuroSign = u'\u20AC';
constexpr char16_t kReplacement = u'\uFFFD';
constexpr char kUnmappable = '?';
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Indexed by BMP code point: the GBK code (one byte for U+20AC, two otherwise), 0 if none. Where
// several codes decode to one character, the lowest code is kept.
using EncodeTable = std::array<uint16_t, 65536>;

EncodeTable BuildEncodeTable() {
  EncodeTable table{};
  for (unsigned lead = kGbkFirstLead; lead <= kGbkLastLead; ++lead) {
    for (unsigned trail = kGbkFirstTrail; trail <= kGbkLastTrail; ++trail) {
      const char16_t unit = kGbkPairs[(lead - kGbkFirstLead) * kGbkTrailCount + (trail - kGbkFirstTrail)];
      if (unit != 0 && table[unit] == 0) table[unit] = uint16_t(lead << 8 | trail);
    }
  }
  table[kEuroSign] = kEuroByte;
  return table;
}

const EncodeTable& Encoding() {
  static const EncodeTable table = BuildEncodeTable();
  return table;
}

// Decodes the character at `p` (which is not ASCII) and advances `p` past the bytes it used.
char16_t DecodeNonAscii(const unsigned char*& p, const unsigned char* end) {
  const unsigned lead = *p++;
  if (lead == kEuroByte) return kEuroSign;
  if (lead < kGbkFirstLead || lead > kGbkLastLead || p == end) return kReplacement;
  const unsigned trail = *p;
  const char16_t unit = trail >= kGbkFirstTrail && trail <= kGbkLastTrail
                            ? kGbkPairs[(lead - kGbkFirstLead) * kGbkTrailCount + (trail - kGbkFirstTrail)]
                            : 0;
  if (unit != 0) {
    ++p;
    return unit;
  }
  // An ASCII second byte is left to stand for itself.
  if (trail >= 0x80) ++p;
  return kReplacement;
}

// Eight bytes widened to eight UTF-16 units at once (a single unpack instruction on x86-64).
using EightBytes = uint8_t __attribute__((vector_size(8)));
using EightUnits = uint16_t __attribute__((vector_size(16)));

void WidenEight(const unsigned char* p, char16_t* o) {
  EightBytes bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  const EightUnits units = __builtin_convertvector(bytes, EightUnits);
  std::memcpy(o, &units, sizeof units);
}

bool EightAsciiBytes(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & kHighBits) == 0;
}

void AppendUtf8(char16_t unit, std::string& out) {
  if (unit < 0x80) {
    out.push_back(char(unit));
  } else if (unit < 0x800) {
    const char bytes[2] = {char(0xC0 | unit >> 6), char(0x80 | (unit & 0x3F))};
    out.append(bytes, sizeof bytes);
  } else {
    const char bytes[3] = {char(0xE0 | unit >> 12), char(0x80 | (unit >> 6 & 0x3F)), char(0x80 | (unit & 0x3F))};
    out.append(bytes, sizeof bytes);
  }
}

// Reads the UTF-8 sequence at `p` (which is not ASCII) into `code` and advances past it. False
// for a malformed or overlong sequence, a surrogate or a code point beyond the BMP (GBK holds
// none of those); `p` has then moved past the lead byte and part of what followed it.
bool TryDecodeUtf8(const unsigned char*& p, const unsigned char* end, char32_t& code) {
  const unsigned lead = *p++;
  size_t length;
  char32_t value;
  char32_t smallest;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return false;
  }
  for (size_t i = 1; i < length; ++i) {
    if (p == end || (*p & 0xC0) != 0x80) return false;
    value = value << 6 | (*p++ & 0x3F);
  }
  if (value < smallest || value > 0xFFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  code = value;
  return true;
}

}  // namespace

size_t GbkToUtf16Piece(std::string_view gbk, bool last, std::u16string& out) {
  // Every byte yields at most one UTF-16 unit, so the text fits in gbk.size() units.
  const size_t kept = out.size();
  out.resize(kept + gbk.size());
  char16_t* o = out.data() + kept;
  const auto begin = reinterpret_cast<const unsigned char*>(gbk.data());
  auto p = begin;
  const auto end = p + gbk.size();
  while (p < end) {
    for (; end - p >= 8 && EightAsciiBytes(p); p += 8, o += 8) WidenEight(p, o);
    if (p == end) break;
    if (*p < 0x80) {
      *o++ = char16_t(*p++);
    } else if (!last && p + 1 == end && *p >= kGbkFirstLead && *p <= kGbkLastLead) {
      break;
    } else {
      *o++ = DecodeNonAscii(p, end);
    }
  }
  out.resize(size_t(o - out.data()));
  return size_t(p - begin);
}

void GbkToUtf16(std::string_view gbk, std::u16string& out) { GbkToUtf16Piece(gbk, true, out); }

void GbkToUtf8(std::string_view gbk, std::string& out) {
  out.reserve(out.size() + gbk.size() + gbk.size() / 2);
  auto p = reinterpret_cast<const unsigned char*>(gbk.data());
  const auto end = p + gbk.size();
  while (p < end) {
    const auto ascii = p;
    while (end - p >= 8 && EightAsciiBytes(p)) p += 8;
    while (p < end && *p < 0x80) ++p;
    out.append(reinterpret_cast<const char*>(ascii), size_t(p - ascii));
    if (p < end) AppendUtf8(DecodeNonAscii(p, end), out);
  }
}

void Utf8ToGbk(std::string_view utf8, std::string& out) {
  const EncodeTable& encoding = Encoding();
  auto p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto end = p + utf8.size();
  while (p < end) {
    if (*p < 0x80) {
      out.push_back(char(*p++));
      continue;
    }
    char32_t code;
    if (!TryDecodeUtf8(p, end, code)) {
      while (p < end && (*p & 0xC0) == 0x80) ++p;
      out.push_back(kUnmappable);
      continue;
    }
    const uint16_t gbk = encoding[code];
    if (gbk == 0) {
      out.push_back(kUnmappable);
    } else if (gbk <= 0xFF) {
      out.push_back(char(gbk));
    } else {
      out.push_back(char(gbk >> 8));
      out.push_back(char(gbk & 0xFF));
    }
  }
}

}  // namespace ipmdb::engine
