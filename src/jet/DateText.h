// Date and time texts as statements write them, between #s or as text: "2024-01-31",
// "2024-01-31 13:45:00", "1/31/2024" (month/day/year), "1/31/2024 1:45 PM", "13:45". Scanning
// checks only the shape, so that the parser can refuse a malformed literal as bad SQL while the
// converter refuses a well-formed but impossible date (2023-02-29) as a bad value.
#pragma once

#include <cstdint>
#include <string_view>

namespace ipmdb::jet {

struct DateTimeText {
  // A text holding only a time of day falls on day 0 of the OLE calendar, 1899-12-30.
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  enum class Meridiem : uint8_t { None, Am, Pm } meridiem = Meridiem::None;
};

// Accepted shapes, blanks around them ignored:
//   date        Y-M-D or Y/M/D with a year of 3 or 4 digits;
//               otherwise M/D/Y or M-D-Y, month first as Jet reads such dates. A year of 1 or
//               2 digits follows Jet's window: 00-29 are 2000-2029, 30-99 are 1930-1999.
//   time        H:M or H:M:S, optionally followed by AM or PM (any case).
//   date time   a date, blanks, a time.
// Month, day, hour, minute and second take 1 or 2 digits.
bool TryScanDateTime(std::u16string_view text, DateTimeText& out);

enum class DateValidity : uint8_t { Valid, NoSuchDate, OutOfRange };

// The earliest and latest days Jet stores: 100-01-01 and 9999-12-31 as OLE day numbers.
inline constexpr double kMinOleDay = -657434.0;
inline constexpr double kMaxOleDay = 2958465.0;

// True for an OLE date within 100-01-01 00:00:00 .. 9999-12-31 23:59:59: the day number's
// integer part lies in [kMinOleDay, kMaxOleDay].
inline bool IsOleDateInRange(double value) { return value > kMinOleDay - 1 && value < kMaxOleDay + 1; }

// Converts to an OLE automation date: days since 1899-12-30, the time of day as the fraction.
// Before the epoch the fraction still counts forward from midnight of its day, so the value is
// day - fraction: 1899-12-29 06:00 is -1.25. Refuses a month 13, a 2023-02-29, an hour 24, a
// 0 or 13 o'clock with AM/PM, and years outside 100..9999.
DateValidity ToOleDate(const DateTimeText& parts, double& out);

}  // namespace ipmdb::jet
