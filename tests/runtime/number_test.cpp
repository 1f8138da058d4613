#include "runtime/number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using runtime::FormatTwoDecimals;
using runtime::NumberLocale;
using runtime::ParseLocaleNumber;
using runtime::Val;

constexpr NumberLocale kPeriod{u'.', u','};
constexpr NumberLocale kComma{u',', u'.'};
constexpr NumberLocale kCommaNbsp{u',', u'\u00A0'};
constexpr NumberLocale kNoGrouping{u'.', 0};

// --- Val: the amount's leading-number parse -------------------------------

TEST(Val, ReadsTheLeadingNumberAndIgnoresTheRest) {
  EXPECT_EQ(Val(u"12abc"), 12);
  EXPECT_EQ(Val(u"-3"), -3);
  EXPECT_EQ(Val(u"+7"), 7);
  EXPECT_EQ(Val(u".5"), 0.5);
  EXPECT_EQ(Val(u"5."), 5);
  EXPECT_EQ(Val(u"1.2.3"), 1.2);
  EXPECT_EQ(Val(u"0.1"), 0.1);
  EXPECT_EQ(Val(u"1.00"), 1);
  EXPECT_EQ(Val(u"007"), 7);
}

TEST(Val, NoNumberGivesZero) {
  for (const char16_t* text : {u"", u"abc", u"-", u"+", u".", u"-.", u"e5", u"$5", u"--5", u"\u00A05"}) {
    SCOPED_TRACE(std::u16string(text).size());
    const double v = Val(text);
    EXPECT_EQ(v, 0);
  }
}

TEST(Val, RemovesSpacesTabsAndLineFeedsEverywhere) {
  EXPECT_EQ(Val(u"1 000"), 1000);
  EXPECT_EQ(Val(u" 2.5e2x"), 250);
  EXPECT_EQ(Val(u"\t- 1\n2 . 5"), -12.5);
  EXPECT_EQ(Val(u"1 e 3"), 1000);
  // Carriage return is not a blank here: it ends the number.
  EXPECT_EQ(Val(u"1\r2"), 1);
  EXPECT_EQ(Val(u"\r12"), 0);
}

TEST(Val, CommaEndsTheNumber) {
  EXPECT_EQ(Val(u"1,5"), 1);
  EXPECT_EQ(Val(u"1,563.12"), 1);
  EXPECT_EQ(Val(u"2.5"), 2.5);  // period whatever the user's locale
}

TEST(Val, ExponentNeedsDigits) {
  EXPECT_EQ(Val(u"1e3"), 1000);
  EXPECT_EQ(Val(u"1E+2"), 100);
  EXPECT_EQ(Val(u"25e-1"), 2.5);
  EXPECT_EQ(Val(u".5e1"), 5);
  EXPECT_EQ(Val(u"5.e1"), 50);
  EXPECT_EQ(Val(u"3E"), 3);
  EXPECT_EQ(Val(u"3e+"), 3);
  EXPECT_EQ(Val(u"3e-x"), 3);
  EXPECT_EQ(Val(u"3ex5"), 3);
  EXPECT_EQ(Val(u"1e2.5"), 100);
  EXPECT_EQ(Val(u"2d2"), 2);
}

