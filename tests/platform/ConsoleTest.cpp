// The terminal's text and the system's error texts under a GBK locale, made by the build.
#include "platform/Console.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "../support/TestLocale.h"
#include "platform/SystemError.h"

namespace ipmdb::platform {
namespace {

class GbkLocale : public testing::Test {
 protected:
  void SetUp() override {
    if (!testing_support::TestLocaleMade("zh_CN.GBK"))
      GTEST_SKIP() << "localedef could not make zh_CN.GBK in " << testing_support::kTestLocales
                   << " (it comes with the locales package, see scripts/setup)";
    setenv("LOCPATH", testing_support::kTestLocales.c_str(), 1);
    FGbk = newlocale(LC_ALL_MASK, "zh_CN.GBK", locale_t(0));
    ASSERT_NE(FGbk, locale_t(0));
    // The thread's locale, which nl_langinfo and strerror_r follow as they follow setlocale.
    uselocale(FGbk);
  }
  void TearDown() override {
    if (FGbk == locale_t(0)) return;
    uselocale(LC_GLOBAL_LOCALE);
    freelocale(FGbk);
  }

  locale_t FGbk = locale_t(0);
};

TEST_F(GbkLocale, MessagesAreWrittenInGbkAndWhatIsNotUtf8IsKept) {
  const struct {
    std::string FUtf8;
    std::string FWritten;
  } cases[] = {
      {"plain ASCII", "plain ASCII"},
      {"已提交 1000/2500 行", "\xD2\xD1\xCC\xE1\xBD\xBB 1000/2500 \xD0\xD0"},
      // A file name given in GBK, as typed under this locale, comes out as it came in.
      {"到 /tmp/\xD6\xD0.mdb，", "\xB5\xBD /tmp/\xD6\xD0.mdb\xA3\xAC"},
      // A character GBK lacks, and a UTF-8 sequence cut off at the end.
      {"x\U0001F600y\xE4\xB8", "x?y\xE4\xB8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FUtf8);
    EXPECT_EQ(ConsoleText(c.FUtf8), c.FWritten);
  }
}

// The C library's text comes in GBK; the program gets it as UTF-8, which goes back to the same
// GBK bytes on the terminal.
TEST_F(GbkLocale, SystemErrorTextsAreConvertedToUtf8) {
  const std::string system = strerror_l(ENOENT, FGbk);
  const std::string text = SystemErrorText(ENOENT);
  EXPECT_EQ(ConsoleText(text), system);
  if (std::none_of(system.begin(), system.end(), [](char c) { return uint8_t(c) >= 0x80; }))
    GTEST_SKIP() << "the C library has no Chinese texts (libc-l10n): " << system;
  EXPECT_NE(text, system);
}

}  // namespace
}  // namespace ipmdb::platform
