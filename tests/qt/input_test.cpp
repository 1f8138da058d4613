// What the user does with the widgets reaches the model, and only once; what
// the model does to the widgets is not reported back.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <optional>

#include "qt_fixture.h"

namespace qt_test {
namespace {

using toolkit::Kind;

class InputTest : public QtFormTest {
 protected:
  void BuildConverter() {
    Build({Row("Picture1", Kind::PictureBox, {120, 240, 3855, 3495}, 15),
           Row("cmdGet", Kind::CommandButton, {70, 30, 2295, 350}, 1, u"&Get Exchange Rates", "Picture1"),
           Row("Option1", Kind::OptionButton, {480, 240, 3015, 255}, 2, u"From Selected Currency To Euros", "Picture1"),
           Row("Option2", Kind::OptionButton, {480, 600, 3015, 255}, 3, u"From Euros To Selected Currency", "Picture1"),
           Row("txtAmount", Kind::TextBox, {1440, 1320, 1575, 285}, 4, u"1.00", "Picture1"),
           Row("lstCurrency", Kind::ListBox, {4000, 285, 2535, 2985}, 8),
           Row("cmdConvert", Kind::CommandButton, {4440, 6120, 1215, 350}, 20, u"&Convert")});
    for (const char* name : {"cmdGet", "cmdConvert", "Option1", "Option2", "lstCurrency", "Picture1"}) {
      (*form)[name].Click = [this, name] { clicks.push_back(name); };
    }
    form->Get<toolkit::TextBox>("txtAmount").Change = [this] { changes.push_back(form->Get<toolkit::TextBox>("txtAmount").GetText()); };
    auto& list = form->Get<toolkit::ListBox>("lstCurrency");
    for (auto item : {u"US Dollar", u"Australian Dollar", u"Brazilian Real"}) list.AddItem(item);
    form->Get<toolkit::OptionButton>("Option1").SetValue(true);
    clicks.clear();
    Show();
  }

  std::vector<std::string> clicks;
  std::vector<toolkit::Text> changes;
};

TEST_F(InputTest, EnterPressesOnlyTheFocusedButtonAndEscapeNothing) {
  BuildConverter();
  form->Get<toolkit::CommandButton>("cmdGet").SetFocus();
  QTest::keyClick(W("cmdGet"), Qt::Key_Return);
  EXPECT_EQ(clicks, std::vector<std::string>{"cmdGet"});
  QTest::keyClick(W("cmdGet"), Qt::Key_Escape);

  clicks.clear();
  for (const char* name : {"txtAmount", "lstCurrency"}) {
    (*form)[name].SetFocus();
    QTest::keyClick(W(name), Qt::Key_Return);
    QTest::keyClick(W(name), Qt::Key_Enter);
    QTest::keyClick(W(name), Qt::Key_Escape);
  }
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(form->Get<toolkit::ListBox>("lstCurrency").ListIndex(), -1);
}

TEST_F(InputTest, AccessKeysPressButtonsThroughTheModelEvenBelowTheWindow) {
  BuildConverter();
  form->Get<toolkit::TextBox>("txtAmount").SetFocus();
  QTest::keyClick(W("txtAmount"), Qt::Key_G, Qt::AltModifier);
  EXPECT_EQ(clicks, std::vector<std::string>{"cmdGet"});
  EXPECT_EQ(form->ActiveControl()->Name(), "cmdGet");
  EXPECT_TRUE(W("cmdGet")->hasFocus());

  clicks.clear();
  QTest::keyClick(W("cmdGet"), Qt::Key_C, Qt::AltModifier);
  // Qt's own mnemonic would click again a moment later; only the model's press counts.
  QTest::qWait(300);
  EXPECT_EQ(clicks, std::vector<std::string>{"cmdConvert"});
  EXPECT_EQ(form->ActiveControl()->Name(), "cmdConvert");
}

TEST_F(InputTest, TypingRaisesChangeAndTheModelsTextIsNotEchoed) {
  BuildConverter();
  auto* edit = W<QLineEdit>("txtAmount");
  EXPECT_EQ(edit->text(), "1.00");
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "25");
  EXPECT_EQ(changes, (std::vector<toolkit::Text>{u"2", u"25"}));
  EXPECT_EQ(form->Get<toolkit::TextBox>("txtAmount").GetText(), u"25");

