// The language of ipmdb-convert. Chinese is the source language of every text it prints; under
// an English locale each is replaced by its translation in translations/ipmdb-convert_en.ts, the
// same Qt Linguist format as the window's, compiled into a table at build time (the program does
// not use Qt). Placeholders are %1, %2, ... as in the window's texts, so that a translation may
// put the values in another order. The engine's and the database's messages, like the check's
// report, stay Chinese, as they do in the window; the system's error texts in them follow the
// locale.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace ipmdb::cli {

struct TsMessage {
  const char* FSource;
  const char* FTranslation;
};

// Every message of translations/ipmdb-convert_en.ts that has a translation.
extern const TsMessage kEnglishTexts[];
extern const std::size_t kEnglishTextsCount;

enum class Language { Chinese, English };

// The language the user asks for (platform::UserPrefersEnglish): on POSIX the first set of
// LC_ALL, LC_MESSAGES and LANG, as the C library and the window choose it, English when that
// names an English locale ("en", "en_US.UTF-8", ...); on Windows English unless the user's
// interface language is Chinese.
Language LanguageOfEnvironment();
// Chooses the language of Tr(). Call from main before any text is made; Chinese until then.
void SetLanguage(Language language);

// `chinese` in the chosen language; a text without a translation stays as it is.
std::string_view Tr(std::string_view chinese);
// text with %1, %2, ... replaced by values[0], values[1], ...; a value is never searched for
// placeholders itself.
std::string Arg(std::string_view text, std::initializer_list<std::string_view> values);

}  // namespace ipmdb::cli
