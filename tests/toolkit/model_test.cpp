// The rules the forms model keeps whatever the backend, one table per rule.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/recording_backend.h"
#include "toolkit/application.h"

namespace {

using toolkit::ControlDesign;
using toolkit::Kind;

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

// A fresh application with two forms for every row.
struct Rig {
  support::RecordingBackend backend;
  toolkit::Application app{backend, {u"Title", 1, 2, 3, u"/bin"}};
  toolkit::Form form{app, {.name = "frmMain", .caption = u"Main"}, SampleControls()};
  toolkit::Form other{app, {.name = "frmOther"}, {}};
  toolkit::TextBox& txt = form.Get<toolkit::TextBox>("txt");
  toolkit::ListBox& lst = form.Get<toolkit::ListBox>("lst");
  toolkit::OptionButton& optA = form.Get<toolkit::OptionButton>("optA");
  toolkit::OptionButton& optB = form.Get<toolkit::OptionButton>("optB");
  toolkit::OptionButton& optOther = form.Get<toolkit::OptionButton>("optOther");
};

// Rows whose behaviour is easiest to say as a few lines of use and checks.
struct Scenario {
  const char* name;
  std::function<void(Rig&)> run;
};

void RunEach(const std::vector<Scenario>& rows) {
  for (const Scenario& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    row.run(rig);
  }
}

TEST(TextBoxChange, RaisesForADifferentTextOnlyAndNestsInsideTheSet) {
  struct Row {
    const char* name;
    bool typed;  // the user typed it; otherwise code set it
    std::u16string text;
    std::vector<std::u16string> changes;
  };
  const std::vector<Row> rows = {
      {"code sets the same text", false, u"start", {}},
      {"code sets another text", false, u"new", {u"new"}},
      {"a handler's own set runs inside the first", false, u"outer", {u"outer", u"inner"}},
      {"the user types another text", true, u"typed", {u"typed"}},
      {"the user types the same text", true, u"start", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    std::vector<std::u16string> seen;
    rig.txt.Change = [&] {
      seen.push_back(rig.txt.GetText());
      if (rig.txt.GetText() == u"outer") rig.txt.SetText(u"inner");
    };
    if (row.typed) {
      rig.txt.UserTyped(row.text);
    } else {
      rig.txt.SetText(row.text);
    }
    EXPECT_EQ(seen, row.changes);
    EXPECT_EQ(rig.txt.GetText(), row.changes.empty() ? u"start" : row.changes.back());
  }
}

TEST(ListBox, KeepsItsItemsAndSelectionAsTheRulesSay) {
  struct Row {
    const char* name;
    std::function<void(toolkit::ListBox&)> act;
    std::vector<std::u16string> items;
    int index;
    int clicks;
  };
  const auto twoItems = [](toolkit::ListBox& l) {
    l.AddItem(u"b");
    l.AddItem(u"a");
  };
  const std::vector<Row> rows = {
      {"items keep the order they came in", twoItems, {u"b", u"a"}, -1, 0},
      {"the user's selection raises Click",
       [&](toolkit::ListBox& l) {
         twoItems(l);
         l.UserSelect(1);
       },
       {u"b", u"a"}, 1, 1},
      {"a selection in code raises Click too",
       [&](toolkit::ListBox& l) {
         twoItems(l);
         l.SetListIndex(0);
       },
       {u"b", u"a"}, 0, 1},
      {"an index past the last item throws and keeps the selection",
       [&](toolkit::ListBox& l) {
         twoItems(l);
         l.UserSelect(1);
         EXPECT_THROW(l.SetListIndex(2), std::out_of_range);
       },
       {u"b", u"a"}, 1, 1},
      {"Clear empties the list and raises no Click",
       [&](toolkit::ListBox& l) {
         twoItems(l);
         l.UserSelect(1);
         l.Clear();
       },
       {}, -1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    int clicks = 0;
    rig.lst.Click = [&] { ++clicks; };
    row.act(rig.lst);
    EXPECT_EQ(rig.lst.Items(), row.items);
    EXPECT_EQ(rig.lst.ListIndex(), row.index);
    EXPECT_EQ(clicks, row.clicks);
    EXPECT_EQ(rig.lst.List(-1), u"");
    EXPECT_EQ(rig.lst.List(rig.lst.ListCount()), u"");
  }
}

TEST(ListBox, AFullListRefusesOneMoreItem) {
  Rig rig;
  for (std::size_t i = 0; i < toolkit::ListBox::kMaxItems; ++i) rig.lst.AddItem(u"x");
  EXPECT_THROW(rig.lst.AddItem(u"one too many"), std::length_error);
  EXPECT_EQ(static_cast<std::size_t>(rig.lst.ListCount()), toolkit::ListBox::kMaxItems);
}

TEST(OptionButton, ChoosingAnOptionClearsOnlyTheOthersOfItsContainer) {
  Rig rig;
  int clicksB = 0;
  rig.optB.Click = [&] { ++clicksB; };
  rig.optB.UserChoose();
  EXPECT_TRUE(rig.optB.IsChosen());
  EXPECT_FALSE(rig.optA.IsChosen());
  EXPECT_TRUE(rig.optOther.IsChosen()) << "another container is another group";
  EXPECT_EQ(clicksB, 1);
  rig.optB.UserChoose();
  EXPECT_EQ(clicksB, 1) << "choosing the chosen option changes nothing";
  rig.optA.SetValue(true);
  EXPECT_FALSE(rig.optB.IsChosen());
}

TEST(Focus, ShowingFocusesTheLowestTabIndexThatTakesFocus) {
  Rig rig;
  rig.form.Show();
  EXPECT_EQ(rig.form.ActiveControl(), &rig.lst) << "the label at tab index 0 takes no focus";
  EXPECT_THROW(rig.form["lbl"].SetFocus(), std::runtime_error);
}

TEST(Focus, GotFocusIsRaisedWhenTheFocusedControlChangesOnly) {
  struct Row {
    const char* name;
    std::function<void(Rig&)> act;
    int raised;
  };
  const std::vector<Row> rows = {
      {"the user focuses a control twice", [](Rig& r) { r.txt.UserFocus(); r.txt.UserFocus(); }, 1},
      {"code focuses the focused control", [](Rig& r) { r.txt.UserFocus(); r.txt.SetFocus(); }, 1},
      {"the focus leaves and comes back", [](Rig& r) { r.txt.SetFocus(); r.lst.SetFocus(); r.txt.SetFocus(); }, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    rig.form.Show();
    int raised = 0;
    rig.txt.GotFocus = [&] { ++raised; };
    row.act(rig);
    EXPECT_EQ(raised, row.raised);
  }
}

TEST(MessageBox, BearsTheApplicationTitleAndLeavesTheFocusWhereItWas) {
  Rig rig;
  rig.form.Show();
  int raised = 0;
  rig.txt.GotFocus = [&] {
    ++raised;
    rig.app.MsgBox(u"hello", toolkit::msgbox::kExclamation);
  };
  rig.txt.UserFocus();
  ASSERT_EQ(rig.backend.messages.size(), 1u);
  EXPECT_EQ(rig.backend.messages[0].title, u"Title");
  EXPECT_EQ(rig.backend.messages[0].style, toolkit::msgbox::kExclamation);
  EXPECT_EQ(rig.form.ActiveControl(), &rig.txt);
  EXPECT_EQ(raised, 1) << "closing the box raises no GotFocus";
}

TEST(AccessKeys, PressButtonsAnywhereOnTheForm) {
  struct Row {
    const char* name;
    char16_t letter;
    int go, chips;
    const char* focused;  // the control that has the focus afterwards
  };
  const std::vector<Row> rows = {
      {"a button below the visible area still answers", u'g', 1, 0, "btnGo"},
      {"the letter in upper case", u'G', 1, 0, "btnGo"},
      {"&& is a plain ampersand", u'f', 0, 0, "lst"},
      {"the letter after &&", u'c', 0, 1, "btnAmp"},
      {"a label's letter presses nothing", u'l', 0, 0, "lst"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    rig.form.Show();
    int go = 0, chips = 0;
    rig.form["btnGo"].Click = [&] { ++go; };
    rig.form["btnAmp"].Click = [&] { ++chips; };
    rig.form.UserAccessKey(row.letter);
    EXPECT_EQ(go, row.go);
    EXPECT_EQ(chips, row.chips);
    EXPECT_EQ(rig.form.ActiveControl(), &rig.form[row.focused]);
  }
}

TEST(Unload, RunsTheHandlerOnceAndStartsTheNextLoadFromTheDesign) {
  RunEach({
      {"a handler that walks the open forms unloads each once",
       [](Rig& r) {
         r.form.Show();
         r.other.Show();
         int unloads = 0, otherUnloads = 0;
         r.other.Unload = [&](std::int16_t&) { ++otherUnloads; };
         r.form.Unload = [&](std::int16_t&) {
           ++unloads;
           for (toolkit::Form* f : r.app.Forms()) f->UnloadForm();  // meets its own form too
         };
         EXPECT_EQ(r.app.Forms(), (std::vector<toolkit::Form*>{&r.form, &r.other}));
         r.form.UserClose();
         EXPECT_EQ(unloads, 1);
         EXPECT_EQ(otherUnloads, 1);
         EXPECT_TRUE(r.app.Forms().empty());
         EXPECT_TRUE(r.backend.quit);
       }},
      {"a reload starts from the design",
       [](Rig& r) {
         r.other.Show();
         r.form.Show();
         r.txt.SetText(u"changed");
         r.form["btnGo"].SetMousePointer(toolkit::mouse::kCustom);
         r.form.UserClose();
         int loads = 0;
         r.form.Load = [&] { ++loads; };
         r.form.Show();
         EXPECT_EQ(loads, 1);
         EXPECT_EQ(r.txt.GetText(), u"start");
         EXPECT_EQ(r.form["btnGo"].MousePointer(), toolkit::mouse::kDefault);
       }},
  });
}

TEST(Unload, TheProgramEndsWhenTheLastFormGoes) {
  struct Row {
    const char* name;
    bool otherOpen;
    std::int16_t cancel;
    bool stillLoaded, ended;
  };
  const std::vector<Row> rows = {
      {"the only form closes", false, 0, false, true},
      {"the handler cancels", false, 1, true, false},
      {"another form is still open", true, 0, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    rig.form.Show();
    if (row.otherOpen) rig.other.Show();
    rig.form.Unload = [&](std::int16_t& cancel) { cancel = row.cancel; };
    rig.form.UserClose();
    EXPECT_EQ(rig.form.Loaded(), row.stillLoaded);
    EXPECT_EQ(rig.backend.quit, row.ended);
  }
}

TEST(Dispatch, AnExceptionEscapingAHandlerIsShownAndTheFormStays) {
  Rig rig;
  rig.form.Show();
  rig.form["btnGo"].Click = [&] { rig.lst.SetListIndex(5); };
  rig.form["btnGo"].UserClick();
  ASSERT_EQ(rig.backend.messages.size(), 1u);
  EXPECT_EQ(rig.backend.messages[0].style, toolkit::msgbox::kCritical);
  EXPECT_NE(rig.backend.messages[0].text.find(u"ListIndex"), std::u16string::npos);
  EXPECT_TRUE(rig.form.Loaded());
}

TEST(Application, ServicesReachTheBackendOrTheResources) {
  RunEach({
      {"posted input waits for DoEvents",
       [](Rig& r) {
         int ran = 0;
         r.backend.Post([&] { ++ran; });
         EXPECT_EQ(ran, 0);
         r.app.DoEvents();
         EXPECT_EQ(ran, 1);
       }},
      {"the busy cursor reaches the screen",
       [](Rig& r) {
         r.app.SetMousePointer(toolkit::mouse::kHourglass);
         r.app.SetMousePointer(toolkit::mouse::kDefault);
         EXPECT_EQ(r.backend.pointerHistory, (std::vector<int>{toolkit::mouse::kHourglass, toolkit::mouse::kDefault}));
         EXPECT_EQ(r.app.MousePointer(), toolkit::mouse::kDefault);
       }},
      {"a registered cursor loads by its number, another throws",
       [](Rig& r) {
         r.app.RegisterCursor(101, {"hand", 6, 0});
         EXPECT_EQ(r.app.LoadResCursor(101).hotX, 6);
         EXPECT_THROW(r.app.LoadResCursor(102), std::runtime_error);
       }},
  });
}

}  // namespace
