// Character classes of the statement text, shared by the INSERT parser and the value converter:
// blanks, the characters of plain names, digits and hex digits. All of them work on UTF-16 code
// units without any locale, because the parser runs for every row a converter inserts.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ipmdb::jet {

// The only blanks of the statement grammar: space, tab, CR and LF.
inline constexpr bool IsSqlBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

inline constexpr bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

inline constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Value of a hex digit, or -1.
inline constexpr int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

namespace sqlchars_detail {

struct CodeUnitRange {
  char16_t first;
  char16_t last;
};

// Code units outside ASCII that are punctuation, symbols, spaces or format characters rather
// than letters. Everything else outside ASCII counts as a letter, so that names in any script
// (CJK, Cyrillic, Arabic, ...) need no brackets while full-width brackets, commas and quotes
// still end a name. Surrogates count as letters: the planes above the BMP hold mostly CJK
// ideographs. Private-use code units count as letters too, because older GBK decoders map
// the GBK user-defined areas there. Sorted by first.
inline constexpr std::array<CodeUnitRange, 22> kNonLetters{{
    {0x0080, 0x00A9},  // C1 controls, no-break space, Latin-1 punctuation and signs
    {0x00AB, 0x00B4},
    {0x00B6, 0x00B9},
    {0x00BB, 0x00BF},
    {0x00D7, 0x00D7},  // multiplication sign
    {0x00F7, 0x00F7},  // division sign
    {0x2000, 0x2BFF},  // general punctuation, curly quotes, currency, arrows, maths, box drawing, ...
    {0x2E00, 0x2E7F},  // supplemental punctuation
    {0x3000, 0x3004},  // ideographic space, 、。〃〄
    {0x3008, 0x3020},  // CJK brackets 〈〉《》「」『』【】 and marks
    {0x3030, 0x3030},
    {0x3036, 0x3037},
    {0x303D, 0x303F},
    {0x30FB, 0x30FB},  // katakana middle dot
    {0xFE10, 0xFE1F},  // vertical forms
    {0xFE30, 0xFE6F},  // CJK compatibility and small forms
    {0xFEFF, 0xFEFF},  // byte order mark
    {0xFF01, 0xFF0F},  // full-width ！＂＃＄％＆＇（）＊＋，－．／
    {0xFF1A, 0xFF20},  // full-width ：；＜＝＞？＠
    {0xFF3B, 0xFF40},  // full-width ［＼］＾＿｀
    {0xFF5B, 0xFF65},  // full-width ｛｜｝～ and half-width punctuation
    {0xFFE0, 0xFFFF},  // full-width signs and specials
}};

// Which ASCII code units may appear in a plain name: letters, digits and '_'.
inline constexpr std::array<bool, 128> kAsciiNameChars = [] {
  std::array<bool, 128> table{};
  for (int c = 'a'; c <= 'z'; ++c) table[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = true;
  for (int c = '0'; c <= '9'; ++c) table[c] = true;
  table['_'] = true;
  return table;
}();

inline constexpr bool IsNonAsciiLetter(char16_t c) {
  for (const CodeUnitRange& range : kNonLetters) {
    if (c < range.first) return true;
    if (c <= range.last) return false;
  }
  return true;
}

}  // namespace sqlchars_detail

// A character that may continue a plain (unbracketed) name or keyword.
inline constexpr bool IsNameChar(char16_t c) {
  return c < 0x80 ? sqlchars_detail::kAsciiNameChars[c] : sqlchars_detail::IsNonAsciiLetter(c);
}

// A character that may start a plain name or keyword: a name character but not a digit.
inline constexpr bool IsNameStart(char16_t c) { return IsNameChar(c) && !IsAsciiDigit(c); }

// Case-insensitive comparison of a word with a lower-case ASCII keyword. Setting bit 5 maps
// exactly 'A'..'Z' onto 'a'..'z' among the code units that can equal a keyword letter.
inline constexpr bool IsKeyword(std::u16string_view word, std::string_view lowerKeyword) {
  if (word.size() != lowerKeyword.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if ((word[i] | 0x20) != lowerKeyword[i]) return false;
  }
  return true;
}

// Table and column names compare without regard to the case of ASCII letters, as Jet's do.
inline constexpr bool SameSqlName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = (a[i] >= u'a' && a[i] <= u'z') ? char16_t(a[i] - 32) : a[i];
    const char16_t y = (b[i] >= u'a' && b[i] <= u'z') ? char16_t(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The text without leading and trailing blanks.
inline constexpr std::u16string_view TrimSqlBlanks(std::u16string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsSqlBlank(text[first])) ++first;
  while (last > first && IsSqlBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace ipmdb::jet
