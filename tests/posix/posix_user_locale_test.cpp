#include "platform/user_locale.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using platform::NumberLocaleFromName;
using platform::UserNumberLocale;

void ExpectSeparators(const runtime::NumberLocale& actual, char16_t decimal, char16_t grouping) {
  EXPECT_EQ(static_cast<int>(actual.decimal), static_cast<int>(decimal));
  EXPECT_EQ(static_cast<int>(actual.grouping), static_cast<int>(grouping));
}

// Restores the locale variables a test changes, so test order never matters.
class LocaleEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      if (saved_[i]) {
        setenv(kNames[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }

 private:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LANG", "LOCPATH"};
  std::vector<std::optional<std::string>> saved_;
};

TEST(NumberLocaleFromName, CLocaleReadsPeriodAndComma) {
  for (const char* name : {"", "C", "POSIX", "C.UTF-8", "C.utf8"}) {
    SCOPED_TRACE(name);
    ExpectSeparators(NumberLocaleFromName(name), u'.', u',');
  }
}

// Territory "ZZ" exists nowhere, so these always take the guess by language.
TEST(NumberLocaleFromName, LocaleNotInstalledIsGuessedFromItsLanguage) {
  ExpectSeparators(NumberLocaleFromName("de_ZZ.UTF-8"), u',', u'.');
  ExpectSeparators(NumberLocaleFromName("DE_ZZ"), u',', u'.');
  ExpectSeparators(NumberLocaleFromName("pt_ZZ@euro"), u',', u'.');
  ExpectSeparators(NumberLocaleFromName("fr_ZZ.UTF-8"), u',', u'\u00A0');
  ExpectSeparators(NumberLocaleFromName("ru"), u',', u'\u00A0');
  ExpectSeparators(NumberLocaleFromName("en_ZZ.UTF-8"), u'.', u',');
  ExpectSeparators(NumberLocaleFromName("zz_ZZ"), u'.', u',');
  ExpectSeparators(NumberLocaleFromName("def_ZZ"), u'.', u',');  // a prefix of "def" is not German
  ExpectSeparators(NumberLocaleFromName("de_CH.NO-SUCH-CODESET"), u'.', u'\'');
}

TEST_F(LocaleEnvironment, FirstNonEmptyOfLcAllLcNumericLangWins) {
  ExpectSeparators(UserNumberLocale(), u'.', u',');  // nothing set: the C locale

  setenv("LANG", "fr_ZZ.UTF-8", 1);
  ExpectSeparators(UserNumberLocale(), u',', u'\u00A0');

  setenv("LC_NUMERIC", "de_ZZ.UTF-8", 1);
  ExpectSeparators(UserNumberLocale(), u',', u'.');

  setenv("LC_ALL", "", 1);  // empty does not count
  ExpectSeparators(UserNumberLocale(), u',', u'.');

  setenv("LC_ALL", "en_ZZ.UTF-8", 1);
  ExpectSeparators(UserNumberLocale(), u'.', u',');

  setenv("LC_ALL", "C", 1);
  setenv("LC_NUMERIC", "de_ZZ.UTF-8", 1);
  ExpectSeparators(UserNumberLocale(), u'.', u',');
}

// Installed locales are read from the C library's data. The test compiles the
// ones it needs into a private directory, so it does not depend on what the
// machine has generated.
TEST_F(LocaleEnvironment, InstalledLocaleIsReadFromTheLibrary) {
  if (access("/usr/bin/localedef", X_OK) != 0 || access("/usr/share/i18n/locales/fr_FR", R_OK) != 0) {
    GTEST_SKIP() << "localedef or its locale sources are not installed";
  }
  char pattern[] = "/tmp/quillon-locales-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  struct Cleanup {
    std::string dir;
    ~Cleanup() { std::filesystem::remove_all(dir); }
  } cleanup{dir};

  for (const char* wanted : {"de_DE UTF-8", "fr_FR UTF-8", "fr_FR ISO-8859-1"}) {
    const std::string s = wanted;
    const std::string input = s.substr(0, s.find(' '));
    const std::string charset = s.substr(s.find(' ') + 1);
    const std::string command = "/usr/bin/localedef -i " + input + " -f " + charset + " '" + dir + "/" +
                                input + "." + charset + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  setenv("LOCPATH", dir.c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
  // glibc's newlocale never frees its copy of LOCPATH.
  const __lsan::ScopedDisabler libraryLeaks;
#endif

  ExpectSeparators(NumberLocaleFromName("de_DE.UTF-8"), u',', u'.');
  // A multi-byte UTF-8 separator (narrow no-break space) becomes one unit.
  const runtime::NumberLocale fr = NumberLocaleFromName("fr_FR.UTF-8");
  EXPECT_EQ(fr.decimal, u',');
  EXPECT_EQ(fr.grouping, u'\u202F');
  // In a Latin-1 locale the no-break space is the single byte 0xA0.
  ExpectSeparators(NumberLocaleFromName("fr_FR.ISO-8859-1"), u',', u'\u00A0');

  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  ExpectSeparators(UserNumberLocale(), u',', u'.');
}

}  // namespace
