// Scanning of date/time texts and their conversion to OLE automation dates.
#include "jet/DateText.h"

#include <array>

#include "jet/SqlChars.h"

namespace ipmdb::jet {
namespace {

constexpr int kSecondsPerDay = 86400;
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;
// Two-digit years below this pivot belong to the 2000s, the others to the 1900s.
constexpr int kTwoDigitYearPivot = 30;

constexpr std::array<int, 12> kDaysInMonth{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<int, 12> kDaysBeforeMonth{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  return month == 2 && IsLeapYear(year) ? 29 : kDaysInMonth[size_t(month - 1)];
}

// Days from 0001-01-01 in the proleptic Gregorian calendar, which OLE dates use throughout.
int64_t DaySerial(int year, int month, int day) {
  int64_t before = year - 1;
  int64_t days = before * 365 + before / 4 - before / 100 + before / 400;
  days += kDaysBeforeMonth[size_t(month - 1)] + (month > 2 && IsLeapYear(year) ? 1 : 0);
  return days + day - 1;
}

// Reads the text left to right; every Read returns false without moving when it fails.
class DateCursor {
 public:
  explicit DateCursor(std::u16string_view text) : FText(text) {}

  bool AtEnd() const { return FPos == FText.size(); }
  char16_t Peek() const { return AtEnd() ? u'\0' : FText[FPos]; }
  bool SkipBlanks() {
    size_t start = FPos;
    while (!AtEnd() && IsSqlBlank(FText[FPos])) ++FPos;
    return FPos > start;
  }
  bool Take(char16_t c) {
    if (Peek() != c) return false;
    ++FPos;
    return true;
  }
  // 1 to maxDigits digits; `count` receives how many there were.
  bool ReadNumber(size_t maxDigits, int& value, size_t& count) {
    size_t start = FPos;
    value = 0;
    while (!AtEnd() && IsAsciiDigit(FText[FPos]) && FPos - start < maxDigits) {
      value = value * 10 + (FText[FPos++] - u'0');
    }
    count = FPos - start;
    if (count == 0 || (!AtEnd() && IsAsciiDigit(FText[FPos]))) {
      FPos = start;
      return false;
    }
    return true;
  }
  bool ReadNumber(size_t maxDigits, int& value) {
    size_t count = 0;
    return ReadNumber(maxDigits, value, count);
  }
  bool TakeWord(std::string_view lowerWord) {
    size_t end = FPos;
    while (end < FText.size() && IsNameChar(FText[end])) ++end;
    if (!IsKeyword(FText.substr(FPos, end - FPos), lowerWord)) return false;
    FPos = end;
    return true;
  }

 private:
  std::u16string_view FText;
  size_t FPos = 0;
};

bool ReadDate(DateCursor& cursor, DateTimeText& out) {
  int first = 0;
  int second = 0;
  int third = 0;
  size_t firstCount = 0;
  size_t thirdCount = 0;
  if (!cursor.ReadNumber(4, first, firstCount)) return false;
  char16_t separator = cursor.Peek();
  if (separator != u'-' && separator != u'/') return false;
  cursor.Take(separator);
  if (!cursor.ReadNumber(2, second) || !cursor.Take(separator) || !cursor.ReadNumber(4, third, thirdCount)) {
    return false;
  }
  if (firstCount >= 3) {
    if (thirdCount > 2) return false;
    out.year = first;
    out.month = second;
    out.day = third;
  } else {
    out.month = first;
    out.day = second;
    out.year = thirdCount <= 2 ? third + (third < kTwoDigitYearPivot ? 2000 : 1900) : third;
  }
  return true;
}

bool ReadTime(DateCursor& cursor, DateTimeText& out) {
  if (!cursor.ReadNumber(2, out.hour) || !cursor.Take(u':') || !cursor.ReadNumber(2, out.minute)) return false;
  if (cursor.Take(u':') && !cursor.ReadNumber(2, out.second)) return false;
  cursor.SkipBlanks();
  if (cursor.TakeWord("am")) {
    out.meridiem = DateTimeText::Meridiem::Am;
  } else if (cursor.TakeWord("pm")) {
    out.meridiem = DateTimeText::Meridiem::Pm;
  }
  return true;
}

// Whether the text starts like a date: digits, then '-' or '/'.
bool StartsWithDate(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsAsciiDigit(text[i])) ++i;
  return i > 0 && i < text.size() && (text[i] == u'-' || text[i] == u'/');
}

}  // namespace

bool TryScanDateTime(std::u16string_view text, DateTimeText& out) {
  out = DateTimeText{};
  text = TrimSqlBlanks(text);
  DateCursor cursor(text);
  if (StartsWithDate(text)) {
    if (!ReadDate(cursor, out)) return false;
    if (cursor.AtEnd()) return true;
    if (!cursor.SkipBlanks()) return false;
  }
  return ReadTime(cursor, out) && cursor.AtEnd();
}

DateValidity ToOleDate(const DateTimeText& parts, double& out) {
  if (parts.year < kFirstYear || parts.year > kLastYear) return DateValidity::OutOfRange;
  if (parts.month < 1 || parts.month > 12 || parts.day < 1 || parts.day > DaysInMonth(parts.year, parts.month)) {
    return DateValidity::NoSuchDate;
  }
  int hour = parts.hour;
  if (parts.meridiem != DateTimeText::Meridiem::None) {
    if (hour < 1 || hour > 12) return DateValidity::NoSuchDate;
    hour = hour % 12 + (parts.meridiem == DateTimeText::Meridiem::Pm ? 12 : 0);
  }
  if (hour > 23 || parts.minute > 59 || parts.second > 59) return DateValidity::NoSuchDate;
  int64_t day = DaySerial(parts.year, parts.month, parts.day) - DaySerial(1899, 12, 30);
  double fraction = double(hour * 3600 + parts.minute * 60 + parts.second) / kSecondsPerDay;
  out = day >= 0 ? double(day) + fraction : double(day) - fraction;
  return DateValidity::Valid;
}

}  // namespace ipmdb::jet
