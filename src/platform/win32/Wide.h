// UTF-8 inside the program, UTF-16 at the Windows system's edge; used by the platform layer and
// by the engine's Windows file system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ipmdb::platform {

// Bytes that are not UTF-8 become U+FFFD: for texts, never for paths (SystemPath).
std::wstring WideFromUtf8(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

// The path as the wide functions take it: made absolute (GetFullPathNameW, which also turns "/"
// into "\" and resolves "." and ".."), then in the "\\?\" form, which lifts the limit of 260
// characters (MAX_PATH); a UNC path "\\server\share\..." becomes "\\?\UNC\server\share\...".
// Paths that already name a device or a long form ("\\.\pipe\...", "\\?\...") stay as they are.
// Nothing, with GetLastError() saying why, when the path is not UTF-8
// (ERROR_NO_UNICODE_TRANSLATION) or cannot be made absolute: a path with its wrong bytes replaced
// could name another file, so it is never passed on. The one conversion of paths for every file
// the programs open: the engine's file system, the input and the temporary file.
std::optional<std::wstring> SystemPath(const std::string& utf8);

}  // namespace ipmdb::platform
