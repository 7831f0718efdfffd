// Decimal numbers as statements write them: "-1", "+2.5", ".5", "5.", "1e3", "4294967295".
// The scanner takes a number apart without converting it, so that every column type can do its
// own exact conversion: integers and currency are computed digit by digit (no binary floating
// point in between), floating-point types are parsed with correct rounding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ipmdb::jet {

// The parts of a number. Its value is (integerDigits.fractionDigits) x 10^exponent.
struct DecimalText {
  bool negative = false;
  std::u16string_view integerDigits;   // empty in ".5"
  std::u16string_view fractionDigits;  // empty in "5" and "5."
  bool hasExponent = false;
  int64_t exponent = 0;                // saturated at +-kMaxDecimalExponent
};

// Exponents beyond this make every nonzero value overflow or vanish in every column type, so
// larger written exponents are clamped here instead of overflowing the arithmetic.
inline constexpr int64_t kMaxDecimalExponent = 1'000'000'000;

// Scans [+|-] (digits [. [digits]] | . digits) [(e|E) [+|-] digits] at the start of the text and
// returns how many code units it spans, or 0 when the text does not start with a number. An "e"
// not followed by exponent digits is not part of the number.
size_t ScanDecimal(std::u16string_view text, DecimalText& out);

// True when the whole text is exactly one number.
bool TryParseDecimal(std::u16string_view text, DecimalText& out);

bool IsZero(const DecimalText& number);

// The value times 10^scale, rounded half to even, or nullopt when that lies outside int64.
std::optional<int64_t> TryScaleToInt64(const DecimalText& number, int scale);

// Correctly rounded conversions of a number scanned from `text`. They return false when the
// magnitude is too large for the type; a magnitude too small even for a subnormal becomes 0.
// Negative zero comes out as zero. `buffer` is the caller's reusable narrow copy of the digits.
bool TryToDouble(std::u16string_view text, const DecimalText& number, std::string& buffer, double& out);
bool TryToSingle(std::u16string_view text, const DecimalText& number, std::string& buffer, float& out);

}  // namespace ipmdb::jet