  changes.clear();
  form->Get<toolkit::TextBox>("txtAmount").SetText(u"7.50");
  EXPECT_EQ(edit->text(), "7.50");
  EXPECT_EQ(changes, std::vector<toolkit::Text>{u"7.50"});
}

TEST_F(InputTest, MultiLineTextBoxMirrorsAndReportsTyping) {
  auto page = Row("rtbMain", Kind::TextBox, {5040, 1080, 2055, 1695}, 12);
  page.multiLine = page.scrollBars = true;
  Build({page});
  int changed = 0;
  auto& box = form->Get<toolkit::TextBox>("rtbMain");
  box.Change = [&] { ++changed; };
  Show();
  auto* edit = W<QPlainTextEdit>("rtbMain");
  EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  box.SetText(u"<table>\nrow");
  EXPECT_EQ(edit->toPlainText(), "<table>\nrow");
  EXPECT_EQ(changed, 1);
  edit->setFocus();
  edit->moveCursor(QTextCursor::End);
  QTest::keyClicks(edit, "s");
  EXPECT_EQ(box.GetText(), u"<table>\nrows");
  EXPECT_EQ(changed, 2);
}

// A page box below the window's edge keeps a long text in the model alone
// until the user can see or reach the box.
TEST_F(InputTest, AMultiLineBoxOutOfSightTakesItsTextWhenUncoveredOrFocused) {
  struct Case {
    const char* name;
    std::function<void()> reveal;
  };
  const std::vector<Case> cases = {
      {"window enlarged", [this] { Window()->resize(Window()->width(), 640); }},
      {"focused", [this] { form->Get<toolkit::TextBox>("rtbMain").SetFocus(); }},
  };
  const std::u16string text = std::u16string(200000, u'x') + u"\nlast row";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto page = Row("rtbMain", Kind::TextBox, {5040, 7080, 2055, 1695}, 12);
    page.multiLine = page.scrollBars = true;
    Build({Row("cmdGet", Kind::CommandButton, {70, 30, 2295, 350}, 1, u"&Get"), page});
    auto& box = form->Get<toolkit::TextBox>("rtbMain");
    int changed = 0;
    box.Change = [&] { ++changed; };
    Show();
    auto* edit = W<QPlainTextEdit>("rtbMain");
    box.SetText(text);
    QTest::qWait(50);
    EXPECT_EQ(box.GetText(), text);
    EXPECT_TRUE(edit->toPlainText().isEmpty()) << "laid out while out of sight";

    c.reveal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit->toPlainText() == QString::fromStdU16String(text); }, 3000));
    EXPECT_EQ(changed, 1) << "the late copy is no change of the user's";
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit, "s");
    EXPECT_EQ(box.GetText(), text + u"s");
  }
}

TEST_F(InputTest, ListSelectionByUserRaisesOneClickAndModelChangesMirror) {
  BuildConverter();
  auto* list = W<QListWidget>("lstCurrency");
  auto& box = form->Get<toolkit::ListBox>("lstCurrency");
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(1)->text(), "Australian Dollar");

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
  EXPECT_EQ(box.ListIndex(), 2);
  EXPECT_EQ(clicks, std::vector<std::string>{"lstCurrency"});
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(box.ListIndex(), 1);
  EXPECT_EQ(clicks.size(), 2u);

  clicks.clear();
  box.SetListIndex(-1);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  box.SetListIndex(0);  // a selection in code raises Click once, in the model
  EXPECT_TRUE(list->item(0)->isSelected());
  box.Clear();
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(clicks, std::vector<std::string>{"lstCurrency"});
}

// With nothing selected the list gets the focus with no current row (a
// screen reader would call it chosen); the first Down or Space selects the
// first row.
TEST_F(InputTest, AListWithNothingSelectedStartsAtItsFirstRow) {
  BuildConverter();
  auto* list = W<QListWidget>("lstCurrency");
  auto& box = form->Get<toolkit::ListBox>("lstCurrency");
  for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Space}) {
    SCOPED_TRACE(key);
    box.SetListIndex(-1);
    form->Get<toolkit::TextBox>("txtAmount").SetFocus();
    clicks.clear();
    QTest::keyClick(W("txtAmount"), Qt::Key_Tab);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_FALSE(list->currentIndex().isValid());
    EXPECT_TRUE(clicks.empty());
    QTest::keyClick(list, key);
    EXPECT_EQ(box.ListIndex(), 0);
    EXPECT_EQ(clicks, std::vector<std::string>{"lstCurrency"});
  }
}

TEST_F(InputTest, ChoosingAnOptionClearsTheOtherOfItsContainer) {
  BuildConverter();
  auto* one = W<QRadioButton>("Option1");
  auto* two = W<QRadioButton>("Option2");
  EXPECT_TRUE(one->isChecked());
  QTest::mouseClick(two, Qt::LeftButton, {}, QPoint(8, two->height() / 2));
  EXPECT_TRUE(form->Get<toolkit::OptionButton>("Option2").IsChosen());
  EXPECT_FALSE(form->Get<toolkit::OptionButton>("Option1").IsChosen());
  EXPECT_TRUE(two->isChecked());
  EXPECT_FALSE(one->isChecked());
  EXPECT_EQ(clicks, std::vector<std::string>{"Option2"});

  // Clicking the chosen option leaves it chosen and raises nothing.
  QTest::mouseClick(two, Qt::LeftButton, {}, QPoint(8, two->height() / 2));
  EXPECT_TRUE(two->isChecked());
  EXPECT_EQ(clicks.size(), 1u);
}

