// The program's own two windows on the Qt backend: where their tables put
// each control at 96 dpi, their Tab chains, the focus a user can see, and
// what enlarging the main window uncovers.
#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

#include "about/frm_about.h"
#include "main_window/frm_converter.h"
#include "qt_fixture.h"
#include "quillon_resources.h"
#include "support/fake_system.h"

namespace qt_test {
namespace {

const std::string kOneRow =
    "using values from today<BR><td>&nbsp;&nbsp;&nbsp;&nbsp;<img>Australian Dollar <font><a href=\"x.html\">1.7612</a>";

// The five working controls the design puts below the client area.
const std::vector<std::string> kOutOfSight = {"cmdConvert", "lstSymbol", "rtbMain", "lstRate", "lblCurr"};

class RealWindowsTest : public QtFormTest, protected support::FakeSystem {
 protected:
  RealWindowsTest() {
    QuillonInitResources();
    settings.locale = {u',', u'.'};
    settings.ratesUrl = u"http://127.0.0.1:9/rates";
    about = std::make_unique<about::FrmAbout>(app, services);
    main = std::make_unique<main_window::FrmConverter>(app, services, settings, about.get());
    main->Show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Of(*main)));
  }
  ~RealWindowsTest() override {
    const auto open = app.Forms();
    if (std::find(open.begin(), open.end(), main.get()) != open.end()) main->UnloadForm();
  }

