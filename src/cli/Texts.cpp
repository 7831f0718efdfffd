// Choosing the language and looking texts up.
#include "cli/Texts.h"

#include <vector>

#include "platform/Process.h"

namespace ipmdb::cli {
namespace {

Language gLanguage = Language::Chinese;

std::string_view Translation(std::string_view chinese) {
  for (std::size_t i = 0; i < kEnglishTextsCount; ++i)
    if (kEnglishTexts[i].FSource == chinese) return kEnglishTexts[i].FTranslation;
  return chinese;
}

}  // namespace

Language LanguageOfEnvironment() {
  return platform::UserPrefersEnglish() ? Language::English : Language::Chinese;
}

void SetLanguage(Language language) { gLanguage = language; }

std::string_view Tr(std::string_view chinese) {
  return gLanguage == Language::English ? Translation(chinese) : chinese;
}

std::string Arg(std::string_view text, std::initializer_list<std::string_view> values) {
  const std::vector<std::string_view> args(values);
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t index = i + 1 < text.size() ? std::size_t(text[i + 1] - '1') : args.size();
    if (text[i] == '%' && index < args.size()) {
      result += args[index];
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace ipmdb::cli
