#include "toolkit/qt/qt_util.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace toolkit::qt {

int Px(int twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel)); }

QRect PxRect(const Rect& twips) { return {Px(twips.left), Px(twips.top), Px(twips.width), Px(twips.height)}; }

namespace {

void AddDrawingsBeside(QIcon& icon, const QString& path) {
  const QFileInfo file(path);
  // The "@2x" twins too: Qt adds them by itself only while the application
  // runs on such a screen, not for a window moved onto one later.
  const QDir folder = file.dir();
  for (const QString& name : folder.entryList({file.completeBaseName() + QLatin1String("-*.png")}, QDir::Files))
    icon.addFile(folder.filePath(name));
}

}  // namespace

QPixmap LoadPicture(const Picture& picture, QSize size, qreal devicePixelRatio) {
  if (picture.Empty()) return {};
  const QString path = QString::fromStdString(picture.resource);
  // An icon file holds several sizes; QPixmap would take the first one only.
  if (path.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive)) {
    QIcon icon(path);
    // The file's own sizes, before the drawings beside it join them.
    const auto sizes = icon.availableSizes();
    if (sizes.isEmpty()) return {};
    AddDrawingsBeside(icon, path);
    return icon.pixmap(size.isValid() ? size : sizes.last(), devicePixelRatio);
  }
  if (devicePixelRatio > 1) {
    const QFileInfo file(path);
    QPixmap twice(file.path() + u'/' + file.completeBaseName() + QLatin1String("@2x.") + file.suffix());
    if (!twice.isNull()) {
      twice.setDevicePixelRatio(2);
      return twice;
    }
  }
  return QPixmap(path);
}

QIcon LoadIcon(const QString& path) {
  QIcon icon(path);
  AddDrawingsBeside(icon, path);
  return icon;
}

namespace {

double Luminance(const QColor& c) {
  auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// Body text of 8 points wants 4.5:1; moved text aims higher so it does not
// look disabled beside text that reads at 15:1.
constexpr double kReads = 4.5;
constexpr double kReadsWell = 7.0;

}  // namespace

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Readable(const QColor& text, const QColor& back, const QColor& toward) {
  if (Contrast(text, back) >= kReads) return text;
  const double goal = std::min(kReadsWell, Contrast(toward, back));
  for (int step = 1; step <= 20; ++step) {
    const double t = step / 20.0;
    const QColor mixed = QColor::fromRgbF(static_cast<float>(text.redF() + (toward.redF() - text.redF()) * t),
                                          static_cast<float>(text.greenF() + (toward.greenF() - text.greenF()) * t),
                                          static_cast<float>(text.blueF() + (toward.blueF() - text.blueF()) * t));
    if (Contrast(mixed, back) >= goal) return mixed;
  }
  return toward;
}

void ApplyFont(QWidget* widget, const Font& font) {
  if (font == Font{}) return;
  QFont f = widget->font();
  const QString family = QString::fromStdString(font.family);
  if (!family.isEmpty() && QFontDatabase::hasFamily(family)) f.setFamily(family);
  if (font.points > 0) f.setPointSizeF(font.points);
  if (font.bold) f.setBold(true);
  widget->setFont(f);
}

}  // namespace toolkit::qt