  static QWidget* Of(const toolkit::Form& form) { return QWidget::find(static_cast<WId>(form.hWnd())); }
  static QWidget* W(const toolkit::Form& form, const std::string& name) {
    QWidget* widget = Of(form)->findChild<QWidget*>(QString::fromStdString(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QWidget* W(const std::string& name) const { return W(*main, name); }

  void FetchAndChoose() {
    internet.body = kOneRow;
    main->cmdGet_Click();
    ASSERT_EQ(main->lstCurrency.ListCount(), 1);
    main->lstCurrency.UserSelect(0);
  }

  // The widgets Tab visits, in order, from the first of the chain.
  static std::vector<std::string> TabChain(QWidget* window) {
    std::vector<std::string> chain;
    QWidget* w = window;
    do {
      w = w->nextInFocusChain();
      if (!w->objectName().isEmpty() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled())
        chain.push_back(w->objectName().toStdString());
    } while (w != window);
    return chain;
  }

  // The widget as painted, so a test can tell whether its focus shows.
  static QImage Look(QWidget* w) { return w->grab().toImage(); }

  main_window::ConverterSettings settings;
  std::unique_ptr<about::FrmAbout> about;
  std::unique_ptr<main_window::FrmConverter> main;
};

TEST_F(RealWindowsTest, EveryControlStandsWhereItsTableSaysAt96Dpi) {
  about->Show();
  const struct {
    const char* form;
    const char* name;
    QRect px;
    bool sizedToText = false;
  } rows[] = {
      {"frmConverter", "cmdConvert", {296, 408, 81, 23}},   {"frmConverter", "lstSymbol", {168, 480, 145, 95}},
      {"frmConverter", "rtbMain", {336, 472, 137, 113}},    {"frmConverter", "Frame2", {200, 80, 273, 257}},
      {"frmConverter", "Picture1", {8, 16, 257, 233}},      {"frmConverter", "cmdCodes", {0, 210, 81, 23}},
      {"frmConverter", "cmdClose", {176, 210, 81, 23}},     {"frmConverter", "cmdAbout", {88, 210, 81, 23}},
      {"frmConverter", "Option1", {32, 16, 201, 17}},       {"frmConverter", "Option2", {32, 40, 201, 17}},
      {"frmConverter", "txtAmount", {96, 88, 105, 19}},     {"frmConverter", "Frame3", {0, 140, 257, 57}},
      {"frmConverter", "lblValue", {8, 24, 240, 13}},       {"frmConverter", "Label1", {16, 91, 64, 13}, true},
      {"frmConverter", "lstRate", {8, 480, 145, 95}},       {"frmConverter", "Frame1", {8, 80, 185, 257}},
      {"frmConverter", "Picture2", {12, 224, 161, 31}},     {"frmConverter", "cmdGet", {5, 2, 153, 23}},
      {"frmConverter", "lstCurrency", {8, 19, 169, 199}},   {"frmConverter", "lblCurr", {160, 416, 27, 13}, true},
      {"frmConverter", "Image2", {24, 8, 48, 48}},          {"frmConverter", "lblCount", {152, 45, 219, 13}, true},
      {"frmConverter", "Image1", {136, 0, 243, 41}},        {"frmConverter", "Label2", {0, 0, 481, 65}},
      {"frmAbout", "picIcon", {8, 8, 71, 147}},             {"frmAbout", "lblTitle", {104, 16, 187, 16}},
      {"frmAbout", "lblVersion", {104, 40, 155, 15}},       {"frmAbout", "Frame1", {8, 160, 273, 97}},
      {"frmAbout", "lblDisclaimer", {8, 16, 258, 79}},      {"frmAbout", "Image2", {192, 56, 62, 31}},
      {"frmAbout", "Frame2", {104, 56, 265, 73}},           {"frmAbout", "lblDescription", {16, 11, 237, 54}},
      {"frmAbout", "Command1", {104, 136, 153, 23}},        {"frmAbout", "Command2", {288, 136, 83, 23}},
      {"frmAbout", "Command3", {286, 185, 83, 23}},         {"frmAbout", "Command4", {286, 232, 83, 23}},
      {"frmAbout", "Image1", {320, 8, 48, 48}},
  };
  for (const auto& row : rows) {
    const toolkit::Form& form = std::string(row.form) == "frmAbout" ? static_cast<toolkit::Form&>(*about) : *main;
    const QWidget* w = W(form, row.name);
    if (!w) continue;
    if (row.sizedToText)
      EXPECT_EQ(w->pos(), row.px.topLeft()) << row.name;
    else
      EXPECT_EQ(w->geometry(), row.px) << row.form << " " << row.name;
  }
  EXPECT_EQ(Of(*main)->size(), QSize(480, 344));
  EXPECT_EQ(Of(*about)->size(), QSize(382, 266));
  // Neither window shrinks below its design; only the main window grows.
  EXPECT_EQ(Of(*main)->minimumSize(), QSize(480, 344));
  EXPECT_EQ(Of(*about)->minimumSize(), QSize(382, 266));
  EXPECT_EQ(Of(*about)->maximumSize(), QSize(382, 266));
}

TEST_F(RealWindowsTest, TabVisitsOnlyControlsInSightAndNoContainer) {
  EXPECT_EQ(TabChain(Of(*main)), (std::vector<std::string>{"cmdGet", "Option1", "Option2", "txtAmount", "cmdCodes",
                                                          "cmdAbout", "cmdClose", "lstCurrency"}));
  EXPECT_TRUE(W("cmdGet")->hasFocus()) << "the start focus";
  about->Show();
  // The chain is a ring: read it from the start focus.
  auto ring = TabChain(Of(*about));
  std::rotate(ring.begin(), std::find(ring.begin(), ring.end(), about->ActiveControl()->Name()), ring.end());
  EXPECT_EQ(ring, (std::vector<std::string>{"Command1", "Command2", "Command3", "Command4", "picIcon", "Image2"}));
}

TEST_F(RealWindowsTest, TabFromTheListStaysInSightAndLeavesThePageBox) {
  FetchAndChoose();  // so the amount box lets the focus stay
  const struct {
    const char* name;
    const char* from;
    Qt::KeyboardModifiers modifiers;
    const char* to;  // empty: any Tab stop but the one it came from
  } rows[] = {
      {"Tab from the currency list, the last stop, wraps", "lstCurrency", Qt::NoModifier, "cmdGet"},
      {"Shift+Tab from the first stop", "cmdGet", Qt::ShiftModifier, "lstCurrency"},
      {"Tab out of the page box", "rtbMain", Qt::NoModifier, ""},
      {"Shift+Tab out of the page box", "rtbMain", Qt::ShiftModifier, ""},
  };
  const std::vector<std::string> stops = TabChain(Of(*main));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    (*main)[row.from].SetFocus();
    ASSERT_TRUE(W(row.from)->hasFocus());
    QTest::keyClick(W(row.from), Qt::Key_Tab, row.modifiers);
    QWidget* now = QApplication::focusWidget();
    ASSERT_NE(now, nullptr);
    const std::string landed = now->objectName().toStdString();
    if (*row.to) {
      EXPECT_EQ(landed, row.to);
    } else {
      EXPECT_NE(landed, row.from);
      EXPECT_EQ(std::count(stops.begin(), stops.end(), landed), 1) << landed;
    }
    EXPECT_EQ(main->ActiveControl()->Name(), landed);
  }
  EXPECT_EQ(main->rtbMain.GetText().find(u'\t'), std::u16string::npos);
}

TEST_F(RealWindowsTest, TheFocusShowsOnEveryControlThatTakesIt) {
  auto answerNextBox = [] {
    QTimer::singleShot(0, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        box->button(QMessageBox::Ok)->click();
    });
  };
  const struct {
    const char* name;
    const char* control;
    bool afterMessageBox;
  } rows[] = {
      {"an empty list", "lstCurrency", false},
      {"a button clicked, then a message box", "cmdCodes", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    main->cmdClose.SetFocus();
    const QImage unfocused = Look(W(row.control));
    if (row.afterMessageBox) {
      QTest::mouseClick(W(row.control), Qt::LeftButton);
      answerNextBox();
      app.MsgBox(u"Please select a currency     ", toolkit::msgbox::kExclamation);
      QTest::qWait(20);
    } else {
      QTest::mouseClick(W(row.control), Qt::LeftButton, {}, QPoint(3, 3));
    }
    ASSERT_TRUE(W(row.control)->hasFocus());
    EXPECT_NE(Look(W(row.control)), unfocused);
  }
}

// The result line takes no focus, yet the keyboard copies it: Ctrl+C from
// wherever nothing of the focused control's own is selected, and the menu key.
TEST_F(RealWindowsTest, TheKeyboardCopiesTheResultLine) {
  FetchAndChoose();
  const QString result = QString::fromStdU16String(main->lblValue.Caption());
  auto* amount = qobject_cast<QLineEdit*>(W("txtAmount"));
  const struct {
    const char* name;
    const char* focus;
    bool selectAll;
    QString copied;
  } rows[] = {
      {"from a button", "cmdAbout", false, result},
      {"from the list", "lstCurrency", false, result},
      {"from the amount with nothing selected", "txtAmount", false, result},
      {"the amount's own selection", "txtAmount", true, amount->text()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QGuiApplication::clipboard()->clear();
    (*main)[row.focus].SetFocus();
    amount->deselect();
    if (row.selectAll) amount->selectAll();
    QTest::keyClick(W(row.focus), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), row.copied);
  }

  main->lstCurrency.SetFocus();
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), W("lstCurrency")->mapToGlobal(QPoint(1, 1)));
  QApplication::sendEvent(W("lstCurrency"), &key);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr) << "the menu key opens the line's menu";
  ASSERT_EQ(menu->actions().size(), 1);
  QGuiApplication::clipboard()->clear();
  menu->actions().front()->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), result);
  menu->close();
}

