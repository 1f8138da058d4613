#pragma once
// Conversions at the edge between the forms model and Qt.
#include <QPixmap>
#include <QRect>
#include <QString>

class QWidget;

#include "toolkit/types.h"

namespace toolkit::qt {

inline QString ToQ(const Text& text) { return QString::fromStdU16String(text); }
inline Text FromQ(const QString& text) { return text.toStdU16String(); }

// 15 twips make one device-independent pixel; Qt scales those on high-DPI screens.
constexpr int kTwipsPerPixel = 15;
int Px(int twips);
QRect PxRect(const Rect& twips);

// A caption as shown without its access-key marks: "&&" is one ampersand.
QString WithoutMnemonic(const QString& caption);

// The picture at `resource` (a Qt resource or file path); an icon file gives
// its image closest to `size`. Null when it cannot be read.
QPixmap LoadPicture(const Picture& picture, QSize size = {});

// A design's font over the inherited one: only what the design sets; a family
// that is not installed keeps the inherited face.
void ApplyFont(QWidget* widget, const Font& font);

}  // namespace toolkit::qt
