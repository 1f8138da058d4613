#include "toolkit/qt/qt_util.h"

#include <QFontDatabase>
#include <QIcon>
#include <QWidget>
#include <cmath>

namespace toolkit::qt {

int Px(int twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel)); }

QRect PxRect(const Rect& twips) { return {Px(twips.left), Px(twips.top), Px(twips.width), Px(twips.height)}; }

QString WithoutMnemonic(const QString& caption) {
  QString shown;
  shown.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

QPixmap LoadPicture(const Picture& picture, QSize size) {
  if (picture.Empty()) return {};
  const QString path = QString::fromStdString(picture.resource);
  // An icon file holds several sizes; QPixmap would take the first one only.
  if (path.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive)) {
    const QIcon icon(path);
    const auto sizes = icon.availableSizes();
    if (sizes.isEmpty()) return {};
    return icon.pixmap(size.isValid() ? size : sizes.last());
  }
  return QPixmap(path);
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
