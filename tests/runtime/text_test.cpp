#include "runtime/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using runtime::Compare;
using runtime::FromUtf8;
using runtime::FromWindows1252;
using runtime::InStr;
using runtime::Mid;
using runtime::Replace;
using runtime::ToUtf8;

TEST(InStr, FindsFirstOccurrenceAtOrAfterStart) {
  EXPECT_EQ(InStr(1, u"abcabc", u"bc"), 2);
  EXPECT_EQ(InStr(3, u"abcabc", u"bc"), 5);
  EXPECT_EQ(InStr(5, u"abcabc", u"bc"), 5);
  EXPECT_EQ(InStr(6, u"abcabc", u"bc"), 0);
  EXPECT_EQ(InStr(1, u"abcabc", u"abcabc"), 1);
  EXPECT_EQ(InStr(1, u"abc", u"abcd"), 0);
  EXPECT_EQ(InStr(1, u"abc", u"x"), 0);
  EXPECT_EQ(InStr(1, u"", u"x"), 0);
}

TEST(InStr, StartBeyondTheEnd) {
  EXPECT_EQ(InStr(4, u"abc", u"c"), 0);
  EXPECT_EQ(InStr(100, u"abc", u"c"), 0);
  EXPECT_EQ(InStr(4, u"abc", u""), 4);  // one past the end still finds the empty text
  EXPECT_EQ(InStr(5, u"abc", u""), 0);
  EXPECT_EQ(InStr(2, u"abc", u""), 2);
}

TEST(InStr, BinaryCompareIsCaseSensitive) {
  EXPECT_EQ(InStr(1, u"<TD>x</td>", u"<td>"), 0);
  EXPECT_EQ(InStr(1, u"<TD>x</td>", u"</td>"), 6);
  EXPECT_EQ(InStr(1, u"\u00C9t\u00E9", u"\u00E9"), 3);
}

TEST(InStr, TextCompareFoldsCase) {
  EXPECT_EQ(InStr(1, u"<TD>x</td>", u"<td>", Compare::Text), 1);
  EXPECT_EQ(InStr(2, u"<TD>x</td>", u"<TD>", Compare::Text), 0);
  EXPECT_EQ(InStr(2, u"<TD>x</TD>", u"</td>", Compare::Text), 6);
  EXPECT_EQ(InStr(1, u"x\u00C9t\u00E9", u"\u00E9", Compare::Text), 2);
  // The multiplication and division signs are not a case pair.
  EXPECT_EQ(InStr(1, u"\u00D7", u"\u00F7", Compare::Text), 0);
  EXPECT_EQ(InStr(1, u"[", u"{", Compare::Text), 0);
  EXPECT_EQ(InStr(1, u"abc", u"X", Compare::Text), 0);
}

TEST(Mid, TakesClippedSlices) {
  EXPECT_EQ(Mid(u"Exchange", 1, 2), u"Ex");
  EXPECT_EQ(Mid(u"Exchange", 3), u"change");
  EXPECT_EQ(Mid(u"Exchange", 3, -1), u"change");
  EXPECT_EQ(Mid(u"Exchange", 6, 100), u"nge");
  EXPECT_EQ(Mid(u"Exchange", 8, 1), u"e");
  EXPECT_EQ(Mid(u"Exchange", 9, 1), u"");
  EXPECT_EQ(Mid(u"Exchange", 2, 0), u"");
  EXPECT_EQ(Mid(u"", 1, 3), u"");
}

TEST(Replace, ReplacesEveryOccurrenceLeftToRight) {
  EXPECT_EQ(Replace(u"a\"b\"c", u"\"", u""), u"abc");
  EXPECT_EQ(Replace(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(Replace(u"abab", u"ab", u"abab"), u"abababab");  // no rescan of inserted text
  EXPECT_EQ(Replace(u"abc", u"x", u"y"), u"abc");
  EXPECT_EQ(Replace(u"abc", u"", u"y"), u"abc");
  EXPECT_EQ(Replace(u"", u"a", u"y"), u"");
}

TEST(FromUtf8, DecodesEveryLength) {
  EXPECT_EQ(FromUtf8("A\xC3\xA9\xE2\x82\xAC"), u"A\u00E9\u20AC");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80"), std::u16string({0xD83D, 0xDE00}));
  EXPECT_EQ(FromUtf8("\xF4\x8F\xBF\xBF"), std::u16string({0xDBFF, 0xDFFF}));
  EXPECT_EQ(FromUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(FromUtf8, InvalidOrTruncatedBecomesReplacementCharacter) {
  EXPECT_EQ(FromUtf8("\xFF" "a"), u"\uFFFDa");
  EXPECT_EQ(FromUtf8("\x80" "a"), u"\uFFFDa");          // lone continuation byte
  EXPECT_EQ(FromUtf8("\xC3" "a"), u"\uFFFDa");          // lead byte without its continuation
  EXPECT_EQ(FromUtf8("a\xE2\x82"), u"a\uFFFD");          // truncated at the end
  EXPECT_EQ(FromUtf8("a\xF0\x9F\x98"), u"a\uFFFD");
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD");            // overlong
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");        // encoded surrogate
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD");    // beyond U+10FFFF
  EXPECT_EQ(FromUtf8("\xE2\x82\xE2\x82\xAC"), u"\uFFFD\u20AC");
}

TEST(ToUtf8, RoundTripsAndReplacesLoneSurrogates) {
  const std::u16string text = u"A\u00E9\u20AC\U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(std::u16string({0xD83D})), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string({0xDE00, u'a'})), "\xEF\xBF\xBD" "a");
}

TEST(FromWindows1252, MapsOneUnitPerByte) {
  EXPECT_EQ(FromWindows1252("\x80"), u"\u20AC");
  EXPECT_EQ(FromWindows1252("\x81"), u"\u0081");
  EXPECT_EQ(FromWindows1252("\x9F"), u"\u0178");
  EXPECT_EQ(FromWindows1252("\x92\x96"), u"\u2019\u2013");
  EXPECT_EQ(FromWindows1252("\xE9"), u"\u00E9");
  EXPECT_EQ(FromWindows1252("\xA0\xFF"), u"\u00A0\u00FF");
  EXPECT_EQ(FromWindows1252("Rates"), u"Rates");
}

}  // namespace
