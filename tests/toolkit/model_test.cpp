// The rules the forms model keeps whatever the backend.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/recording_backend.h"
#include "toolkit/application.h"

namespace {

using tk::ControlDesign;
using tk::Kind;

std::vector<ControlDesign> SampleControls() {
  return {
      {.name = "Frame", .kind = Kind::Frame, .rect = {0, 0, 3000, 3000}, .tabIndex = 5, .caption = u"Group"},
      {.name = "optA", .kind = Kind::OptionButton, .container = "Frame", .tabIndex = 3, .caption = u"A",
       .value = true},
      {.name = "optB", .kind = Kind::OptionButton, .container = "Frame", .tabIndex = 4, .caption = u"B"},
      {.name = "optOther", .kind = Kind::OptionButton, .tabIndex = 6, .caption = u"Other", .value = true},
      {.name = "txt", .kind = Kind::TextBox, .tabIndex = 2, .caption = u"start"},
      {.name = "lst", .kind = Kind::ListBox, .tabIndex = 1},
      {.name = "btnGo", .kind = Kind::CommandButton, .rect = {0, 9000, 100, 100}, .tabIndex = 7,
       .caption = u"&Go"},
      {.name = "btnAmp", .kind = Kind::CommandButton, .tabIndex = 8, .caption = u"Fish && &Chips"},
      {.name = "lbl", .kind = Kind::Label, .tabIndex = 0, .caption = u"&Label"},
  };
}

class ModelTest : public ::testing::Test {
 protected:
  ModelTest()
      : app(backend, {u"Title", 1, 2, 3, u"/bin"}),
        form(app, {.name = "frmMain", .caption = u"Main"}, SampleControls()),
        other(app, {.name = "frmOther"}, {}),
        txt(form.Get<tk::TextBox>("txt")),
        lst(form.Get<tk::ListBox>("lst")),
        optA(form.Get<tk::OptionButton>("optA")),
        optB(form.Get<tk::OptionButton>("optB")),
        optOther(form.Get<tk::OptionButton>("optOther")) {}

  fakes::RecordingBackend backend;
  tk::Application app;
  tk::Form form;
  tk::Form other;
  tk::TextBox& txt;
  tk::ListBox& lst;
  tk::OptionButton& optA;
  tk::OptionButton& optB;
  tk::OptionButton& optOther;
};

TEST_F(ModelTest, SettingADifferentTextRaisesChangeNestedAndTheSameTextNothing) {
  std::vector<std::u16string> seen;
  txt.Change = [&] {
    seen.push_back(txt.GetText());
    if (txt.GetText() == u"outer") txt.SetText(u"inner");  // nested, inside the set
  };
  txt.SetText(u"start");
  EXPECT_TRUE(seen.empty());
  txt.SetText(u"outer");
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"outer", u"inner"}));
  EXPECT_EQ(txt.GetText(), u"inner");
  txt.UserTyped(u"typed");
  EXPECT_EQ(seen.back(), u"typed");
}

TEST_F(ModelTest, ListBoxesKeepOrderClearWithoutClickAndGuardTheirIndex) {
  int clicks = 0;
  lst.Click = [&] { ++clicks; };
  lst.AddItem(u"b");
  lst.AddItem(u"a");
  EXPECT_EQ(lst.ListCount(), 2);
  EXPECT_EQ(lst.List(0), u"b");
  EXPECT_EQ(lst.List(-1), u"");
  EXPECT_EQ(lst.ListIndex(), -1);
  lst.UserSelect(1);
  EXPECT_EQ(lst.ListIndex(), 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_THROW(lst.SetListIndex(2), std::out_of_range);
  EXPECT_EQ(lst.ListIndex(), 1);
  lst.Clear();
  EXPECT_EQ(lst.ListCount(), 0);
  EXPECT_EQ(lst.ListIndex(), -1);
  EXPECT_EQ(clicks, 1) << "Clear raises no Click";
}

TEST_F(ModelTest, ChoosingAnOptionClearsOnlyTheOthersOfItsContainer) {
  int clicksB = 0;
  optB.Click = [&] { ++clicksB; };
  optB.UserChoose();
  EXPECT_TRUE(optB.IsChosen());
  EXPECT_FALSE(optA.IsChosen());
  EXPECT_TRUE(optOther.IsChosen()) << "another container is another group";
  EXPECT_EQ(clicksB, 1);
  optB.UserChoose();
  EXPECT_EQ(clicksB, 1) << "choosing the chosen option changes nothing";
  optA.SetValue(true);
  EXPECT_FALSE(optB.IsChosen());
}

TEST_F(ModelTest, ShowingFocusesTheLowestTabIndexThatTakesFocus) {
  form.Show();
  EXPECT_EQ(form.ActiveControl(), &lst) << "the label at tab index 0 takes no focus";
  EXPECT_THROW(form["lbl"].SetFocus(), std::runtime_error);
}

TEST_F(ModelTest, GotFocusFollowsRealChangesOnlyAndMessageBoxesKeepTheFocus) {
  form.Show();
  int gotFocus = 0;
  txt.GotFocus = [&] {
    ++gotFocus;
    app.MsgBox(u"hello", tk::msgbox::kExclamation);
  };
  txt.UserFocus();
  txt.UserFocus();
  txt.SetFocus();
  EXPECT_EQ(gotFocus, 1);
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].title, u"Title") << "boxes bear the application title";
  EXPECT_EQ(backend.messages[0].style, tk::msgbox::kExclamation);
  EXPECT_EQ(form.ActiveControl(), &txt);
  lst.SetFocus();
  txt.SetFocus();
  EXPECT_EQ(gotFocus, 2);
}

