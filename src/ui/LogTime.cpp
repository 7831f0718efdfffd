// The log time stamp.
#include "ui/LogTime.h"

namespace ipmdb::ui {

QDateTime SystemNow() { return QDateTime::currentDateTime(); }

QString LogTimeStamp(const QDateTime& time) {
  // "HH" is the 24-hour field whatever the locale's AM/PM habits; "hh" would turn 12-hour as soon
  // as the pattern held an AM/PM marker.
  return time.time().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace ipmdb::ui
