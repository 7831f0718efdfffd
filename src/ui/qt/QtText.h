// Text between the window's core, whose texts and paths are UTF-8 std::strings, and Qt's QString.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ipmdb::ui {

inline QString ToQString(std::string_view utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

inline std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace ipmdb::ui
