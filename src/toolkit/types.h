#pragma once
// Value types of the forms model. Geometry is in twips (15 per pixel at 96 dpi).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace toolkit {

using Text = std::u16string;

enum class Kind { Form, Label, TextBox, ListBox, CommandButton, OptionButton, Frame, PictureBox, Image, Line };

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
  // `inner` lies wholly within this rectangle.
  bool Contains(const Rect& inner) const {
    return inner.left >= left && inner.top >= top && inner.left + inner.width <= left + width &&
           inner.top + inner.height <= top + height;
  }
};

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};

struct Font {
  std::string family;  // empty: the toolkit's default font
  double points = 0;   // 0: the default size
  bool bold = false;
  bool operator==(const Font&) const = default;
};

enum class Alignment { Left, Right, Center };

// A picture or cursor compiled into the executable, named by its resource path.
struct Picture {
  std::string resource;
  int hotX = 0, hotY = 0;  // cursors only
  bool Empty() const { return resource.empty(); }
  bool operator==(const Picture&) const = default;
};

namespace mouse {
constexpr int kDefault = 0;
constexpr int kHourglass = 11;
constexpr int kCustom = 99;
}  // namespace mouse

namespace msgbox {
constexpr int kOkOnly = 0;
constexpr int kCritical = 16;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
constexpr int kOk = 1;  // the answer of an OK button
}  // namespace msgbox

// One row of a window's design: what a form designer stores for a control.
struct ControlDesign {
  std::string name;
  Kind kind = Kind::Label;
  std::string container;  // empty: the form itself
  Rect rect;              // for a Line: x1, y1 and x2 - x1, y2 - y1
  int tabIndex = -1;      // -1: takes no place in the tab order
  bool tabStop = true;    // false: Tab passes it by, a click still focuses it
  Text caption;           // Caption, or Text of a text box
  Text toolTip;
  std::optional<Color> foreColor;
  std::optional<Color> backColor;
  Font font;
  Alignment alignment = Alignment::Left;
  bool autoSize = false;
  bool multiLine = false;
  bool scrollBars = false;
  bool value = false;  // option buttons: chosen at start
  bool border = false;  // picture boxes
  std::vector<Text> items;
  Picture picture;
  // The name a screen reader announces, for controls whose caption does not
  // name them (text boxes, lists); empty: the caption or the tool tip.
  Text accessibleName;
  // Only decorates (a band, a picture repeated from the icon): screen readers
  // pass over it.
  bool decorative = false;
  // Labels: the mouse selects the text to copy it; still no focus is taken.
  bool selectable = false;
};

enum class BorderStyle { Sizable, FixedDialog };

struct FormDesign {
  std::string name;
  Text caption;
  int clientWidth = 0, clientHeight = 0;  // twips
  BorderStyle border = BorderStyle::Sizable;
  bool minButton = true;
  bool maxButton = true;
  bool centerOnScreen = true;
  Picture icon;
  Font font;
};

}  // namespace toolkit
