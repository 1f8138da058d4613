// What the desktop around the windows asks of them: any theme's colours,
// screens of two device pixels a pixel, screen readers, copying.
#include <QAccessible>
#include <QClipboard>
#include <QMenu>
#include <QLabel>
#include <QPainter>
#include <optional>

#include "qt_fixture.h"
#include "toolkit/qt/qt_util.h"

namespace qt_test {
namespace {

using toolkit::Kind;

QPalette DarkPalette() {
  QPalette dark = QApplication::palette();
  dark.setColor(QPalette::Window, QColor(0x22, 0x20, 0x20));
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Base, QColor(0x3d, 0x3d, 0x3d));
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Button, QColor(0x42, 0x42, 0x45));
  dark.setColor(QPalette::ButtonText, Qt::white);
  return dark;
}

class DesktopTest : public QtFormTest {
 protected:
  void TearDown() override {
    QApplication::setPalette(light_);
    QApplication::setFont(font_);
  }

  // The About window's text and the main window's top band.
  void BuildColouredRows() {
    auto heading = Row("lblTitle", Kind::Label, {1560, 1240, 2805, 240}, 1, u"Quillon");
    heading.foreColor = toolkit::Color{0, 0, 255};
    auto body = Row("lblDescription", Kind::Label, {240, 1600, 3555, 810}, 6, u"Quillon is Freeware.");
    body.foreColor = toolkit::Color{0, 0, 0};
    auto status = Row("lblCount", Kind::Label, {2280, 675, 3285, 195}, 14, u"Rates");
    status.foreColor = toolkit::Color{0, 128, 0};
    auto band = Row("Label2", Kind::Label, {0, 0, 7215, 975}, 13);
    band.backColor = toolkit::Color{255, 255, 255};
    Build({status, band, heading, body, Row("Label1", Kind::Label, {240, 2600, 960, 195}, 18, u"Enter Amount")});
  }

  QColor Text(const char* name) const { return W(name)->palette().color(QPalette::WindowText); }

  const QPalette light_ = QApplication::palette();
  const QFont font_ = QApplication::font();
};

TEST_F(DesktopTest, DesignedColoursStayWhereTheyReadAndFollowTheThemeWhereNot) {
  struct Case {
    const char* name;
    bool dark;
    const char* control;
    std::optional<QColor> exactly;  // else: readable on the window and `hue` kept
    bool bluish;
  };
  const Case cases[] = {
      {"light theme keeps the blue heading", false, "lblTitle", QColor(0, 0, 255), true},
      {"light theme keeps the black body text", false, "lblDescription", QColor(Qt::black), false},
      {"dark theme lightens the blue heading, still blue", true, "lblTitle", std::nullopt, true},
      {"dark theme makes the black body text readable", true, "lblDescription", std::nullopt, false},
      {"green status line on the white band stays", true, "lblCount", QColor(0, 128, 0), false},
      {"undesigned text is the theme's", true, "Label1", QColor(Qt::white), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QApplication::setPalette(c.dark ? DarkPalette() : light_);
    BuildColouredRows();
    const QColor text = Text(c.control);
    if (c.exactly) {
      EXPECT_EQ(text, *c.exactly);
    } else {
      EXPECT_GE(toolkit::qt::Contrast(text, Window()->palette().color(QPalette::Window)), 4.5) << text.name().toStdString();
      if (c.bluish) {
        EXPECT_GT(text.blue(), text.red() + 40) << text.name().toStdString();
      }
    }
    EXPECT_EQ(W("Label2")->palette().color(QPalette::Window), QColor(Qt::white));
  }
}

TEST_F(DesktopTest, ThemeChangedWhileOpenFitsTheColoursAgainAndKeepsTheFont) {
  BuildColouredRows();
  Show();
  EXPECT_EQ(Text("lblTitle"), QColor(0, 0, 255));
  QApplication::setPalette(DarkPalette());
  QCoreApplication::processEvents();
  EXPECT_GE(toolkit::qt::Contrast(Text("lblTitle"), QColor(0x22, 0x20, 0x20)), 4.5);
  EXPECT_EQ(Text("lblCount"), QColor(0, 128, 0));
  QApplication::setPalette(light_);
  QCoreApplication::processEvents();
  EXPECT_EQ(Text("lblTitle"), QColor(0, 0, 255));

  // A theme's larger font would push captions out of their fixed controls.
  const QFont designed = W("Label1")->font();
  QApplication::setFont(QFont(QStringLiteral("DejaVu Serif"), 14));
  QCoreApplication::processEvents();
  EXPECT_EQ(W("Label1")->font(), designed);
}

TEST_F(DesktopTest, TwiceDensePicturesAndIconsAreTakenWhereTheyExist) {
  const std::string picture = PictureFile("title.png", 24, 4, Qt::red);
  PictureFile("title@2x.png", 48, 8, Qt::blue);
  const std::string single = PictureFile("band.png", 10, 10, Qt::red);
  struct Case {
    const char* name;
    std::string path;
    qreal ratio;
    QSize pixels;
    QSize laidOut;
    QColor colour;
  };
  const Case cases[] = {
      {"one pixel a pixel: the drawing itself", picture, 1, {24, 4}, {24, 4}, Qt::red},
      {"two pixels a pixel: the @2x drawing", picture, 2, {48, 8}, {24, 4}, Qt::blue},
      {"no @2x drawing: the one there is", single, 2, {10, 10}, {10, 10}, Qt::red},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QPixmap pixmap = toolkit::qt::LoadPicture({c.path}, {}, c.ratio);
    EXPECT_EQ(pixmap.size(), c.pixels);
    EXPECT_EQ(pixmap.toImage().pixelColor(0, 0), c.colour);
    // Laid out at its designed size whatever its pixels.
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), c.laidOut);
  }

  // An icon file gains the PNG drawings beside it, at larger sizes too.
  QImage(16, 16, QImage::Format_ARGB32).save(dir.filePath(QStringLiteral("main.ico")));
  PictureFile("main-64.png", 64, 64);
  PictureFile("main-64@2x.png", 128, 128);
  const QIcon icon = toolkit::qt::LoadIcon(dir.filePath(QStringLiteral("main.ico")));
  EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
  EXPECT_TRUE(icon.availableSizes().contains(QSize(64, 64)));
  EXPECT_EQ(icon.pixmap(QSize(64, 64), 2.0).size(), QSize(128, 128));
}

