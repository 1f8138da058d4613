// Windows and controls at their designed places and sizes, 15 twips a pixel.
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "qt_fixture.h"

namespace qt_test {
namespace {

using toolkit::Kind;

class LayoutTest : public QtFormTest {};

TEST_F(LayoutTest, ClientAreaAndNestedContainersAreInPixels) {
  Build({Row("Frame2", Kind::Frame, {3000, 1200, 4095, 3855}, 11, u"Convert Currency"),
         Row("Picture1", Kind::PictureBox, {120, 240, 3855, 3495}, 15, {}, "Frame2"),
         Row("cmdCodes", Kind::CommandButton, {0, 3150, 1215, 350}, 5, u"C&odes", "Picture1"),
         Row("cmdConvert", Kind::CommandButton, {4440, 6120, 1215, 350}, 20, u"&Convert")});
  Show();
  QWidget* window = Window();
  EXPECT_EQ(window->size(), QSize(480, 344));
  EXPECT_EQ(window->windowTitle(), "Test");
  EXPECT_EQ(window->objectName(), "frmTest");

  auto* codes = W<QPushButton>("cmdCodes");
  EXPECT_EQ(codes->parentWidget(), W("Picture1"));
  EXPECT_EQ(W("Picture1")->parentWidget(), W("Frame2"));
  EXPECT_EQ(codes->mapTo(window, QPoint(0, 0)), QPoint(200 + 8 + 0, 80 + 16 + 210));
  EXPECT_EQ(codes->size(), QSize(81, 23));
  // Below the client area's bottom edge, yet shown: enlarging uncovers it.
  EXPECT_EQ(W("cmdConvert")->geometry(), QRect(296, 408, 81, 23));
  EXPECT_TRUE(W("cmdConvert")->isVisible());

  window->resize(800, 700);
  QCoreApplication::processEvents();
  EXPECT_EQ(codes->mapTo(window, QPoint(0, 0)), QPoint(208, 306));
  EXPECT_EQ(W("Frame2")->geometry(), QRect(200, 80, 273, 257));
  EXPECT_EQ(W("cmdConvert")->geometry(), QRect(296, 408, 81, 23));
}

TEST_F(LayoutTest, TheBorderStyleGivesTheTitleButtonsAndResizing) {
  const struct {
    const char* name;
    toolkit::BorderStyle border;
    bool minimize, fixedSize;  // neither has maximize; both have close
  } rows[] = {
      {"sizable", toolkit::BorderStyle::Sizable, true, false},
      {"fixed dialog", toolkit::BorderStyle::FixedDialog, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Build({}, row.border);
    form->Show();
    const Qt::WindowFlags flags = Window()->windowFlags();
    EXPECT_EQ(bool(flags & Qt::WindowMinimizeButtonHint), row.minimize);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Window()->minimumSize() == Window()->maximumSize(), row.fixedSize);
    if (row.fixedSize) {
      EXPECT_EQ(Window()->maximumSize(), QSize(480, 344));
    }
  }
}

// The status line on the white band below the euro, as the main window has them.
class LabelTest : public QtFormTest {
 protected:
  void BuildStatusOnBand() {
    auto status = Row("lblCount", Kind::Label, {2280, 675, 3285, 195}, 14, u"<b>x</b>");
    status.autoSize = true;
    status.foreColor = toolkit::Color{0, 128, 0};
    auto band = Row("Label2", Kind::Label, {0, 0, 7215, 975}, 13);
    band.backColor = toolkit::Color{255, 255, 255};
    // Listed before the band it stands on, as a designer lists front to back.
    auto icon = Row("Image2", Kind::Image, {360, 120, 720, 720});
    icon.picture.resource = PictureFile("euro.png", 48, 48);
    auto title = Row("lblTitle", Kind::Label, {1560, 240, 2805, 240}, 1, u"Quillon");
    title.font = {"MS Sans Serif", 9.75, true};  // a face Linux lacks
    Build({icon, status, band, title});
    Show();
  }
};

TEST_F(LabelTest, CaptionsArePlainTextInTheDesignedColoursAndFont) {
  BuildStatusOnBand();
  auto* label = W<QLabel>("lblCount");
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(label->text(), "<b>x</b>");
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 128, 0));
  const QFont titleFont = W("lblTitle")->font();
  EXPECT_TRUE(titleFont.bold());
  EXPECT_DOUBLE_EQ(titleFont.pointSizeF(), 9.75);
  EXPECT_EQ(QFontInfo(titleFont).family(), QFontInfo(QApplication::font()).family());
  EXPECT_TRUE(W("Label2")->autoFillBackground());
  EXPECT_EQ(W("Label2")->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(LabelTest, AutoSizedOnesFollowTheirTextFromTheirCorner) {
  BuildStatusOnBand();
  auto* label = W<QLabel>("lblCount");
  form->Get<toolkit::Label>("lblCount").SetCaption(u"Downloading Current Exchange Rates");
  const QRect longer = label->geometry();
  EXPECT_EQ(longer.topLeft(), QPoint(152, 45));
  EXPECT_EQ(longer.size(), label->sizeHint());
  form->Get<toolkit::Label>("lblCount").SetCaption(u"Rates");
  EXPECT_EQ(label->pos(), QPoint(152, 45));
  EXPECT_LT(label->width(), longer.width());
}

TEST_F(LabelTest, ControlsListedFirstStandInFront) {
  BuildStatusOnBand();
  // Siblings stack in their parent's child order, the last in front.
  const QObjectList& stack = Window()->children();
  EXPECT_GT(stack.indexOf(W("lblCount")), stack.indexOf(W("Label2")));
  EXPECT_GT(stack.indexOf(W("Image2")), stack.indexOf(W("lblCount")));
}

TEST_F(LayoutTest, LongestCaptionsFitTheirControlsInTheDefaultFont) {
  auto option = Row("Option1", Kind::OptionButton, {480, 240, 3015, 255}, 2, u"From Selected Currency To Euros");
  Build({option, Row("cmdGet", Kind::CommandButton, {70, 30, 2295, 350}, 1, u"&Get Exchange Rates"),
         Row("Command1", Kind::CommandButton, {1560, 2040, 2295, 345}, 7, u"&Join the Brimlow mailing list")});
  Show();
  for (const char* name : {"Option1", "cmdGet", "Command1"}) {
    auto* button = W<QAbstractButton>(name);
    EXPECT_LE(button->sizeHint().width(), button->width()) << name;
    EXPECT_LE(button->fontMetrics().height(), button->height()) << name;
  }
}

TEST_F(LayoutTest, WidgetsCarryAccessibleNamesThatFollowTheirCaptions) {
  auto amount = Row("txtAmount", Kind::TextBox, {1440, 1320, 1575, 285}, 4, u"1.00");
  amount.accessibleName = u"Amount";
  auto get = Row("cmdGet", Kind::CommandButton, {70, 30, 2295, 350}, 1, u"&Get Exchange Rates");
  get.toolTip = u"Get Current Rates";
  auto list = Row("lstCurrency", Kind::ListBox, {120, 285, 2535, 2985}, 8);
  list.toolTip = u"Currencies";
  Build({amount, get, list, Row("Label1", Kind::Label, {240, 1365, 960, 195}, 18, u"Enter Amount")});
  EXPECT_EQ(W("txtAmount")->accessibleName(), "Amount");
  EXPECT_EQ(W("cmdGet")->accessibleName(), "Get Exchange Rates");
  EXPECT_EQ(W("cmdGet")->toolTip(), "Get Current Rates");
  EXPECT_EQ(W("lstCurrency")->accessibleName(), "Currencies");
  EXPECT_EQ(W("Label1")->accessibleName(), "Enter Amount");
  form->Get<toolkit::CommandButton>("cmdGet").SetCaption(u"&Stop");
  EXPECT_EQ(W("cmdGet")->accessibleName(), "Stop");
}

TEST_F(LayoutTest, TheWindowIconIsTheDesignsOrNone) {
  Build({});
  EXPECT_TRUE(Window()->windowIcon().isNull());
  toolkit::FormDesign design{"frmIcon", u"Icon", 1500, 1500};
  design.icon.resource = PictureFile("main.png", 32, 32);
  Build(design, {});
  EXPECT_FALSE(Window()->windowIcon().isNull());
  EXPECT_EQ(Window()->size(), QSize(100, 100));
}

}  // namespace
}  // namespace qt_test
