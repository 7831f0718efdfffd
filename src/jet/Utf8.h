// UTF-16 to UTF-8 for message texts, and back for tools: the engine's messages are UTF-8 std::strings, while table
// names, column names and the statement itself arrive as UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace ipmdb::jet {

// Appends the UTF-8 form of the text. An unpaired surrogate becomes U+FFFD, so a message built
// from a damaged statement is still valid UTF-8.
void AppendUtf8(std::string& out, std::u16string_view text);

// Appends the UTF-16 form of UTF-8 text (statements read from UTF-8 files by the tools). A
// malformed sequence becomes U+FFFD.
void AppendUtf16(std::u16string& out, std::string_view utf8);

inline std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(out, text);
  return out;
}

// A table's or a column's name as messages show it: “name”.
inline std::string QuotedName(std::u16string_view name) { return "“" + Utf16ToUtf8(name) + "”"; }

}  // namespace ipmdb::jet