TEST_F(DesktopTest, ScreenReadersPassOverDecorations) {
  auto band = Row("Label2", Kind::Label, {0, 0, 7215, 975}, 13);
  band.decorative = true;
  auto euro = Row("Image2", Kind::Image, {360, 120, 720, 720});
  euro.picture.resource = PictureFile("euro.png", 48, 48);
  euro.decorative = true;
  Build({band, euro, Row("Label1", Kind::Label, {240, 1365, 960, 195}, 18, u"Enter Amount")});
  Show();

  for (const char* name : {"Label2", "Image2"}) {
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(W(name));
    ASSERT_NE(read, nullptr) << name;
    EXPECT_TRUE(read->state().invisible) << name;
    EXPECT_EQ(read->text(QAccessible::Name), QString()) << name;
  }
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(W("Label1"))->state().invisible);

  // What the result line says as it changes is heard on the real
  // accessibility bus only: the acceptance scenario result_announced.
}

TEST_F(DesktopTest, ResultIsSelectableByMouseYetTakesNoFocus) {
  auto result = Row("lblValue", Kind::Label, {120, 360, 3600, 195}, 17, u"84.67  Euros");
  result.selectable = true;
  auto amount = Row("txtAmount", Kind::TextBox, {1440, 1320, 1575, 285}, 4, u"1.00");
  Build({result, amount, Row("Label1", Kind::Label, {240, 1365, 960, 195}, 18, u"Enter Amount")});
  int clicks = 0;
  form->Get<toolkit::Label>("lblValue").Click = [&] { ++clicks; };
  Show();
  auto* label = W<QLabel>("lblValue");
  EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
  EXPECT_FALSE(label->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(W("Label1")->testAttribute(Qt::WA_TransparentForMouseEvents));

  // A drag across the whole text selects it; the focus stays in the amount.
  const int y = label->height() / 2;
  QTest::mousePress(label, Qt::LeftButton, {}, QPoint(1, y));
  QMouseEvent move(QEvent::MouseMove, QPointF(label->width() - 1, y), label->mapToGlobal(QPointF(label->width() - 1, y)),
                   Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(label, &move);
  QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(label->width() - 1, y));
  EXPECT_EQ(label->selectedText(), "84.67  Euros");
  EXPECT_EQ(QApplication::focusWidget(), W("txtAmount"));
  EXPECT_EQ(clicks, 1);
  // Its menu copies the selection to the clipboard.
  QContextMenuEvent menuAsked(QContextMenuEvent::Mouse, QPoint(1, y), label->mapToGlobal(QPoint(1, y)));
  QApplication::sendEvent(label, &menuAsked);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 1);
  QApplication::clipboard()->clear();
  menu->actions().first()->trigger();
  menu->close();
  EXPECT_EQ(QApplication::clipboard()->text(), "84.67  Euros");
  // Tab never stops on it.
  QTest::keyClick(W("txtAmount"), Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), label);
}

}  // namespace
}  // namespace qt_test
