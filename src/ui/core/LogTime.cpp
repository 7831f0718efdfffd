// The log time stamp.
#include "ui/core/LogTime.h"

#include <cstdio>
#include <ctime>

namespace ipmdb::ui {

std::chrono::system_clock::time_point SystemNow() { return std::chrono::system_clock::now(); }

std::string LogTimeStamp(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  // The reentrant forms: another thread (a worker) may ask for a local time meanwhile.
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char stamp[sizeof "hh:mm:ss"];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return stamp;
}

int64_t MillisecondsBetween(std::chrono::system_clock::time_point from, std::chrono::system_clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

}  // namespace ipmdb::ui
