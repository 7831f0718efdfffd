// The texts of the log's lines: the welcome line the log starts with, the start of a conversion
// and the report of each batch.
#pragma once

#include <QString>

#include "engine/ProgressChannel.h"

namespace ipmdb::ui {

// The log's first line, number included; it belongs to the layout rather than to AddLog.
QString WelcomeLogLine();

// "转换开始,时间 - [<stamp>]"
QString StartLogLine(const QString& stamp);

// "加载第[<wParam>/<lParam>]条记录成功,时间 - [<stamp>]" for a committed batch, the same with
// "失败" for a failed one, both numbers as signed decimals; empty for any other message.
QString ProgressLogLine(const engine::ProgressMessage& message, const QString& stamp);

}  // namespace ipmdb::ui
