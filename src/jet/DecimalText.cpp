// Scanning and exact conversion of decimal number texts.
#include "jet/DecimalText.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

#include "jet/SqlChars.h"

namespace ipmdb::jet {
namespace {

// Plain integers of up to this many digits are below 2^53 and so convert to double exactly.
constexpr size_t kFastPathDigits = 15;

size_t CountDigits(std::u16string_view text, size_t from) {
  size_t i = from;
  while (i < text.size() && IsAsciiDigit(text[i])) ++i;
  return i - from;
}

// Parses the digits of an exponent, saturating instead of overflowing.
int64_t ExponentValue(std::u16string_view digits) {
  int64_t value = 0;
  for (char16_t c : digits) {
    value = value * 10 + (c - u'0');
    if (value > kMaxDecimalExponent) return kMaxDecimalExponent;
  }
  return value;
}

int DigitAt(const DecimalText& n, size_t index) {
  size_t integerCount = n.integerDigits.size();
  char16_t c = index < integerCount ? n.integerDigits[index] : n.fractionDigits[index - integerCount];
  return c - u'0';
}

// The power of ten of the leading nonzero digit (123 -> 2, 0.05 -> -2); the number is nonzero.
int64_t DecimalOrder(const DecimalText& n) {
  size_t total = n.integerDigits.size() + n.fractionDigits.size();
  size_t first = 0;
  while (first < total && DigitAt(n, first) == 0) ++first;
  return int64_t(n.integerDigits.size()) - 1 - int64_t(first) + n.exponent;
}

template <typename Real>
bool TryToReal(std::u16string_view text, const DecimalText& n, std::string& buffer, Real& out) {
  if (!n.hasExponent && n.fractionDigits.empty() && n.integerDigits.size() <= kFastPathDigits) {
    int64_t value = 0;
    for (char16_t c : n.integerDigits) value = value * 10 + (c - u'0');
    // One conversion from an exact integer: correctly rounded for float, exact for double.
    out = Real(n.negative ? -value : value);
    return true;
  }
  size_t start = !text.empty() && text[0] == u'+' ? 1 : 0;
  buffer.clear();
  for (size_t i = start; i < text.size(); ++i) buffer.push_back(char(text[i]));
  Real value{};
  auto [end, ec] = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (DecimalOrder(n) >= 0) return false;
    value = 0;
  }
  out = value == 0 ? Real(0) : value;
  return true;
}

}  // namespace

size_t ScanDecimal(std::u16string_view text, DecimalText& out) {
  out = DecimalText{};
  size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    out.negative = text[i] == u'-';
    ++i;
  }
  size_t integerCount = CountDigits(text, i);
  out.integerDigits = text.substr(i, integerCount);
  i += integerCount;
  if (i < text.size() && text[i] == u'.') {
    size_t fractionCount = CountDigits(text, i + 1);
    if (integerCount == 0 && fractionCount == 0) return 0;
    out.fractionDigits = text.substr(i + 1, fractionCount);
    i += 1 + fractionCount;
  } else if (integerCount == 0) {
    return 0;
  }
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
      negativeExponent = text[j] == u'-';
      ++j;
    }
    size_t exponentCount = CountDigits(text, j);
    if (exponentCount > 0) {
      int64_t exponent = ExponentValue(text.substr(j, exponentCount));
      out.hasExponent = true;
      out.exponent = negativeExponent ? -exponent : exponent;
      i = j + exponentCount;
    }
  }
  return i;
}

bool TryParseDecimal(std::u16string_view text, DecimalText& out) {
  return !text.empty() && ScanDecimal(text, out) == text.size();
}

bool IsZero(const DecimalText& number) {
  for (char16_t c : number.integerDigits) {
    if (c != u'0') return false;
  }
  for (char16_t c : number.fractionDigits) {
    if (c != u'0') return false;
  }
  return true;
}

std::optional<int64_t> TryScaleToInt64(const DecimalText& n, int scale) {
  // The scaled value is D x 10^shift, D being all digits as one integer. Its first `keep`
  // digits form the integer part; the rest are rounded away.
  const uint64_t limit = n.negative ? uint64_t(1) << 63 : uint64_t(std::numeric_limits<int64_t>::max());
  const int64_t total = int64_t(n.integerDigits.size() + n.fractionDigits.size());
  const int64_t shift = n.exponent - int64_t(n.fractionDigits.size()) + scale;
  const int64_t keep = total + shift;
  uint64_t magnitude = 0;
  for (int64_t i = 0; i < std::min(keep, total); ++i) {
    uint64_t digit = uint64_t(DigitAt(n, size_t(i)));
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (keep > total) {
    for (int64_t i = total; i < keep && magnitude != 0; ++i) {
      if (magnitude > limit / 10) return std::nullopt;
      magnitude *= 10;
    }
  } else if (keep >= 0 && keep < total) {
    // With keep < 0 the first dropped digit is one of the zeros in front of D: below one half.
    int first = DigitAt(n, size_t(keep));
    bool beyondHalf = false;
    for (int64_t i = keep + 1; i < total && !beyondHalf; ++i) beyondHalf = DigitAt(n, size_t(i)) != 0;
    if (first > 5 || (first == 5 && (beyondHalf || (magnitude & 1) != 0))) {
      if (magnitude == limit) return std::nullopt;
      ++magnitude;
    }
  }
  return n.negative ? int64_t(0 - magnitude) : int64_t(magnitude);
}

bool TryToDouble(std::u16string_view text, const DecimalText& number, std::string& buffer, double& out) {
  return TryToReal(text, number, buffer, out);
}

bool TryToSingle(std::u16string_view text, const DecimalText& number, std::string& buffer, float& out) {
  return TryToReal(text, number, buffer, out);
}

}  // namespace ipmdb::jet
