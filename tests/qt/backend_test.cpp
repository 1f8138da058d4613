// The program's life on the Qt backend: closing, unloading from inside the
// window's own handlers, the event loop, the busy cursor, pending events.
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "qt_fixture.h"

namespace qt_test {
namespace {

using toolkit::Kind;

class BackendTest : public QtFormTest {
 protected:
  void BuildWithExit() {
    Build({Row("cmdClose", Kind::CommandButton, {2640, 3150, 1215, 350}, 7, u"&Exit")});
    form->Unload = [this](std::int16_t& cancel) {
      ++unloads;
      cancel = refuse;
    };
    (*form)["cmdClose"].Click = [this] { form->UnloadForm(); };
    Show();
  }

  // Runs the loop with `input` as the first thing in it; a hang guard ends it.
  bool RunWith(std::function<void()> input) {
    bool guardFired = false;
    QTimer::singleShot(0, std::move(input));
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
      guardFired = true;
      QCoreApplication::quit();
    });
    guard.start(10000);
    app.Run();
    return !guardFired;
  }

  int unloads = 0;
  std::int16_t refuse = 0;
};

TEST_F(BackendTest, CloseBoxUnloadsTheFormAndEndsTheProgram) {
  BuildWithExit();
  QPointer<QWidget> window = Window();
  EXPECT_EQ(QWidget::find(static_cast<WId>(form->hWnd())), window.data());

  refuse = 1;
  window->close();
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(form->Loaded());
  EXPECT_TRUE(window->isVisible());

  refuse = 0;
  EXPECT_TRUE(RunWith([&] { window->close(); }));
  EXPECT_EQ(unloads, 2);
  EXPECT_FALSE(form->Loaded());
  EXPECT_TRUE(app.Ended());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());
}

TEST_F(BackendTest, ButtonThatUnloadsItsOwnFormIsDeletedSafely) {
  BuildWithExit();
  QPointer<QPushButton> exit = W<QPushButton>("cmdClose");
  EXPECT_TRUE(RunWith([&] { QTest::mouseClick(exit, Qt::LeftButton); }));
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(app.Ended());

  // Loaded again, the form gets a new window with the design's state.
  form->Show();
  EXPECT_NE(Window(), nullptr);
  EXPECT_TRUE(Window()->isVisible());
}

TEST_F(BackendTest, QuitBeforeTheLoopMakesRunReturnAtOnce) {
  backend.Quit();
  EXPECT_EQ(backend.Run(), 0);
}

TEST_F(BackendTest, BusyCursorIsOneBalancedOverride) {
  app.SetMousePointer(toolkit::mouse::kHourglass);
  app.SetMousePointer(toolkit::mouse::kHourglass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  app.SetMousePointer(toolkit::mouse::kDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  app.SetMousePointer(toolkit::mouse::kDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(BackendTest, DoEventsRunsPendingInputAndPaintsNewCaptions) {
  Build({Row("lblCount", Kind::Label, {2280, 675, 3285, 195}, 14, u"Click")});
  Show();
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  W("lblCount")->installEventFilter(&counter);
  form->Get<toolkit::Label>("lblCount").SetCaption(u"Downloading Current Exchange Rates");
  app.DoEvents();
  EXPECT_TRUE(ran);
  EXPECT_GE(counter.paints, 1);
}

TEST_F(BackendTest, OffloadedWorkLeavesTheLoopAnsweringAndACloseForAfterIt) {
  BuildWithExit();
  std::atomic<bool> answered = false;
  // Runs only if the loop goes on while the work waits for it.
  QTimer::singleShot(0, [&] {
    answered = true;
    Window()->close();
  });
  const bool sawAnswer = app.Offload([&] {
    for (int i = 0; i < 1000 && !answered; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return answered.load();
  });
  EXPECT_TRUE(sawAnswer);
  EXPECT_EQ(unloads, 0) << "the close ran inside the waiting handler";
  app.DoEvents();
  EXPECT_EQ(unloads, 1);
  EXPECT_THROW(app.Offload([]() -> int { throw std::runtime_error("lost"); }), std::runtime_error);
}

TEST_F(BackendTest, ShowingAShownFormKeepsItsOneWindow) {
  Build({});
  form->Show();
  QWidget* first = Window();
  form->Show();
  EXPECT_EQ(Window(), first);
  EXPECT_TRUE(first->isVisible());
  form->SetCaption(u"About Quillon");
  EXPECT_EQ(first->windowTitle(), "About Quillon");
}

}  // namespace
}  // namespace qt_test
