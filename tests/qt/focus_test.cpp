// Focus moved by the user reaches the model; focus moved by the model or
// restored by Qt (a message box closing) raises no second GotFocus.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "qt_fixture.h"

namespace qt_test {
namespace {

using toolkit::Kind;

class FocusTest : public QtFormTest {
 protected:
  void BuildThree() {
    Build({Row("cmdGet", Kind::CommandButton, {70, 30, 2295, 350}, 1, u"&Get Exchange Rates"),
           Row("lblCount", Kind::Label, {2280, 675, 3285, 195}, 2, u"status"),
           Row("lstCurrency", Kind::ListBox, {120, 1000, 2535, 1500}, 8),
           Row("txtAmount", Kind::TextBox, {1440, 3000, 1575, 285}, 4, u"1.00")});
    for (const char* name : {"cmdGet", "txtAmount", "lstCurrency"})
      (*form)[name].GotFocus = [this, name] { got.push_back(name); };
    Show();
  }

  // Answers the box that the model is about to open, after `meanwhile` ran.
  void AnswerNextBox(std::function<void(QMessageBox&)> meanwhile) {
    QTimer::singleShot(0, [this, meanwhile] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->text(), box->icon(), box->textFormat()};
      meanwhile(*box);
      box->button(QMessageBox::Ok)->click();
    });
  }

  struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
  } seen;
  std::vector<std::string> got;
};

TEST_F(FocusTest, TabOrderAndUserFocusChangesReachTheModel) {
  BuildThree();
  EXPECT_EQ(got, std::vector<std::string>{"cmdGet"});
  EXPECT_TRUE(W("cmdGet")->hasFocus());
  EXPECT_EQ(W("lblCount")->focusPolicy(), Qt::NoFocus);

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(got, (std::vector<std::string>{"cmdGet", "txtAmount", "lstCurrency"}));
  EXPECT_EQ(form->ActiveControl()->Name(), "lstCurrency");
  EXPECT_TRUE(W("lstCurrency")->hasFocus());

  QTest::mouseClick(W("txtAmount"), Qt::LeftButton);
  EXPECT_EQ(form->ActiveControl()->Name(), "txtAmount");
  form->Get<toolkit::CommandButton>("cmdGet").SetFocus();
  EXPECT_TRUE(W("cmdGet")->hasFocus());
  EXPECT_EQ(got, (std::vector<std::string>{"cmdGet", "txtAmount", "lstCurrency", "txtAmount", "cmdGet"}));
}

TEST_F(FocusTest, OpeningGivesTheFocusToTheLowestTabIndexOnly) {
  // Qt, activating a window with no focus widget, would focus the first
  // widget created, here the one with the highest tab index.
  Build({Row("cmdConvert", Kind::CommandButton, {4440, 6120, 1215, 350}, 20, u"&Convert"),
         Row("txtAmount", Kind::TextBox, {1440, 3000, 1575, 285}, 4, u"1.00"),
         Row("lstSymbol", Kind::ListBox, {2520, 7200, 2175, 1425}, 0)});
  for (const char* name : {"cmdConvert", "txtAmount", "lstSymbol"})
    (*form)[name].GotFocus = [this, name] { got.push_back(name); };
  Show();
  QTest::qWait(20);
  EXPECT_EQ(got, std::vector<std::string>{"lstSymbol"});
  EXPECT_TRUE(W("lstSymbol")->hasFocus());
}

TEST_F(FocusTest, MessageBoxIsModalPlainAndGivesNoGotFocusWhenItCloses) {
  BuildThree();
  form->Get<toolkit::TextBox>("txtAmount").SetFocus();
  got.clear();
  AnswerNextBox([](QMessageBox&) {});
  EXPECT_EQ(app.MsgBox(u"Please select a currency <b>first</b>     ", toolkit::msgbox::kExclamation), toolkit::msgbox::kOk);
  QTest::qWait(50);
  EXPECT_EQ(seen.title, "Quillon");
  EXPECT_EQ(seen.text, "Please select a currency <b>first</b>     ");
  EXPECT_EQ(seen.format, Qt::PlainText);
  EXPECT_TRUE(got.empty());
  EXPECT_TRUE(W("txtAmount")->hasFocus());
  EXPECT_EQ(form->ActiveControl()->Name(), "txtAmount");
}

TEST_F(FocusTest, FocusMovedByTheModelWhileABoxIsOpenWins) {
  BuildThree();
  form->Get<toolkit::TextBox>("txtAmount").SetFocus();
  got.clear();
  AnswerNextBox([this](QMessageBox&) { form->Get<toolkit::ListBox>("lstCurrency").SetFocus(); });
  app.MsgBox(u"Please get the rates", toolkit::msgbox::kInformation);
  QTest::qWait(50);
  EXPECT_EQ(got, std::vector<std::string>{"lstCurrency"});
  EXPECT_TRUE(W("lstCurrency")->hasFocus());
}

TEST_F(FocusTest, MessageBoxIconFollowsTheStyle) {
  const struct {
    const char* name;
    int style;
    QMessageBox::Icon icon;
  } rows[] = {
      {"exclamation", toolkit::msgbox::kExclamation, QMessageBox::Warning},
      {"information", toolkit::msgbox::kInformation, QMessageBox::Information},
      {"critical", toolkit::msgbox::kCritical, QMessageBox::Critical},
      {"OK only", toolkit::msgbox::kOkOnly, QMessageBox::NoIcon},
  };
  BuildThree();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    AnswerNextBox([](QMessageBox&) {});
    app.MsgBox(u"text", row.style);
    EXPECT_EQ(seen.icon, row.icon);
  }
}

TEST_F(FocusTest, GotFocusHandlerMayShowABoxAndSendTheFocusOn) {
  BuildThree();
  int boxes = 0;
  auto& amount = form->Get<toolkit::TextBox>("txtAmount");
  amount.GotFocus = [&] {
    got.push_back("txtAmount");
    AnswerNextBox([&](QMessageBox&) { ++boxes; });
    app.MsgBox(u"Please get the rates first", toolkit::msgbox::kInformation);
    form->Get<toolkit::CommandButton>("cmdGet").SetFocus();
  };
  got.clear();
  QTest::keyClick(W("cmdGet"), Qt::Key_Tab);
  QTest::qWait(50);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(got, (std::vector<std::string>{"txtAmount", "cmdGet"}));
  EXPECT_TRUE(W("cmdGet")->hasFocus());
  EXPECT_EQ(form->ActiveControl()->Name(), "cmdGet");
}

}  // namespace
}  // namespace qt_test
