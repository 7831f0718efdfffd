// The time stamp of log lines and the clock it is taken from. The window asks the clock for the
// current local time; tests put a fixed clock in its place so that whole log lines compare.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace ipmdb::ui {

using TClock = std::function<QDateTime()>;

// The system's local time.
QDateTime SystemNow();

// Hour, minute and second as "hh:mm:ss": 24-hour clock, two digits each, ':' between them.
QString LogTimeStamp(const QDateTime& time);

}  // namespace ipmdb::ui