TEST_F(ModelTest, AccessKeysPressButtonsAnywhereOnTheForm) {
  form.Show();
  int go = 0, chips = 0;
  form["btnGo"].Click = [&] { ++go; };
  form["btnAmp"].Click = [&] { ++chips; };
  form.UserAccessKey(u'G');
  EXPECT_EQ(go, 1) << "the button lies below the visible area and still answers";
  EXPECT_EQ(form.ActiveControl(), &form["btnGo"]);
  form.UserAccessKey(u'f');
  EXPECT_EQ(chips, 0) << "&& is a plain ampersand";
  form.UserAccessKey(u'c');
  EXPECT_EQ(chips, 1);
  form.UserAccessKey(u'l');  // a label's key presses nothing
  EXPECT_EQ(go + chips, 2);
}

TEST_F(ModelTest, UnloadRunsItsHandlerOnceAndTheLastFormEndsTheProgram) {
  form.Show();
  other.Show();
  int unloads = 0, otherUnloads = 0;
  other.Unload = [&](std::int16_t&) { ++otherUnloads; };
  form.Unload = [&](std::int16_t& cancel) {
    ++unloads;
    for (tk::Form* f : app.Forms()) f->UnloadForm();  // meets itself too
    cancel = 0;
  };
  EXPECT_EQ(app.Forms(), (std::vector<tk::Form*>{&form, &other}));
  form.UserClose();
  EXPECT_EQ(unloads, 1);
  EXPECT_EQ(otherUnloads, 1);
  EXPECT_TRUE(app.Forms().empty());
  EXPECT_TRUE(backend.quit);
}

TEST_F(ModelTest, ACancelledUnloadKeepsTheFormAndAReloadStartsFromTheDesign) {
  form.Show();
  form.Unload = [](std::int16_t& cancel) { cancel = 1; };
  txt.SetText(u"changed");
  form["btnGo"].SetMousePointer(tk::mouse::kCustom);
  form.UserClose();
  EXPECT_TRUE(form.Loaded());
  EXPECT_FALSE(backend.quit);
  form.Unload = nullptr;
  other.Show();
  form.UserClose();
  EXPECT_FALSE(form.Loaded());
  EXPECT_FALSE(backend.quit) << "another form is still open";
  int loads = 0;
  form.Load = [&] { ++loads; };
  form.Show();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(txt.GetText(), u"start");
  EXPECT_EQ(form["btnGo"].MousePointer(), tk::mouse::kDefault);
}

TEST_F(ModelTest, AnExceptionInAHandlerIsShownAndTheProgramGoesOn) {
  form.Show();
  form["btnGo"].Click = [&] { lst.SetListIndex(5); };
  form["btnGo"].UserClick();
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].style, tk::msgbox::kCritical);
  EXPECT_NE(backend.messages[0].text.find(u"ListIndex"), std::u16string::npos);
  EXPECT_TRUE(form.Loaded());
}

TEST_F(ModelTest, PendingInputRunsInsideDoEventsAndTheBusyCursorReachesTheBackend) {
  int ran = 0;
  backend.Post([&] { ++ran; });
  EXPECT_EQ(ran, 0);
  app.DoEvents();
  EXPECT_EQ(ran, 1);
  app.SetMousePointer(tk::mouse::kHourglass);
  app.SetMousePointer(tk::mouse::kDefault);
  EXPECT_EQ(backend.pointerHistory, (std::vector<int>{tk::mouse::kHourglass, tk::mouse::kDefault}));
  app.RegisterCursor(101, {"hand", 6, 0});
  EXPECT_EQ(app.LoadResCursor(101).hotX, 6);
  EXPECT_THROW(app.LoadResCursor(102), std::runtime_error);
}

}  // namespace
