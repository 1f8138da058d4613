// The conversion: every change of amount, currency or direction converts.
#include "fixture.h"

namespace quillon_test {
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

TEST_F(ConversionTest, ConvertsIntoAndOutOfEurosWithTwoDecimals) {
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

TEST_F(ConversionTest, TheRateTextFollowsTheUsersLocale) {
  StartWithRate(" 1,563.12 ");
  frm->txtAmount.UserTyped(u"2");
  frm->Option2.UserChoose();
  EXPECT_EQ(frm->lblValue.Caption(), u"3126.24  X");

  settings.locale = {u',', u'.'};
  StartWithRate("1,5");
  frm->Option2.UserChoose();
  frm->txtAmount.UserTyped(u"2.5");
  EXPECT_EQ(frm->lblValue.Caption(), u"3,75  X") << "the amount keeps the period";
  frm->txtAmount.UserTyped(u"2,5");
  EXPECT_EQ(frm->lblValue.Caption(), u"3,00  X") << "a comma ends the amount";
}

TEST_F(ConversionTest, WithoutRatesTheMessageShowsOnceOrTwiceAndSendsTheFocusToGet) {
  Start();
  frm->cmdConvert.UserClick();
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{kRatesMissing}) << "amount already 1.00";
  EXPECT_EQ(backend.messages[0].style, tk::msgbox::kInformation);

  backend.messages.clear();
  // Typing 5 runs the conversion, which resets the amount: the nested run
  // shows the message a second time, then the chain ends.
  frm->txtAmount.UserTyped(u"5");
  EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{kRatesMissing, kRatesMissing}));
  EXPECT_EQ(frm->txtAmount.GetText(), u"1.00");
  EXPECT_EQ(frm->ActiveControl(), &frm->cmdGet);
  EXPECT_EQ(frm->lblValue.Caption(), u"1.00") << "the conversion writes no result";
}

TEST_F(ConversionTest, FocusOnTheAmountIsTurnedAwayUntilACurrencyIsChosen) {
  Start();
  frm->txtAmount.UserFocus();
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{kRatesMissing});
  EXPECT_EQ(frm->ActiveControl(), &frm->cmdGet);

  FetchRates();
  backend.messages.clear();
  frm->txtAmount.UserFocus();
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{kNoSelection});
  EXPECT_EQ(backend.messages[0].style, tk::msgbox::kExclamation);
  EXPECT_EQ(frm->ActiveControl(), &frm->lstCurrency);

  frm->lstCurrency.UserSelect(1);
  backend.messages.clear();
  frm->txtAmount.UserFocus();
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_EQ(frm->ActiveControl(), &frm->txtAmount);
}

TEST_F(ConversionTest, ChoosingOutOfEurosWithNoSelectionAsksForOne) {
  Start();
  FetchRates();
  frm->Option2.UserChoose();
  EXPECT_EQ(frm->lblCurr.Caption(), u"");
  EXPECT_EQ(frm->lblValue.Caption(), u"1.00  ");
  EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{kNoSelection});
  EXPECT_EQ(frm->ActiveControl(), &frm->lstCurrency);
}

TEST_F(ConversionTest, SelectingACurrencySyncsTheCodesAndNamesTheResultCurrency) {
  Start();
  FetchRates();
  frm->lstCurrency.UserSelect(1);
  EXPECT_EQ(frm->lstSymbol.ListIndex(), 1);
  EXPECT_EQ(frm->lblCurr.Caption(), u"Euros") << "into Euros the name never shows";
  EXPECT_EQ(frm->lblValue.Caption(), u"0.01  Euros");
  frm->Option2.UserChoose();
  frm->lstCurrency.UserSelect(0);
  EXPECT_EQ(frm->lstSymbol.ListIndex(), 0);
  EXPECT_EQ(frm->lblValue.Caption(), u"1.50  US Dollar");
}

TEST_F(ConversionTest, ASelectionPastTheCodesListStillConverts) {
  Start();
  std::string page;
  for (int i = 0; i < 25; ++i) page += OneRatePage("2");
  FetchRates(page);
  frm->Option2.UserChoose();
  backend.messages.clear();
  frm->lstCurrency.UserSelect(24);
  EXPECT_EQ(frm->lstSymbol.ListIndex(), -1);
  EXPECT_EQ(frm->lblValue.Caption(), u"2.00  X");
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(ConversionTest, AnUnusableRateIsReportedAndTheLastResultStays) {
  struct Case {
    std::string rate;
    bool intoEuros;
  };
  for (const Case& c : {Case{"n/a", true}, Case{"", false}, Case{"0", true}, Case{"1e308", false}}) {
    SCOPED_TRACE(c.rate);
    Start();
    FetchRates(OneRatePage("2") + OneRatePage(c.rate));
    if (!c.intoEuros) frm->Option2.UserChoose();
    frm->lstCurrency.UserSelect(0);
    frm->txtAmount.UserTyped(c.rate == "1e308" ? u"1e10" : u"4");
    const auto before = frm->lblValue.Caption();
    backend.messages.clear();
    frm->lstCurrency.UserSelect(1);
    EXPECT_EQ(frm->lblValue.Caption(), before);
    ASSERT_EQ(backend.messages.size(), 1u);
    EXPECT_EQ(backend.messages[0].style, tk::msgbox::kExclamation);
    EXPECT_NE(backend.messages[0].text.find(u"X"), std::u16string::npos);
    EXPECT_NE(backend.messages[0].text.find(u"\"" + std::u16string(c.rate.begin(), c.rate.end()) + u"\""),
              std::u16string::npos);
  }
}

}  // namespace
}  // namespace quillon_test