TEST_F(RealWindowsTest, EnlargingUncoversTheFiveOutOfSightControlsAndNothingMoves) {
  QWidget* window = Of(*main);
  const QRect client = window->rect();
  std::map<std::string, QRect> before;
  for (const auto& control : main->Controls()) {
    if (control->GetKind() == toolkit::Kind::Line) continue;
    QWidget* w = W(control->Name());
    before[control->Name()] = QRect(w->mapTo(window, QPoint(0, 0)), w->size());
  }
  for (const std::string& name : kOutOfSight)
    EXPECT_FALSE(client.intersects(before[name])) << name << " is in sight at the designed size";

  window->resize(700, 640);
  QCoreApplication::processEvents();
  for (const auto& [name, rect] : before) {
    QWidget* w = W(name);
    EXPECT_EQ(QRect(w->mapTo(window, QPoint(0, 0)), w->size()), rect) << name << " moved";
  }
  for (const std::string& name : kOutOfSight) {
    EXPECT_TRUE(window->rect().contains(before[name])) << name;
    EXPECT_TRUE(W(name)->isVisible()) << name;
  }
}

TEST_F(RealWindowsTest, AWindowTakesBackAStateItsTitleBarOffersNoButtonFor) {
  about->Show();
  const struct {
    const char* name;
    QWidget* window;
    Qt::WindowState state;
    bool kept;
  } rows[] = {
      {"main window maximized", Of(*main), Qt::WindowMaximized, false},
      {"main window minimized", Of(*main), Qt::WindowMinimized, true},
      {"About maximized", Of(*about), Qt::WindowMaximized, false},
      {"About minimized", Of(*about), Qt::WindowMinimized, false},
  };
  for (const auto& row : rows) {
    row.window->setWindowState(row.state);
    QTest::qWait(50);
    EXPECT_EQ(bool(row.window->windowState() & row.state), row.kept) << row.name;
    row.window->setWindowState(Qt::WindowNoState);
    QTest::qWait(20);
  }
}

