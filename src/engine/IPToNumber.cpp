// Address parts, their integer syntax and the clamping of each part to a byte.
#include "engine/IPToNumber.h"

#include <algorithm>
#include <array>
#include <optional>

namespace ipmdb::engine {
namespace {

constexpr size_t kPartCount = 4;
constexpr int64_t kPartMax = 255;
constexpr int64_t kInt32Min = -2147483648LL;
constexpr int64_t kInt32Max = 2147483647LL;
constexpr uint64_t kUInt32Max = 4294967295ULL;

constexpr std::array<bool, 256> kSeparators = [] {
  std::array<bool, 256> table{};
  table['.'] = table[' '] = table['\n'] = table['\r'] = true;
  return table;
}();

bool IsSeparator(char c) { return kSeparators[static_cast<unsigned char>(c)]; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
// The value of one digit in the given base (10 or 16, either case), or nothing.
std::optional<unsigned> DigitValue(char c, unsigned base) {
  unsigned value;
  if (c >= '0' && c <= '9') {
    value = unsigned(c - '0');
  } else if (c >= 'a' && c <= 'f') {
    value = unsigned(c - 'a' + 10);
  } else if (c >= 'A' && c <= 'F') {
    value = unsigned(c - 'A' + 10);
  } else {
    return std::nullopt;
  }
  if (value >= base) return std::nullopt;
  return value;
}

// Leading zeros are allowed, so the digit count is not bounded: reading stops as soon as the
// value is known to exceed `max` (at most 2^32, so the arithmetic cannot overflow).
std::optional<uint64_t> ReadDigits(std::string_view digits, unsigned base, uint64_t max) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    std::optional<unsigned> digit = DigitValue(c, base);
    if (!digit) return std::nullopt;
    value = value * base + *digit;
    if (value > max) return std::nullopt;
  }
  return value;
}

// The value of a whole integer text, or nothing when the text is not one.
std::optional<int64_t> ReadInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  size_t prefix = 0;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    prefix = 2;
  } else if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    prefix = 1;
  }
  if (prefix > 0) {
    std::optional<uint64_t> bits = ReadDigits(text.substr(prefix), 16, kUInt32Max);
    if (!bits) return std::nullopt;
    // The digits are a 32-bit two's-complement pattern: $FFFFFFFF is -1. The sign applies to
    // that value, in 64 bits, so -$80000000 is 2147483648.
    const int64_t value = int64_t(int32_t(uint32_t(*bits)));
    return negative ? -value : value;
  }
  // The magnitude may reach 2147483648 only for a negative value.
  std::optional<uint64_t> magnitude = ReadDigits(text, 10, uint64_t(kInt32Max) + 1);
  if (!magnitude) return std::nullopt;
  const int64_t value = negative ? -int64_t(*magnitude) : int64_t(*magnitude);
  if (value < kInt32Min || value > kInt32Max) return std::nullopt;
  return value;
}

// Invalid text gives 0, a negative value its magnitude, and anything above 255 gives 255.
int64_t PartValue(std::string_view part) {
  const int64_t value = ReadInteger(part).value_or(0);
  return std::min(value < 0 ? -value : value, kPartMax);
}

// The shape of nearly every address: four runs of one to three decimal digits joined by single
// dots and nothing else. Such a text needs none of the general rules but the clamping, and
// gives the same number through them.
bool TryReadDottedQuad(std::string_view address, int64_t& number) {
  int64_t result = 0;
  size_t pos = 0;
  for (size_t part = 0; part < kPartCount; ++part) {
    if (part > 0 && (pos == address.size() || address[pos++] != '.')) return false;
    int64_t value = 0;
    size_t digits = 0;
    for (; digits <= 3 && pos < address.size() && address[pos] >= '0' && address[pos] <= '9'; ++pos, ++digits) {
      value = value * 10 + (address[pos] - '0');
    }
    if (digits == 0 || digits > 3) return false;
    result = result * (kPartMax + 1) + std::min(value, kPartMax);
  }
  if (pos != address.size()) return false;
  number = result;
  return true;
}

}  // namespace

int64_t IPToNumber(std::string_view address) {
  int64_t number = 0;
  if (TryReadDottedQuad(address, number)) return number;
  if (std::all_of(address.begin(), address.end(), IsBlank)) return 0;

  // Each part is one contiguous run of non-separators, found the same way as the fields of a
  // line; scanning stops once four parts are taken.
  std::array<std::string_view, kPartCount> parts{};
  const size_t size = address.size();
  size_t pos = 0;
  for (size_t part = 0; part < kPartCount && pos < size; ++part) {
    const size_t start = pos;
    while (pos < size && !IsSeparator(address[pos])) ++pos;
    parts[part] = address.substr(start, pos - start);
    while (pos < size && IsSeparator(address[pos])) ++pos;
  }

  for (std::string_view part : parts) number = number * (kPartMax + 1) + PartValue(part);
  return number;
}

}  // namespace ipmdb::engine