TEST(Val, HugeAndTinyNumbersDoNotFail) {
  EXPECT_EQ(Val(u"1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val(u"-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val(u"1e99999999999999999999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val(u"1e-400"), 0);
  EXPECT_EQ(Val(u"1e-99999999999999999999999"), 0);
  EXPECT_EQ(Val(u"1.7976931348623157e308"), std::numeric_limits<double>::max());
  EXPECT_EQ(Val(u"1.8e308"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(Val(u"4.9e-324"), std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(Val(u"0e999999"), 0);
  // Many zeros on either side of the significant digits.
  EXPECT_EQ(Val(u"0." + std::u16string(500, u'0') + u"15e502"), 15);
  EXPECT_EQ(Val(u"1" + std::u16string(400, u'0') + u"e-400"), 1);
}

TEST(Val, RoundsLongDigitStringsExactly) {
  // Halfway between two doubles and just above it: only exact rounding tells them apart.
  EXPECT_EQ(Val(u"9007199254740993"), 9007199254740992.0);
  EXPECT_EQ(Val(u"9007199254740993.0000000000001"), 9007199254740994.0);
  EXPECT_EQ(Val(u"0.30000000000000004"), 0.30000000000000004);
}

TEST(Val, HexadecimalReadsAsSigned16Or32Bit) {
  EXPECT_EQ(Val(u"&H10"), 16);
  EXPECT_EQ(Val(u"&hff"), 255);
  EXPECT_EQ(Val(u"&H7FFF"), 32767);
  EXPECT_EQ(Val(u"&H8000"), -32768);
  EXPECT_EQ(Val(u"&HFFFF"), -1);
  EXPECT_EQ(Val(u"&H0FFFF"), -1);  // leading zeros do not widen the type
  EXPECT_EQ(Val(u"&H10000"), 65536);
  EXPECT_EQ(Val(u"&H7FFFFFFF"), 2147483647);
  EXPECT_EQ(Val(u"&H80000000"), -2147483648.0);
  EXPECT_EQ(Val(u"&HFFFFFFFF"), -1);
  EXPECT_EQ(Val(u"&HFFFFFFFF1"), -1);    // the ninth digit would not fit: it ends the number
  EXPECT_EQ(Val(u"&H000000010"), 16);
  EXPECT_EQ(Val(u"&H1G"), 1);
  EXPECT_EQ(Val(u"& H 1 F"), 31);
  EXPECT_EQ(Val(u"&H"), 0);
  EXPECT_EQ(Val(u"&"), 0);
  EXPECT_EQ(Val(u"&X10"), 0);
  EXPECT_EQ(Val(u"-&H10"), 0);
}

TEST(Val, OctalReadsAsSigned16Or32Bit) {
  EXPECT_EQ(Val(u"&O17"), 15);
  EXPECT_EQ(Val(u"&o777"), 511);
  EXPECT_EQ(Val(u"&O177777"), -1);
  EXPECT_EQ(Val(u"&O77777"), 32767);
  EXPECT_EQ(Val(u"&O200000"), 65536);
  EXPECT_EQ(Val(u"&O37777777777"), -1);
  EXPECT_EQ(Val(u"&O18"), 1);
  EXPECT_EQ(Val(u"&O9"), 0);
}

// --- ParsePageNumber: the rate as the page writes it -----------------------

TEST(ParsePageNumber, ReadsOnlyThePagesOwnForm) {
  const struct {
    const char* name;
    std::u16string text;
    std::optional<double> read;
  } rows[] = {
      {"plain", u"1.7612", 1.7612},
      {"grouped", u"1,463.12", 1463.12},
      {"blanks around", u" \t1,563.12\r\n", 1563.12},
      {"whole number", u"181", 181},
      {"comma decimal", u"1,5x", std::nullopt},
      {"sign", u"-2", std::nullopt},
      {"exponent", u"1.5e3", std::nullopt},
      {"comma first", u",15", std::nullopt},
      {"comma last", u"15,", std::nullopt},
      {"comma after period", u"1.5,3", std::nullopt},
      {"bare period", u"1.", std::nullopt},
      {"blank inside", u"1 000", std::nullopt},
      {"no-break space grouping", u"1\u00A0000", std::nullopt},
      {"empty", u"  ", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(runtime::ParsePageNumber(row.text), row.read) << row.name;
}

// --- LocaleVal: the amount as the user's locale writes it ------------------

TEST(LocaleVal, ReadsTheLocalesMarksAndThePeriodAsVal) {
  constexpr NumberLocale kFrench{u',', u'\u202F'};
  const struct {
    const char* name;
    const char16_t* text;
    NumberLocale locale;
    double read;
  } rows[] = {
      {"decimal comma", u"1,5", kComma, 1.5},
      {"grouping period then comma", u"1.234,5", kComma, 1234.5},
      {"French narrow space", u"1\u202F234,5", kFrench, 1234.5},
      {"French space alone", u"1\u202F234", kFrench, 1234},
      {"period alone as Val", u"1.5", kComma, 1.5},
      {"grouping period alone as Val", u"1.234", kComma, 1.234},
      {"comma in a period locale", u"1,5", kPeriod, 1},
      {"letters end it", u"12abc", kComma, 12},
      {"radix prefix", u"&H10", kComma, 16},
      {"negative", u"-1,5", kComma, -1.5},
      {"no integer digits", u",5", kComma, 0.5},
      {"nothing after the comma", u"1,", kComma, 1},
      {"second comma ends it", u"1,2,3", kComma, 1.2},
      {"exponent", u"1e3", kComma, 1000},
      {"exponent after a comma", u"1,5e2", kComma, 150},
      {"empty", u"", kComma, 0},
      {"comma alone", u",", kComma, 0},
  };
  for (const auto& row : rows) EXPECT_EQ(runtime::LocaleVal(row.text, row.locale), row.read) << row.name;
}

// --- ParseLocaleNumber: the rate's locale parse ----------------------------

TEST(ParseLocaleNumber, AcceptsOneWholeNumberInThePeriodLocale) {
  EXPECT_EQ(ParseLocaleNumber(u"1,563.12", kPeriod), 1563.12);
  EXPECT_EQ(ParseLocaleNumber(u" 1.5 ", kPeriod), 1.5);
  EXPECT_EQ(ParseLocaleNumber(u"\t1.5\r\n", kPeriod), 1.5);
  EXPECT_EQ(ParseLocaleNumber(u"-2", kPeriod), -2);
  EXPECT_EQ(ParseLocaleNumber(u"+2.", kPeriod), 2);
  EXPECT_EQ(ParseLocaleNumber(u".25", kPeriod), 0.25);
  EXPECT_EQ(ParseLocaleNumber(u"1,234,567", kPeriod), 1234567);
  EXPECT_EQ(ParseLocaleNumber(u"1.5e3", kPeriod), 1500);
  EXPECT_EQ(ParseLocaleNumber(u"15E-1", kPeriod), 1.5);
  EXPECT_EQ(ParseLocaleNumber(u"0.1", kPeriod), 0.1);
}

TEST(ParseLocaleNumber, RejectsAnythingButOneNumber) {
  for (const char16_t* text : {u"", u"   ", u"1.5x", u"x1.5", u"1.5.2", u"1 5", u".", u"-", u"+-1",
                               u"1e", u"1e+", u"1.5e3.2", u"&H10", u"1,5.5,1", u"1.5 e3", u"- 1"}) {
    SCOPED_TRACE(std::u16string(text).size());
    EXPECT_EQ(ParseLocaleNumber(text, kPeriod), std::nullopt);
  }
}

TEST(ParseLocaleNumber, GroupingStandsOnlyBetweenIntegerDigits) {
  EXPECT_EQ(ParseLocaleNumber(u"1,5", kPeriod), 15);  // grouping may stand between any two digits
  EXPECT_EQ(ParseLocaleNumber(u"12,34,5.5", kPeriod), 12345.5);
  EXPECT_EQ(ParseLocaleNumber(u",15", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"15,", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"-,15", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"1,,5", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"1,.5", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"1.5,0", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"1e1,0", kPeriod), std::nullopt);
}

TEST(ParseLocaleNumber, FollowsACommaLocale) {
  EXPECT_EQ(ParseLocaleNumber(u"1,5", kComma), 1.5);
  EXPECT_EQ(ParseLocaleNumber(u"1.563,12", kComma), 1563.12);
  EXPECT_EQ(ParseLocaleNumber(u"1.5", kComma), 15);
  EXPECT_EQ(ParseLocaleNumber(u"1,563.12", kComma), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"1\u00A0563,12", kCommaNbsp), 1563.12);
  EXPECT_EQ(ParseLocaleNumber(u"1.5", kCommaNbsp), std::nullopt);
}

TEST(ParseLocaleNumber, NoGroupingMeansNoSeparatorAccepted) {
  EXPECT_EQ(ParseLocaleNumber(u"1563.12", kNoGrouping), 1563.12);
  EXPECT_EQ(ParseLocaleNumber(u"1,563.12", kNoGrouping), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(std::u16string(u"1\0" u"5", 3), kNoGrouping), std::nullopt);
  // Separators that coincide leave only the decimal meaning.
  EXPECT_EQ(ParseLocaleNumber(u"1.5", NumberLocale{u'.', u'.'}), 1.5);
  EXPECT_EQ(ParseLocaleNumber(u"1.5.0", NumberLocale{u'.', u'.'}), std::nullopt);
}

TEST(ParseLocaleNumber, GivesTheExactlyRoundedDouble) {
  EXPECT_EQ(ParseLocaleNumber(u"9,007,199,254,740,993.0000000000001", kPeriod), 9007199254740994.0);
  EXPECT_EQ(ParseLocaleNumber(u"0,30000000000000004", kComma), 0.30000000000000004);
  EXPECT_EQ(ParseLocaleNumber(u"1.7976931348623157e308", kPeriod), std::numeric_limits<double>::max());
}

TEST(ParseLocaleNumber, OutOfRangeOverflowFailsAndUnderflowIsZero) {
  EXPECT_EQ(ParseLocaleNumber(u"1e400", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"-1.8e308", kPeriod), std::nullopt);
  EXPECT_EQ(ParseLocaleNumber(u"1e-400", kPeriod), 0);
}

// --- FormatTwoDecimals ----------------------------------------------------

TEST(FormatTwoDecimals, KeepsOneIntegerDigitAndTwoDecimals) {
  EXPECT_EQ(FormatTwoDecimals(0, kPeriod), u"0.00");
  EXPECT_EQ(FormatTwoDecimals(2, kPeriod), u"2.00");
  EXPECT_EQ(FormatTwoDecimals(4.5, kPeriod), u"4.50");
  EXPECT_EQ(FormatTwoDecimals(0.5, kPeriod), u"0.50");
  EXPECT_EQ(FormatTwoDecimals(0.07, kPeriod), u"0.07");
  EXPECT_EQ(FormatTwoDecimals(1563.12, kPeriod), u"1563.12");  // never grouped
  EXPECT_EQ(FormatTwoDecimals(1234567.891, kPeriod), u"1234567.89");
  EXPECT_EQ(FormatTwoDecimals(-2.5, kPeriod), u"-2.50");
}

TEST(FormatTwoDecimals, RoundsHalfAwayFromZeroOnFifteenDigits) {
  EXPECT_EQ(FormatTwoDecimals(0.125, kPeriod), u"0.13");
  EXPECT_EQ(FormatTwoDecimals(-0.125, kPeriod), u"-0.13");
  EXPECT_EQ(FormatTwoDecimals(1.005, kPeriod), u"1.01");   // stored below 1.005
  EXPECT_EQ(FormatTwoDecimals(2.675, kPeriod), u"2.68");   // stored below 2.675
  EXPECT_EQ(FormatTwoDecimals(1.0049999, kPeriod), u"1.00");
  EXPECT_EQ(FormatTwoDecimals(0.005, kPeriod), u"0.01");
  EXPECT_EQ(FormatTwoDecimals(0.0049, kPeriod), u"0.00");
  EXPECT_EQ(FormatTwoDecimals(9.995, kPeriod), u"10.00");  // carry into a new digit
  EXPECT_EQ(FormatTwoDecimals(99.999, kPeriod), u"100.00");
  EXPECT_EQ(FormatTwoDecimals(0.995, kPeriod), u"1.00");
  EXPECT_EQ(FormatTwoDecimals(1e-300, kPeriod), u"0.00");
  EXPECT_EQ(FormatTwoDecimals(0.1 + 0.2, kPeriod), u"0.30");
}

TEST(FormatTwoDecimals, ZeroResultsCarryNoSign) {
  EXPECT_EQ(FormatTwoDecimals(-0.0, kPeriod), u"0.00");
  EXPECT_EQ(FormatTwoDecimals(-0.001, kPeriod), u"0.00");
  EXPECT_EQ(FormatTwoDecimals(-0.004999, kPeriod), u"0.00");
  EXPECT_EQ(FormatTwoDecimals(-0.005, kPeriod), u"-0.01");
}

TEST(FormatTwoDecimals, BigValuesPrintEveryIntegerDigit) {
  EXPECT_EQ(FormatTwoDecimals(1e20, kPeriod), u"100000000000000000000.00");
  EXPECT_EQ(FormatTwoDecimals(-1e15, kPeriod), u"-1000000000000000.00");
  // Only 15 significant digits survive, as in the runtime's own output.
  EXPECT_EQ(FormatTwoDecimals(123456789012345678.0, kPeriod), u"123456789012346000.00");
  EXPECT_EQ(FormatTwoDecimals(1234567890123.456, kPeriod), u"1234567890123.46");
  const std::u16string max = FormatTwoDecimals(std::numeric_limits<double>::max(), kPeriod);
  EXPECT_EQ(max.size(), 309u + 3u);
  EXPECT_EQ(max.substr(0, 15), u"179769313486232");
  EXPECT_EQ(max.substr(max.size() - 3), u".00");
}

TEST(FormatTwoDecimals, UsesTheLocaleDecimalSeparator) {
  EXPECT_EQ(FormatTwoDecimals(2.5, kComma), u"2,50");
  EXPECT_EQ(FormatTwoDecimals(-1563.125, kComma), u"-1563,13");
  EXPECT_EQ(FormatTwoDecimals(0, kComma), u"0,00");
}

TEST(FormatTwoDecimals, NonFiniteValuesGiveText) {
  EXPECT_FALSE(FormatTwoDecimals(std::numeric_limits<double>::infinity(), kPeriod).empty());
  EXPECT_NE(FormatTwoDecimals(-std::numeric_limits<double>::infinity(), kPeriod),
            FormatTwoDecimals(std::numeric_limits<double>::infinity(), kPeriod));
  EXPECT_FALSE(FormatTwoDecimals(std::nan(""), kPeriod).empty());
}

TEST(NumberOperations, FormattedResultReadsBackThroughTheLocaleParse) {
  for (const NumberLocale& locale : {kPeriod, kComma, kNoGrouping}) {
    for (const double v : {0.0, 0.01, 1.5, -42.42, 1563.12, 98765.43}) {
      const auto back = ParseLocaleNumber(FormatTwoDecimals(v, locale), locale);
      ASSERT_TRUE(back.has_value());
      EXPECT_EQ(*back, v);
    }
  }
}

}  // namespace