// A picture that acts when clicked is a link: Tab reaches it and Space or
// Enter clicks it. A picture holding controls, or doing nothing, is passed by.
TEST_F(InputTest, PicturesThatActWhenClickedAreLinksTheKeyboardReaches) {
  auto icon = Row("picIcon", Kind::PictureBox, {120, 120, 1065, 2205}, 11);
  icon.border = true;
  icon.picture.resource = PictureFile("name.png", 67, 143);
  auto donate = Row("Image2", Kind::Image, {2880, 840, 930, 465}, 12);
  donate.picture.resource = PictureFile("donate.png", 62, 31);
  // A caption listed first lies in front of the image, yet takes no clicks.
  Build({Row("lblDisclaimer", Kind::Label, {2000, 240, 3870, 1185}, 4, u"Freeware"), icon, donate,
         Row("Picture1", Kind::PictureBox, {6000, 0, 1500, 1500}, 1),
         Row("cmdIn", Kind::CommandButton, {0, 0, 900, 300}, 2, u"In", "Picture1"),
         Row("Image3", Kind::Image, {6000, 2000, 720, 720}, 3)});
  int iconClicks = 0, imageClicks = 0;
  (*form)["picIcon"].Click = [&] { ++iconClicks; };
  (*form)["Image2"].Click = [&] { ++imageClicks; };
  (*form)["Picture1"].Click = [] {};
  // A window's constructor wires its handlers before its widgets exist.
  form->UnloadForm();
  form->LoadForm();
  Show();

  EXPECT_EQ(W<QFrame>("picIcon")->frameWidth(), 2);
  for (const char* name : {"picIcon", "Image2"}) EXPECT_EQ(W(name)->focusPolicy(), Qt::StrongFocus) << name;
  for (const char* name : {"Picture1", "Image3"}) EXPECT_EQ(W(name)->focusPolicy(), Qt::NoFocus) << name;
  QTest::mouseClick(W("picIcon"), Qt::LeftButton, {}, QPoint(10, 10));
  // Through the window, so the click finds its way past the caption.
  QTest::mouseClick(Window()->windowHandle(), Qt::LeftButton, {}, W("Image2")->mapTo(Window(), QPoint(5, 5)));
  EXPECT_EQ(iconClicks, 1);
  EXPECT_EQ(imageClicks, 1);
  EXPECT_EQ(form->ActiveControl()->Name(), "Image2");

  const QImage unfocused = W("picIcon")->grab().toImage();
  QTest::keyClick(W("Image2"), Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_TRUE(W("picIcon")->hasFocus());
  EXPECT_NE(W("picIcon")->grab().toImage(), unfocused) << "the focus shows";
  QTest::keyClick(W("picIcon"), Qt::Key_Space);
  QTest::keyClick(W("picIcon"), Qt::Key_Return);
  EXPECT_EQ(iconClicks, 3);
  EXPECT_EQ(imageClicks, 1);
}

TEST_F(InputTest, MouseMovesReachTheModelInTwips) {
  Build({Row("Command2", Kind::CommandButton, {4320, 2040, 1245, 345}, 8, u"&Brimlow")});
  std::vector<std::pair<float, float>> moves;
  (*form)["Command2"].MouseMove = [&](int, int, float x, float y) { moves.emplace_back(x, y); };
  Show();
  QTest::mouseMove(W("Command2"), QPoint(10, 4));
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back(), std::make_pair(150.0f, 60.0f));
}

TEST_F(InputTest, MousePointerShowsOverItsControl) {
  const struct {
    const char* name;
    int pointer;
    std::optional<Qt::CursorShape> shape;  // none: the widget sets no cursor of its own
  } rows[] = {
      {"custom: the control's icon", toolkit::mouse::kCustom, Qt::BitmapCursor},
      {"hourglass", toolkit::mouse::kHourglass, Qt::WaitCursor},
      {"default", toolkit::mouse::kDefault, std::nullopt},
  };
  Build({Row("Command2", Kind::CommandButton, {4320, 2040, 1245, 345}, 8, u"&Brimlow")});
  auto& button = (*form)["Command2"];
  button.SetMouseIcon({PictureFile("hand.png", 32, 32), 6, 0});
  Show();
  QWidget* widget = W("Command2");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    button.SetMousePointer(row.pointer);
    const bool own = widget->testAttribute(Qt::WA_SetCursor);
    EXPECT_EQ(own ? std::optional(widget->cursor().shape()) : std::nullopt, row.shape);
    if (row.shape == Qt::BitmapCursor) {
      EXPECT_EQ(widget->cursor().hotSpot(), QPoint(6, 0));
    }
  }
}

}  // namespace
}  // namespace qt_test
