// The conversion: every change of amount, currency or direction converts.
#include "fixture.h"

namespace main_window_test {
namespace {

const std::u16string kRatesMissing =
    u"You must first Get the Current Exchange Rates     \r\n(Requires Interent Connection)";
const std::u16string kNoSelection = u"Please select a currency     ";

// One currency "X" at the given rate text, with its own date line.
std::string OneRatePage(const std::string& rate) {
  return "using values from today<BR><td>&nbsp;&nbsp;&nbsp;&nbsp;<img>X <font><a href=\"x.html\">" + rate + "</a>";
}

class ConversionTest : public MainWindowTest {
 protected:
  void StartWithRate(const std::string& rate) {
    Start();
    FetchRates(OneRatePage(rate));
    frm->lstCurrency.UserSelect(0);
    backend.messages.clear();
  }
};

TEST_F(ConversionTest, ConvertsInTheChosenDirectionWithTwoDecimals) {
  StartWithRate("1.5");
  frm->txtAmount.UserTyped(u"3");
  EXPECT_EQ(frm->lblValue.Caption(), u"2.00  Euros");
  frm->Option2.UserChoose();
  EXPECT_EQ(frm->lblCurr.Caption(), u"X");
  EXPECT_EQ(frm->lblValue.Caption(), u"4.50  X");
  frm->Option1.UserChoose();
  EXPECT_EQ(frm->lblValue.Caption(), u"2.00  Euros");
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(ConversionTest, ReadsTheAmountByItsLeadingNumber) {
  StartWithRate("1");
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"0.125", u"0.13  Euros"}, {u"12abc", u"12.00  Euros"}, {u"1 000", u"1000.00  Euros"},
      {u"1,5", u"1.00  Euros"},   {u"2.5e1", u"25.00  Euros"},
  };
  for (const auto& [typed, shown] : cases) {
    frm->txtAmount.UserTyped(typed);
    EXPECT_EQ(frm->lblValue.Caption(), shown) << Utf8(typed);
  }
}

TEST_F(ConversionTest, AnAmountThatIsNotPositiveShowsZeroWithoutAMessage) {
  StartWithRate("1.5");
  for (const std::u16string& typed : std::vector<std::u16string>{u"", u"abc", u"-4", u"0"}) {
    frm->txtAmount.UserTyped(u"9");
    frm->txtAmount.UserTyped(typed);
    EXPECT_EQ(frm->lblValue.Caption(), u"0.00  Euros") << Utf8(typed);
  }
  EXPECT_TRUE(backend.messages.empty());
  // Choosing a direction with amount 0 leaves its provisional line.
  frm->Option2.UserChoose();
  frm->Option1.UserChoose();
  EXPECT_EQ(frm->lblValue.Caption(), u"1.00  Euros");
}

TEST_F(ConversionTest, TheAmountAndTheResultFollowTheUsersLocale) {
  const struct {
    const char* name;
    runtime::NumberLocale locale;
    std::string rate;
    bool intoEuros;
    std::u16string amount;
    std::u16string shown;
  } rows[] = {
      {"period locale", {u'.', u','}, "1.7612", false, u"100", u"176.12  X"},
      {"comma locale", {u',', u'.'}, "1.7612", false, u"100", u"176,12  X"},
      {"comma and no-break space", {u',', u'\u00A0'}, "1.7612", false, u"100", u"176,12  X"},
      {"the page's grouped rate, blanks around", {u',', u'.'}, " 1,563.12 ", false, u"2", u"3126,24  X"},
      {"a period alone keeps reading as a period", {u',', u'.'}, "1.5", false, u"2.5", u"3,75  X"},
      {"a decimal comma", {u',', u'.'}, "1.1050", true, u"1,5", u"1,36  Euros"},
      {"grouping and a decimal comma", {u',', u'.'}, "1.1050", true, u"1.234,5", u"1117,19  Euros"},
      {"a comma ends the amount in a period locale", {u'.', u','}, "1.1050", true, u"1,5", u"0.90  Euros"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    settings.locale = row.locale;
    StartWithRate(row.rate);
    if (!row.intoEuros) frm->Option2.UserChoose();
    frm->txtAmount.UserTyped(row.amount);
    EXPECT_EQ(frm->lblValue.Caption(), row.shown);
    EXPECT_TRUE(backend.messages.empty());
  }
}

// "1.00" and "0.00" are written by the window itself: in the user's locale too.
TEST_F(ConversionTest, TheWindowsOwnAmountsTakeTheLocalesSeparator) {
  settings.locale = {u',', u'.'};
  Start();
  EXPECT_EQ(frm->txtAmount.GetText(), u"1,00");
  EXPECT_EQ(frm->lblValue.Caption(), u"1,00");
  frm->txtAmount.UserTyped(u"5");
  EXPECT_EQ(frm->txtAmount.GetText(), u"1,00");  // reset without rates
  FetchRates(OneRatePage("2"));
  frm->lstCurrency.UserSelect(0);
  frm->txtAmount.UserTyped(u"");
  EXPECT_EQ(frm->lblValue.Caption(), u"0,00  Euros");
  frm->Option2.UserChoose();
  EXPECT_EQ(frm->lblValue.Caption(), u"1,00  X");
}

// Typing on in an amount already too large neither repeats the message nor
// leaves the last result standing under it.
TEST_F(ConversionTest, AResultTooLargeIsToldOnceWhileItStaysTooLarge) {
  StartWithRate("1" + std::string(300, '0'));  // the page writes no exponent
  frm->Option2.UserChoose();
  const struct {
    const char* name;
    std::u16string amount;
    bool fits;
    std::size_t told;  // messages so far
  } steps[] = {
      {"a result that fits", u"1e4", true, 0},
      {"too large: told", u"1e40", false, 1},
      {"still too large: not told again", u"1e400", false, 1},
      {"fits again", u"1", true, 1},
      {"too large once more: told again", u"1e10", false, 2},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    frm->txtAmount.UserTyped(step.amount);
    EXPECT_EQ(frm->lblValue.Caption() == u"0.00  X", !step.fits) << Utf8(frm->lblValue.Caption());
    EXPECT_EQ(backend.messages.size(), step.told);
  }
}

// Until rates are fetched and a currency chosen, every way to a conversion
// says what is missing and sends the focus to where the user gets it.
TEST_F(ConversionTest, WithoutRatesOrACurrencyTheUserIsSentForThem) {
  using main_window::FrmConverter;
  const auto convert = [](FrmConverter& f) { f.cmdConvert.UserClick(); };
  const auto focusAmount = [](FrmConverter& f) { f.txtAmount.UserFocus(); };
  const struct {
    const char* name;
    int ready;  // 0 nothing, 1 rates, 2 rates and a currency chosen
    void (*act)(FrmConverter&);
    std::vector<std::u16string> messages;
    const char* focus;
    std::u16string shown;
  } rows[] = {
      {"Convert without rates, the amount at 1.00", 0, convert, {kRatesMissing}, "cmdGet", u"1.00"},
      {"an amount typed without rates: its reset converts again, then the chain ends", 0,
       [](FrmConverter& f) { f.txtAmount.UserTyped(u"5"); }, {kRatesMissing, kRatesMissing}, "cmdGet", u"1.00"},
      {"into the amount without rates", 0, focusAmount, {kRatesMissing}, "cmdGet", u"1.00"},
      {"into the amount with no currency", 1, focusAmount, {kNoSelection}, "lstCurrency", u"1.00"},
      {"out of Euros with no currency", 1, [](FrmConverter& f) { f.Option2.UserChoose(); }, {kNoSelection},
       "lstCurrency", u"1.00  "},
      {"into the amount with a currency: it stays", 2, focusAmount, {}, "txtAmount", u"0.01  Euros"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Start();
    if (row.ready > 0) FetchRates();
    if (row.ready > 1) frm->lstCurrency.UserSelect(1);
    backend.messages.clear();
    row.act(*frm);
    EXPECT_EQ(backend.MessageTexts(), row.messages);
    for (const auto& m : backend.messages)
      EXPECT_EQ(m.style, m.text == kRatesMissing ? toolkit::msgbox::kInformation : toolkit::msgbox::kExclamation);
    EXPECT_EQ(frm->ActiveControl(), &(*frm)[row.focus]);
    EXPECT_EQ(frm->txtAmount.GetText(), u"1.00");
    EXPECT_EQ(frm->lblValue.Caption(), row.shown);
  }
}

// The code list follows the selection by position; out of Euros the result
// names the currency.
TEST_F(ConversionTest, SelectingACurrencyConvertsWithItsCodeInStep) {
  std::string manyRows;
  for (int i = 0; i < 25; ++i) manyRows += OneRatePage("2");
  const struct {
    const char* name;
    std::string page;
    bool outOfEuros;
    int selected;
    int code;
    std::u16string shown;
  } rows[] = {
      {"into Euros the name never shows", kTwoRowPage, false, 1, 1, u"0.01  Euros"},
      {"out of Euros", kTwoRowPage, true, 0, 0, u"1.50  US Dollar"},
      {"past the end of the codes", manyRows, true, 24, -1, u"2.00  X"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Start();
    FetchRates(row.page);
    if (row.outOfEuros) frm->Option2.UserChoose();
    backend.messages.clear();
    frm->lstCurrency.UserSelect(row.selected);
    EXPECT_EQ(frm->lstSymbol.ListIndex(), row.code);
    EXPECT_EQ(frm->lblValue.Caption(), row.shown);
    EXPECT_TRUE(backend.messages.empty());
  }
}

TEST_F(ConversionTest, AnUnusableRateKeepsTheLastResultWithAMessage) {
  const struct {
    const char* name;
    std::string rate;
    bool intoEuros;
    std::u16string amount;
  } rows[] = {
      {"not a number", "n/a", true, u"4"},
      {"empty", "", false, u"4"},
      {"zero into Euros", "0", true, u"4"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Start();
    FetchRates(OneRatePage("2") + OneRatePage(row.rate));
    if (!row.intoEuros) frm->Option2.UserChoose();
    frm->lstCurrency.UserSelect(0);
    frm->txtAmount.UserTyped(row.amount);
    const auto before = frm->lblValue.Caption();
    backend.messages.clear();
    frm->lstCurrency.UserSelect(1);
    EXPECT_EQ(frm->lblValue.Caption(), before);
    ASSERT_EQ(backend.messages.size(), 1u);
    EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kExclamation);
    EXPECT_NE(backend.messages[0].text.find(u"X"), std::u16string::npos);
    EXPECT_NE(backend.messages[0].text.find(u"\"" + runtime::FromUtf8(row.rate) + u"\""), std::u16string::npos);
  }
}

}  // namespace
}  // namespace main_window_test
