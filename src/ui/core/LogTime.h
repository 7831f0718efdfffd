// The time stamp of log lines and the clock it is taken from. A window asks the clock for the
// current time, for the stamps and for a run's duration; tests put a fixed clock in its place so
// that whole log lines compare.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace ipmdb::ui {

using TClock = std::function<std::chrono::system_clock::time_point()>;

// The system's time.
std::chrono::system_clock::time_point SystemNow();

// The local hour, minute and second of `time` as "hh:mm:ss": 24-hour clock, two digits each.
std::string LogTimeStamp(std::chrono::system_clock::time_point time);

// The milliseconds from `from` to `to`, negative when the clock went back.
int64_t MillisecondsBetween(std::chrono::system_clock::time_point from, std::chrono::system_clock::time_point to);

}  // namespace ipmdb::ui
