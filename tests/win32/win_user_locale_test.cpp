// The number locale on the real calls.
#include <gtest/gtest.h>

#include <string>

#include "platform/user_locale.h"

namespace {

TEST(NumberLocale, SeparatorsComeFromTheLocale) {
  struct Row {
    std::string name;
    runtime::NumberLocale separators;
  };
  const Row rows[] = {
      {"en-US", {u'.', u','}},
      {"de-DE", {u',', u'.'}},
      {"", {u'.', u','}},
      {"xx-nowhere", {u'.', u','}},
  };
  for (const auto& row : rows) {
    const auto separators = platform::NumberLocaleFromName(row.name);
    EXPECT_EQ(separators.decimal, row.separators.decimal) << row.name;
    EXPECT_EQ(separators.grouping, row.separators.grouping) << row.name;
  }
  // The test runs with a German user locale (tests/win32/CMakeLists.txt).
  EXPECT_EQ(platform::UserNumberLocale().decimal, u',');
  EXPECT_EQ(platform::UserNumberLocale().grouping, u'.');
}

}  // namespace
