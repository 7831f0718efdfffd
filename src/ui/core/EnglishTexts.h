// The English table of the window's texts, generated at build time from
// translations/ipmdb_en.ts by cmake/TsTable.cmake. Only Texts.cpp reads it.
#pragma once

#include <cstddef>

namespace ipmdb::ui::texts {

struct TsMessage {
  const char* FSource;
  const char* FTranslation;
};

// Every message of the file that has a translation, in file order.
extern const TsMessage kEnglishTexts[];
extern const std::size_t kEnglishTextsCount;

}  // namespace ipmdb::ui::texts
