// The main window at start, its own three buttons and shut-down.
#include "fixture.h"
#include "platform/path.h"

namespace main_window_test {
namespace {

using StartupTest = MainWindowTest;

TEST_F(StartupTest, OpensWithItsDesignedStartState) {
  Start();
  EXPECT_EQ(frm->Caption(), u"Quillon");
  EXPECT_TRUE(frm->Shown());
  EXPECT_EQ(backend.shows["frmConverter"], 1);
  EXPECT_EQ(frm->lblCount.Caption(), u"Click \"Get Exchange Rates\" for Current Rates");
  EXPECT_TRUE(frm->Option1.IsChosen());
  EXPECT_FALSE(frm->Option2.IsChosen());
  EXPECT_EQ(frm->txtAmount.GetText(), u"1.00");
  EXPECT_EQ(frm->lblValue.Caption(), u"1.00");
  EXPECT_EQ(frm->lblCurr.Caption(), u"Euros");
  EXPECT_EQ(frm->lstCurrency.ListCount(), 0);
  EXPECT_EQ(frm->lstRate.ListCount(), 0);
  EXPECT_EQ(frm->rtbMain.GetText(), u"");
  ASSERT_EQ(frm->lstSymbol.ListCount(), 22);
  EXPECT_EQ(frm->lstSymbol.List(0), u"(USD)");
  EXPECT_EQ(frm->lstSymbol.List(9), u"(JPY)");
  EXPECT_EQ(frm->lstSymbol.List(21), u"(THB)");
  EXPECT_EQ(frm->lstSymbol.ListIndex(), -1);
  EXPECT_EQ(frm->ActiveControl(), &frm->cmdGet) << "the first stop in sight";
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_EQ(internet.checks, 0) << "nothing is fetched at start";
}

// Neither a control out of sight nor a container is a stop.
TEST_F(StartupTest, TabOrderRunsThroughTheDesignedStopsInSight) {
  Start();
  std::vector<std::string> names;
  for (auto* c : frm->TabOrder()) names.push_back(c->Name());
  const std::vector<std::string> expected = {"cmdGet",   "Option1",  "Option2",  "txtAmount",
                                             "cmdCodes", "cmdAbout", "cmdClose", "lstCurrency"};
  EXPECT_EQ(names, expected);
}

TEST_F(StartupTest, OnlyClosingTheMainWindowEndsTheProgram) {
  const struct {
    const char* name;
    void (*close)(main_window::FrmConverter&, toolkit::Form& about);
    bool ends;
  } rows[] = {
      {"Exit button", [](main_window::FrmConverter& f, toolkit::Form&) { f.cmdClose.UserClick(); }, true},
      {"the main window's close box", [](main_window::FrmConverter& f, toolkit::Form&) { f.UserClose(); }, true},
      {"the About window's close box", [](main_window::FrmConverter&, toolkit::Form& a) { a.UserClose(); }, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    backend.quit = false;
    Start();
    about->Show();
    ASSERT_EQ(app->Forms().size(), 2u);
    row.close(*frm, *about);
    EXPECT_FALSE(about->Loaded());
    EXPECT_EQ(app->Forms().size(), row.ends ? 0u : 1u);
    EXPECT_EQ(frm->Loaded(), !row.ends);
    EXPECT_EQ(backend.quit, row.ends);
    EXPECT_TRUE(backend.messages.empty());
    if (row.ends) continue;
    frm->cmdAbout.UserClick();
    EXPECT_TRUE(about->Loaded()) << "About opens again";
  }
}

TEST_F(StartupTest, AboutTwiceShowsOneWindowBroughtToTheFront) {
  Start();
  int loads = 0;
  about->Load = [&] { ++loads; };
  frm->cmdAbout.UserClick();
  frm->cmdAbout.UserClick();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(backend.shows["frmAbout"], 1);
  EXPECT_EQ(backend.broughtFront["frmAbout"], 1);
  EXPECT_EQ(app->Forms().size(), 2u);
}

TEST_F(StartupTest, CodesOpensThePageBesideTheExecutable) {
  Start();
  frm->cmdCodes.UserClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  const auto& call = shell.calls.front();
  EXPECT_EQ(call.hwnd, frm->hWnd());
  EXPECT_NE(call.hwnd, 0u);
  EXPECT_EQ(call.operation, u"open");
  EXPECT_EQ(call.file, u"/opt/quillon" + (platform::kPathSeparator + std::u16string(u"Codes.htm")));
  EXPECT_EQ(call.parameters, u"");
  EXPECT_EQ(call.showCommand, platform::kSwShowNormal);
  EXPECT_TRUE(backend.messages.empty());
  EXPECT_EQ(frm->lblCount.Caption(), main_window::kStartupHint);
}

TEST_F(StartupTest, AltCPressesTheConvertButtonBelowTheVisibleArea) {
  Start();
  frm->UserAccessKey(u'C');
  // The conversion ran: with no rates it says so and sends the user to Get.
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kInformation);
  EXPECT_EQ(frm->ActiveControl(), &frm->cmdGet);
}

}  // namespace
}  // namespace main_window_test
