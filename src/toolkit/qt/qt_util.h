#pragma once
// Conversions at the edge between the forms model and Qt.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>

class QWidget;

#include "toolkit/types.h"

namespace toolkit::qt {

inline QString ToQ(const Text& text) { return QString::fromStdU16String(text); }
inline Text FromQ(const QString& text) { return text.toStdU16String(); }
inline QColor ToQColor(const Color& c) { return {c.r, c.g, c.b}; }

// 15 twips make one device-independent pixel; Qt scales those on high-DPI screens.
constexpr int kTwipsPerPixel = 15;
int Px(int twips);
QRect PxRect(const Rect& twips);

// The picture at `resource` (a Qt resource or file path); an icon file gives
// its image closest to `size`. On a screen of more than one device pixel per
// pixel, the twice-as-large drawing beside it ("name@2x.png") when there is
// one. Null when it cannot be read.
QPixmap LoadPicture(const Picture& picture, QSize size = {}, qreal devicePixelRatio = 1);

// An icon file's images, and the PNG drawings beside it at other sizes
// ("main.ico" with "main-16.png", "main-64.png" and their "@2x" twins).
QIcon LoadIcon(const QString& path);

// How well two colours read on each other: 1 (the same) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b);

// `text` when it reads on `back`; otherwise `text` moved toward `toward` just
// far enough to read well, or `toward` itself when that reads no better.
QColor Readable(const QColor& text, const QColor& back, const QColor& toward);

// A design's font over the inherited one: only what the design sets; a family
// that is not installed keeps the inherited face.
void ApplyFont(QWidget* widget, const Font& font);

}  // namespace toolkit::qt
