// The locales the build makes for the language tests (tests/CMakeLists.txt), found through
// LOCPATH, so that no test depends on the locales installed on the machine.
#pragma once

#include <filesystem>
#include <string>

// glibc's newlocale and setlocale do not free the list they make of LOCPATH; the leak checker is
// told so (the function is kept, and merged, in every test program that includes this header).
extern "C" [[gnu::used]] inline const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace ipmdb::testing_support {

inline const std::string kTestLocales = IPMDB_TEST_LOCALES;

// Whether localedef could make `name` (such as "zh_CN.GBK") for the tests.
inline bool TestLocaleMade(const std::string& name) {
  return std::filesystem::exists(std::filesystem::path(kTestLocales) / name / "LC_CTYPE");
}

}  // namespace ipmdb::testing_support
