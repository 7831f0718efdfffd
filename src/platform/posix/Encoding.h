// Conversion between UTF-8 and the locale's encoding with the C library's iconv, shared by the
// POSIX system error texts and the terminal's text; used inside the platform layer only.
#pragma once

#include <string>
#include <string_view>

namespace ipmdb::platform {

// Whether text in the current locale's encoding (LC_CTYPE) is UTF-8 as it is: a UTF-8 locale,
// or the C and POSIX locales, whose ASCII is left to the terminal.
bool LocaleTakesUtf8();

// `text` from encoding `from` to encoding `to` (iconv names). Input the conversion cannot take
// is kept: a character the target lacks becomes "?", a byte that is not valid input is copied
// as it is. Without a converter between the two, the text is returned unchanged.
std::string ConvertText(std::string_view text, const char* to, const char* from);

// The name of the current locale's encoding, as nl_langinfo(CODESET) gives it.
const char* LocaleCodeset();

}  // namespace ipmdb::platform