TEST_F(RealWindowsTest, TheAmountSetByAnyHandConvertsOnce) {
  FetchAndChoose();
  main->Option2.UserChoose();
  int changes = 0;
  const auto handler = main->txtAmount.Change;
  main->txtAmount.Change = [&] {
    ++changes;
    handler();
  };
  auto* edit = qobject_cast<QLineEdit*>(W("txtAmount"));
  ASSERT_NE(edit, nullptr);
  const struct {
    const char* name;
    std::function<void()> change;
    std::u16string shown;
  } rows[] = {
      // What a screen reader's setTextContents does to the box.
      {"through the accessibility interface",
       [&] {
         QAccessibleInterface* access = QAccessible::queryAccessibleInterface(edit);
         ASSERT_NE(access, nullptr);
         ASSERT_NE(access->editableTextInterface(), nullptr);
         access->editableTextInterface()->replaceText(0, static_cast<int>(edit->text().size()), "3");
       },
       u"5,28  Australian Dollar"},
      {"by the widget's own setter", [&] { edit->setText("100"); }, u"176,12  Australian Dollar"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    changes = 0;
    row.change();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(main->txtAmount.GetText(), edit->text().toStdU16String());
    EXPECT_EQ(main->lblValue.Caption(), row.shown);
  }
}

// The window's loop goes on (a timer of its thread fires) while either
// network call of Get Exchange Rates hangs.
TEST_F(RealWindowsTest, TheLoopRunsWhileTheReachabilityCheckOrTheDownloadWaits) {
  internet.body = kOneRow;
  const struct {
    const char* name;
    std::function<void()> support::FakeInternet::*stall;
  } rows[] = {
      {"the reachability check", &support::FakeInternet::onCheck},
      {"the download", &support::FakeInternet::onOpenUrl},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::atomic<bool> ticked = false;
    bool tickedDuring = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ticked = true; });
    timer.start(0);
    internet.*row.stall = [&] {
      ticked = false;  // the window's own repaint before the download ticks too
      for (int waited = 0; waited < 500 && !ticked; ++waited) QThread::msleep(10);
      tickedDuring = ticked;
    };
    main->cmdGet_Click();
    internet.*row.stall = nullptr;
    EXPECT_TRUE(tickedDuring);
    EXPECT_EQ(main->lstCurrency.ListCount(), 1);
  }
}

}  // namespace
}  // namespace qt_test
