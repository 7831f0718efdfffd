// The texts of the log's lines: the welcome line the log starts with, the start of a conversion,
// the report of each batch and the end of a completed run.
#pragma once

#include <QString>
#include <cstdint>

#include "engine/ProgressChannel.h"

namespace ipmdb::ui {

// The log's first line, number included; it belongs to the layout rather than to AddLog.
QString WelcomeLogLine();

// "转换开始,时间 - [<stamp>]"
QString StartLogLine(const QString& stamp);

// "加载第[<wParam>/<lParam>]条记录成功,时间 - [<stamp>]" for a committed batch, the same with
// "失败" for a failed one, both numbers as signed decimals; empty for any other message.
QString ProgressLogLine(const engine::ProgressMessage& message, const QString& stamp);

// "转换完成：<records> 条记录，用时 <seconds> 秒 → <path>", the seconds with one decimal.
QString FinishedLogLine(int64_t records, int64_t elapsedMs, const QString& outputPath);

}  // namespace ipmdb::ui
