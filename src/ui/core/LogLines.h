// The log's lines: their numbers, the welcome line the log starts with, the start of a
// conversion, the report of each batch and the end of a completed run. All UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ProgressChannel.h"

namespace ipmdb::ui {

// The entry a log holding `linesBefore` lines gets for `text`: "<linesBefore + 1> - <text>",
// every line break in the text (LF, CR LF or CR) made one LF; empty for an empty text. Each line
// of an entry counts: the next entry's number follows the last line's. Lines are the log's own,
// not the rows a long line wraps into on screen, so the numbering does not depend on the window's
// width or font. The entry carries no break after it; a window that joins entries puts one
// between them.
std::string NumberedLogEntry(int64_t linesBefore, std::string_view text);

// How many log lines an entry holds: one more than its LFs.
int64_t LogLinesOf(std::string_view entry);

// The log's first line, number included.
std::string WelcomeLogLine();

// "转换开始,时间 - [<stamp>]"
std::string StartLogLine(std::string_view stamp);

// "加载第[<wParam>/<lParam>]条记录成功,时间 - [<stamp>]" for a committed batch, the same with
// "失败" for a failed one, both numbers as signed decimals; empty for any other message.
std::string ProgressLogLine(const engine::ProgressMessage& message, std::string_view stamp);

// "转换完成：<records> 条记录，用时 <seconds> 秒 → <path>", the seconds to the nearest tenth; a
// negative time (the clock was set back) counts as none.
std::string FinishedLogLine(int64_t records, int64_t elapsedMs, std::string_view outputPath);

}  // namespace ipmdb::ui
