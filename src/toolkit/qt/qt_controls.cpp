#include "toolkit/qt/qt_controls.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QCursor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <stdexcept>

#include "toolkit/form.h"
#include "toolkit/qt/qt_backend.h"
#include "toolkit/qt/qt_form.h"
#include "toolkit/qt/qt_util.h"

namespace toolkit::qt {

namespace {

// The style's focus rectangle just inside `area`.
void DrawFocusFrame(QPainter& painter, const QWidget& widget, const QRect& area) {
  QStyleOptionFocusRect option;
  option.initFrom(&widget);
  option.rect = area.adjusted(1, 1, -1, -1);
  option.state |= QStyle::State_KeyboardFocusChange;
  widget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &widget);
}

// The mouse state in the designer's toolkit's numbers.
int ButtonState(Qt::MouseButtons buttons) {
  return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) | (buttons & Qt::MiddleButton ? 4 : 0);
}

int ShiftState(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0);
}

constexpr char kDecorative[] = "quillonDecorative";

// A decoration has no name and is not visible to a screen reader, which then
// passes over it; its widget stays in the tree so positions still add up.
class DecorationAccessible : public QAccessibleWidget {
 public:
  explicit DecorationAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.invisible = true;
    return state;
  }
  QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface* DecorationFactory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  return widget && widget->property(kDecorative).toBool() ? new DecorationAccessible(widget) : nullptr;
}

constexpr char kCopyable[] = "quillonCopyable";

// A line the user may copy reads as a label whose open Copy menu is its
// child: Qt lists no popup among the application's windows, so a screen
// reader's review would never find the menu.
class CopyableLineAccessible : public QAccessibleWidget {
 public:
  explicit CopyableLineAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
  int childCount() const override { return Menu() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    QMenu* menu = Menu();
    return index == 0 && menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    QMenu* menu = Menu();
    return menu && child && child->object() == menu ? 0 : -1;
  }

 private:
  QMenu* Menu() const {
    auto* menu = widget()->findChild<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
    return menu && menu->isVisible() ? menu : nullptr;
  }
};

QAccessibleInterface* CopyableLineFactory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  return widget && widget->property(kCopyable).toBool() ? new CopyableLineAccessible(widget) : nullptr;
}

constexpr char kMayLeaveSight[] = "quillonMayLeaveSight";

// Qt reports every shown widget as showing, even one the window's edge cuts
// off entirely, so a screen reader's review would read controls no one can
// see. This wraps Qt's own interface for such a control and adds only the
// offscreen state while nothing of it is in sight. Qt's interface stays in
// Qt's cache and is owned there; the wrapper never deletes it.
class OutOfSightAccessible : public QAccessibleInterface {
 public:
  OutOfSightAccessible(QWidget* widget, QAccessibleInterface* qt) : widget_(widget), qt_(qt) {}
  bool isValid() const override { return widget_ && qt_->isValid(); }
  QObject* object() const override { return qt_->object(); }
  QWindow* window() const override { return qt_->window(); }
  QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override {
    return qt_->relations(match);
  }
  QAccessibleInterface* focusChild() const override { return qt_->focusChild(); }
  QAccessibleInterface* childAt(int x, int y) const override { return qt_->childAt(x, y); }
  QAccessibleInterface* parent() const override { return qt_->parent(); }
  QAccessibleInterface* child(int index) const override { return qt_->child(index); }
  int childCount() const override { return qt_->childCount(); }
  int indexOfChild(const QAccessibleInterface* child) const override { return qt_->indexOfChild(child); }
  QString text(QAccessible::Text t) const override { return qt_->text(t); }
  void setText(QAccessible::Text t, const QString& text) override { qt_->setText(t, text); }
  QRect rect() const override { return qt_->rect(); }
  QAccessible::Role role() const override { return qt_->role(); }
  QAccessible::State state() const override {
    QAccessible::State state = qt_->state();
    if (!state.invisible && widget_ && widget_->visibleRegion().isEmpty()) state.offscreen = true;
    return state;
  }
  QColor foregroundColor() const override { return qt_->foregroundColor(); }
  QColor backgroundColor() const override { return qt_->backgroundColor(); }
  void* interface_cast(QAccessible::InterfaceType type) override { return qt_->interface_cast(type); }

 private:
  QPointer<QWidget> widget_;
  QAccessibleInterface* qt_;
};

QAccessibleInterface* OutOfSightFactory(const QString&, QObject* object) {
  // Asked again from inside, to get Qt's own interface for the widget.
  static bool asking = false;
  auto* widget = qobject_cast<QWidget*>(object);
  if (asking || !widget || !widget->property(kMayLeaveSight).toBool()) return nullptr;
  asking = true;
  QAccessibleInterface* qt = QAccessible::queryAccessibleInterface(object);
  asking = false;
  return qt ? new OutOfSightAccessible(widget, qt) : nullptr;
}

// Placed by its design wholly or partly outside the window's client area.
bool BeyondClientArea(const Control& control) {
  Rect place = control.Design().rect;
  for (const Control* c = control.Container(); c; c = c->Container()) {
    place.left += c->Design().rect.left;
    place.top += c->Design().rect.top;
  }
  const FormDesign& form = control.Parent().Design();
  return !Rect{0, 0, form.clientWidth, form.clientHeight}.Contains(place);
}

}  // namespace

void PassOverDecorations() {
  static const bool installed =
      (QAccessible::installFactory(&DecorationFactory), QAccessible::installFactory(&CopyableLineFactory),
       QAccessible::installFactory(&OutOfSightFactory), true);
  (void)installed;
}

bool PeerBridge::eventFilter(QObject* watched, QEvent* event) { return peer_.Filter(watched, event); }

ControlPeerBase::ControlPeerBase(QtBackend& backend, Control& control, QWidget* widget)
    : backend_(backend), control_(control), widget_(widget), key_(widget), bridge_(*this) {
  const ControlDesign& design = control.Design();
  widget->setObjectName(QString::fromStdString(design.name));
  if (design.decorative) widget->setProperty(kDecorative, true);
  if (design.selectable) widget->setProperty(kCopyable, true);
  if (design.kind != Kind::Line && BeyondClientArea(control)) widget->setProperty(kMayLeaveSight, true);
  if (design.kind != Kind::Line) widget->setGeometry(PxRect(design.rect));
  if (!design.toolTip.empty()) {
    widget->setToolTip(ToQ(design.toolTip));
    // What the control does, for screen readers, whatever Qt's fallback.
    widget->setAccessibleDescription(ToQ(design.toolTip));
  }
  ApplyFont(widget, design.font);
  if (!control.CanFocus())
    widget->setFocusPolicy(Qt::NoFocus);
  else
    widget->setFocusPolicy(design.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
  // A click or move over a control belongs to it alone, never also to its
  // container, as in the designer's toolkit.
  widget->setAttribute(Qt::WA_NoMousePropagation);
  widget->setMouseTracking(true);
  widget->installEventFilter(&bridge_);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
    area->viewport()->setAttribute(Qt::WA_NoMousePropagation);
    area->viewport()->setMouseTracking(true);
    area->viewport()->installEventFilter(&bridge_);
  }
  ControlPeerBase::SetMousePointer(control.MousePointer(), control.MouseIcon());
  UpdateAccessibleName();
  backend.Register(widget, this);
  widget->show();
}

ControlPeerBase::~ControlPeerBase() { backend_.Unregister(key_); }

void ControlPeerBase::SetCaption(const Text& caption) {
  if (!widget_) return;
  ShowCaption(ToQ(caption));
  UpdateAccessibleName();
}

void ControlPeerBase::ShowCaption(const QString&) {}

void ControlPeerBase::UpdateAccessibleName() {
  const ControlDesign& design = control_.Design();
  QString name;
  if (!design.accessibleName.empty()) {
    name = ToQ(design.accessibleName);
  } else {
    switch (design.kind) {
      case Kind::Label: name = ToQ(control_.Caption()); break;
      case Kind::CommandButton:
      case Kind::OptionButton:
      case Kind::Frame: name = ToQ(WithoutAccessKeys(control_.Caption())); break;
      default: break;
    }
    if (name.isEmpty()) name = ToQ(design.toolTip);
  }
  // Qt tells each change of name to screen readers: a label's new caption,
  // the result line's new result, is heard as it comes.
  widget_->setAccessibleName(name);
}

void ControlPeerBase::FitColors(const std::optional<QColor>& beneath) {
  const ControlDesign& design = control_.Design();
  if (!widget_ || (!design.foreColor && !design.backColor)) return;
  // The theme's colours, as the container shows them.
  const QPalette theme = widget_->parentWidget() ? widget_->parentWidget()->palette() : QApplication::palette(widget_);
  QPalette palette = widget_->palette();
  const QColor back = design.backColor ? ToQColor(*design.backColor) : beneath.value_or(theme.color(widget_->backgroundRole()));
  std::optional<QColor> fore;
  if (design.foreColor) {
    fore = ToQColor(*design.foreColor);
    // Colours designed together stay as designed; a designed text colour on
    // the theme's background must read on whatever the theme puts there.
    if (!design.backColor && !beneath) fore = Readable(*fore, back, theme.color(QPalette::WindowText));
  } else if (design.backColor) {
    const QColor text = theme.color(QPalette::WindowText);
    fore = Readable(text, back, Contrast(back, Qt::black) > Contrast(back, Qt::white) ? Qt::black : Qt::white);
  }
  if (fore) {
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) palette.setColor(role, *fore);
  }
  if (design.backColor) {
    for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base}) palette.setColor(role, back);
    widget_->setAutoFillBackground(true);
  }
  widget_->setPalette(palette);
}

void ControlPeerBase::SetFocus() {
  if (widget_) backend_.FocusForModel(widget_);
}

void ControlPeerBase::SetMousePointer(int pointer, const Picture& icon) {
  // Handlers set the pointer at every mouse move: load the picture once.
  if (!widget_ || (pointer == pointer_ && icon == icon_)) return;
  pointer_ = pointer;
  icon_ = icon;
  if (pointer == mouse::kHourglass) {
    widget_->setCursor(Qt::WaitCursor);
    return;
  }
  if (pointer == mouse::kCustom) {
    const QPixmap picture = LoadPicture(icon);
    if (!picture.isNull()) {
      widget_->setCursor(QCursor(picture, icon.hotX, icon.hotY));
      return;
    }
  }
  widget_->unsetCursor();
}

bool ControlPeerBase::Filter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove: {
      auto* move = static_cast<QMouseEvent*>(event);
      // Viewport events arrive in viewport coordinates; the model wants the
      // control's own, in twips.
      const QPointF at = widget_->mapFromGlobal(move->globalPosition()) * kTwipsPerPixel;
      control_.UserMouseMove(ButtonState(move->buttons()), ShiftState(move->modifiers()), static_cast<float>(at.x()),
                             static_cast<float>(at.y()));
      return false;
    }
    case QEvent::FocusIn:
      // Qt draws focus only after the keyboard moved it; here it must show
      // however it came, a message box closing or a click included.
      widget_->window()->setAttribute(Qt::WA_KeyboardFocusChange);
      return false;
    case QEvent::ShortcutOverride:
      // Ctrl+C with nothing of its own to copy goes on to the window's line.
      if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) && !CopiesItsOwnText()) {
        event->ignore();
        return true;
      }
      return false;
    case QEvent::ContextMenu: {
      // The menu key: the window's copyable line offers its Copy menu, unless
      // the focused control has a menu of its own and the pointer is not
      // over the line.
      if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard) return false;
      auto* form = dynamic_cast<QtFormPeer*>(control_.Parent().Peer());
      ControlPeerBase* line = form ? form->CopyableLine() : nullptr;
      if (!line || line == this) return false;
      const QWidget* shown = line->Widget();
      const bool overLine = shown->rect().contains(shown->mapFromGlobal(QCursor::pos()));
      if (control_.GetKind() == Kind::TextBox && !overLine) return false;
      return line->OfferCopyMenu();
    }
    case QEvent::Shortcut: {
      // Qt's mnemonic would click the widget itself; the model decides which
      // control the letter presses (and moves the focus there first).
      const char16_t letter = control_.AccessKey();
      if (letter) control_.Parent().UserAccessKey(letter);
      return true;
    }
    default: return false;
  }
}

namespace {

// Labels, frames, picture boxes and images raise Click as the designer's
// toolkit does: the left button released over the control it was pressed on
// (Qt sends the release to that one).
class ClickPeer : public ControlPeerBase {
 public:
  using ControlPeerBase::ControlPeerBase;

  bool Filter(QObject* watched, QEvent* event) override {
    // A picture that takes the focus acts as a link: Space and Enter click it.
    if (event->type() == QEvent::KeyPress && GetControl().CanFocus()) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        GetControl().UserClick();
        return true;
      }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
      auto* release = static_cast<QMouseEvent*>(event);
      if (release->button() == Qt::LeftButton && Widget()->rect().contains(release->position().toPoint())) {
        GetControl().UserClick();
        return true;
      }
    }
    return ControlPeerBase::Filter(watched, event);
  }
};

class LabelPeer : public ClickPeer {
 public:
  LabelPeer(QtBackend& backend, Control& control, QLabel* label) : ClickPeer(backend, control, label), label_(label) {
    const ControlDesign& design = control.Design();
    // Captions can hold text from a downloaded page: never markup.
    label->setTextFormat(Qt::PlainText);
    // By the mouse only, and with no focus or Tab stop (Qt would give it
    // click focus); the selection is X's primary selection, and the context
    // menu copies it.
    if (design.selectable) {
      label->setTextInteractionFlags(Qt::TextSelectableByMouse);
      label->setFocusPolicy(Qt::NoFocus);
    }
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (design.alignment == Alignment::Center) horizontal = Qt::AlignHCenter;
    if (design.alignment == Alignment::Right) horizontal = Qt::AlignRight;
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setWordWrap(!design.autoSize);
    ShowCaption(ToQ(control.Caption()));
  }

 protected:
  // Qt's label offers no menu of its own without the focus: Copy takes the
  // selection, or the whole line when nothing is selected.
  void OfferCopy(const QPoint& at) {
    auto* menu = new QMenu(label_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(menu->addAction(QMenu::tr("&Copy")), &QAction::triggered, menu, [label = label_] { Copy(*label); });
    menu->popup(at);
  }

  // The menu may outlive this peer (it goes with the label): it holds the label.
  static void Copy(const QLabel& label) {
    QGuiApplication::clipboard()->setText(label.hasSelectedText() ? label.selectedText() : label.text());
  }

  bool CopyText() override {
    if (!GetControl().Design().selectable) return false;
    Copy(*label_);
    return true;
  }

  bool OfferCopyMenu() override {
    if (!GetControl().Design().selectable) return false;
    OfferCopy(label_->mapToGlobal(QPoint(label_->width() / 2, label_->height())));
    return true;
  }

  void ShowCaption(const QString& caption) override {
    label_->setText(caption);
    // Sized to its text: the left and top stay, width and height follow.
    if (GetControl().Design().autoSize) label_->adjustSize();
  }

  bool Filter(QObject* watched, QEvent* event) override {
    if (GetControl().Design().selectable) {
      // A selectable label needs the release too, or its selection never ends.
      if (event->type() == QEvent::MouseButtonRelease) {
        ClickPeer::Filter(watched, event);
        return false;
      }
      if (event->type() == QEvent::ContextMenu) {
        OfferCopy(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
      }
    }
    return ClickPeer::Filter(watched, event);
  }

 private:
  QLabel* label_;
};

class ButtonPeer : public ControlPeerBase {
 public:
  ButtonPeer(QtBackend& backend, Control& control, QPushButton* button)
      : ControlPeerBase(backend, control, button), button_(button) {
    // No default or cancel button: Enter presses a button only while it has
    // the focus (below), Escape presses none.
    button->setAutoDefault(false);
    button->setDefault(false);
    ShowCaption(ToQ(control.Caption()));
    QObject::connect(button, &QAbstractButton::clicked, Bridge(), [this] { GetControl().UserClick(); });
  }

  bool Filter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      // A button without auto-default ignores Enter in Qt.
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        GetControl().UserClick();
        return true;
      }
    }
    return ControlPeerBase::Filter(watched, event);
  }

 protected:
  void ShowCaption(const QString& caption) override { button_->setText(caption); }

 private:
  QPushButton* button_;
};

class OptionPeer : public ControlPeerBase {
 public:
  OptionPeer(QtBackend& backend, OptionButton& option, QRadioButton* radio)
      : ControlPeerBase(backend, option, radio), option_(option), radio_(radio) {
    // Left exclusive, as Qt makes radio buttons, so screen readers speak an
    // option button (a non-exclusive one reads as a check box). The options
    // of a container are the children of one widget, Qt's group and the
    // model's alike; the model still decides which one is chosen.
    Mirror([&] { radio->setChecked(option.IsChosen()); });
    ShowCaption(ToQ(option.Caption()));
    QObject::connect(radio, &QAbstractButton::clicked, Bridge(), [this] {
      if (!Echoing()) option_.UserChoose();
    });
  }

  void SetValue(bool chosen) override {
    Mirror([&] {
      if (chosen || !radio_->isChecked()) {
        radio_->setChecked(chosen);
        return;
      }
      // An exclusive button refuses to clear itself; the model may clear it.
      radio_->setAutoExclusive(false);
      radio_->setChecked(false);
      radio_->setAutoExclusive(true);
    });
  }

 protected:
  void ShowCaption(const QString& caption) override { radio_->setText(caption); }

 private:
  OptionButton& option_;
  QRadioButton* radio_;
};

class LineEditPeer : public ControlPeerBase {
 public:
  LineEditPeer(QtBackend& backend, TextBox& box, QLineEdit* edit)
      : ControlPeerBase(backend, box, edit), box_(box), edit_(edit) {
    Mirror([&] { edit->setText(ToQ(box.GetText())); });
    // textChanged, not textEdited: text set through the accessibility
    // interface or by any other hand is the user's change too.
    QObject::connect(edit, &QLineEdit::textChanged, Bridge(), [this](const QString& text) {
      if (!Echoing()) box_.UserTyped(FromQ(text));
    });
  }

  void SetText(const Text& text) override {
    Mirror([&] { edit_->setText(ToQ(text)); });
  }

 protected:
  bool CopiesItsOwnText() const override { return edit_->hasSelectedText(); }

 private:
  TextBox& box_;
  QLineEdit* edit_;
};

class TextEditPeer : public ControlPeerBase {
 public:
  TextEditPeer(QtBackend& backend, TextBox& box, QPlainTextEdit* edit)
      : ControlPeerBase(backend, box, edit), box_(box), edit_(edit) {
    if (box.Design().scrollBars) {
      // With a horizontal scroll bar lines run on instead of wrapping.
      edit->setLineWrapMode(QPlainTextEdit::NoWrap);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    // Tab moves the focus on, as in every multi-line box of this toolkit;
    // a box that took it as a character would trap the keyboard.
    edit->setTabChangesFocus(true);
    ShowText();
    QObject::connect(edit, &QPlainTextEdit::textChanged, Bridge(), [this] {
      if (!Echoing()) box_.UserTyped(FromQ(edit_->toPlainText()));
    });
  }

  void SetText(const Text&) override { ShowText(); }

  // A box out of sight takes its text when it is first painted or focused:
  // laying out a page of megabytes nobody sees would freeze the window.
  bool Filter(QObject* watched, QEvent* event) override {
    if (stale_ && (event->type() == QEvent::Paint || event->type() == QEvent::FocusIn)) Apply();
    return ControlPeerBase::Filter(watched, event);
  }

 protected:
  bool CopiesItsOwnText() const override { return edit_->textCursor().hasSelection(); }

 private:
  void ShowText() {
    stale_ = true;
    if (!edit_->visibleRegion().isEmpty()) Apply();
  }

  void Apply() {
    stale_ = false;
    Mirror([&] { edit_->setPlainText(ToQ(box_.GetText())); });
  }

  TextBox& box_;
  QPlainTextEdit* edit_;
  bool stale_ = false;
};

// Qt marks the focus on a list by its current row, so a list without one
// would hold the focus unseen: it gets the style's focus frame instead.
// Getting the focus with nothing selected makes no row current: a screen
// reader would announce that row as chosen, and Down would pass it by. The
// first Down or Space selects the first row.
class ListWidget : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    entering_ = selectedItems().isEmpty();
    QListWidget::focusInEvent(event);
    entering_ = false;
  }

  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
    if (entering_) return {};
    return QListWidget::moveCursor(action, modifiers);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space && !currentIndex().isValid() && count() > 0) {
      setCurrentRow(0);
      return;
    }
    QListWidget::keyPressEvent(event);
  }

  void paintEvent(QPaintEvent* event) override {
    QListWidget::paintEvent(event);
    if (currentIndex().isValid() || !hasFocus()) return;
    QPainter painter(viewport());
    DrawFocusFrame(painter, *this, viewport()->rect());
  }

 private:
  bool entering_ = false;
};

class ListPeer : public ControlPeerBase {
 public:
  ListPeer(QtBackend& backend, ListBox& box, QListWidget* list)
      : ControlPeerBase(backend, box, list), box_(box), list_(list) {
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    Mirror([&] {
      for (const Text& item : box.Items()) list->addItem(ToQ(item));
      Select(box.ListIndex());
    });
    // The selection, not the current row: Qt makes the first row current
    // when the list gets the focus by Tab, which selects nothing.
    QObject::connect(list, &QListWidget::itemSelectionChanged, Bridge(), [this] { SelectionChanged(); });
  }

  void AddItem(const Text& item) override {
    Mirror([&] { list_->addItem(ToQ(item)); });
  }
  void Clear() override {
    Mirror([&] { list_->clear(); });
  }
  void SetListIndex(int index) override {
    Mirror([&] { Select(index); });
  }

 private:
  void Select(int index) {
    if (index < 0) {
      list_->clearSelection();
      list_->setCurrentRow(-1);
    } else {
      list_->setCurrentRow(index);
      list_->scrollToItem(list_->item(index));
    }
  }

  void SelectionChanged() {
    if (Echoing()) return;
    const auto rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
      // Ctrl+click can empty a single-choice list in Qt; the user cannot
      // empty it in the designer's toolkit, so the model's choice stays.
      Mirror([&] { Select(box_.ListIndex()); });
      return;
    }
    const int row = rows.first().row();
    if (row != box_.ListIndex()) box_.UserSelect(row);
  }

  ListBox& box_;
  QListWidget* list_;
};

class FramePeer : public ClickPeer {
 public:
  FramePeer(QtBackend& backend, Control& control, QGroupBox* group) : ClickPeer(backend, control, group), group_(group) {
    ShowCaption(ToQ(control.Caption()));
  }

 protected:
  void ShowCaption(const QString& caption) override { group_->setTitle(caption); }

 private:
  QGroupBox* group_;
};

// A picture box: a container that shows its picture at the top left of its
// client area, inside the optional sunken border.
class PictureBoxWidget : public QFrame {
 public:
  PictureBoxWidget(QWidget* parent, const ControlDesign& design)
      : QFrame(parent), picture_(LoadPicture(design.picture, {}, devicePixelRatioF())) {
    // The designer's fixed single border is two pixels, sunken.
    setFrameStyle(design.border ? (QFrame::WinPanel | QFrame::Sunken) : QFrame::NoFrame);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (!picture_.isNull()) painter.drawPixmap(contentsRect().topLeft(), picture_);
    // A picture box takes the focus; without a frame nobody would see it.
    if (hasFocus()) DrawFocusFrame(painter, *this, contentsRect());
  }

 private:
  QPixmap picture_;
};

// A line from (x1, y1) to (x2, y2) of the design, one pixel wide.
class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, const ControlDesign& design) : QWidget(parent) {
    const Rect& r = design.rect;  // x1, y1, x2 - x1, y2 - y1
    const QPoint from(Px(r.left), Px(r.top));
    const QPoint to(Px(r.left + r.width), Px(r.top + r.height));
    // The bounding box of both ends, at least one pixel each way.
    setGeometry(QRect(from, to).normalized().adjusted(0, 0, 1, 1));
    from_ = from - pos();
    to_ = to - pos();
    color_ = design.foreColor ? ToQColor(*design.foreColor) : QColor(Qt::black);
    // A line never takes the mouse: clicks go to what lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(QPen(color_, 1));
    painter.drawLine(from_, to_);
  }

 private:
  QPoint from_, to_;
  QColor color_;
};

// An image that acts as a link shows the focus as a picture box does.
class ImageWidget : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    DrawFocusFrame(painter, *this, rect());
  }
};

class ImagePeer : public ClickPeer {
 public:
  ImagePeer(QtBackend& backend, Control& control, QLabel* label) : ClickPeer(backend, control, label) {
    const QSize size = label->size();
    const QPixmap picture = LoadPicture(control.Design().picture, size, label->devicePixelRatioF());
    if (!picture.isNull()) {
      label->setPixmap(picture);
      label->setScaledContents(picture.deviceIndependentSize().toSize() != size);
    }
  }
};

}  // namespace

std::unique_ptr<ControlPeerBase> MakeControlPeer(QtBackend& backend, Control& control, QWidget* parent) {
  const ControlDesign& design = control.Design();
  switch (design.kind) {
    case Kind::Label: return std::make_unique<LabelPeer>(backend, control, new QLabel(parent));
    case Kind::CommandButton: return std::make_unique<ButtonPeer>(backend, control, new QPushButton(parent));
    case Kind::OptionButton:
      return std::make_unique<OptionPeer>(backend, dynamic_cast<OptionButton&>(control), new QRadioButton(parent));
    case Kind::TextBox: {
      auto& box = dynamic_cast<TextBox&>(control);
      if (design.multiLine) return std::make_unique<TextEditPeer>(backend, box, new QPlainTextEdit(parent));
      return std::make_unique<LineEditPeer>(backend, box, new QLineEdit(parent));
    }
    case Kind::ListBox:
      return std::make_unique<ListPeer>(backend, dynamic_cast<ListBox&>(control), new ListWidget(parent));
    case Kind::Frame: return std::make_unique<FramePeer>(backend, control, new QGroupBox(parent));
    case Kind::PictureBox:
      return std::make_unique<ClickPeer>(backend, control, new PictureBoxWidget(parent, design));
    case Kind::Image: return std::make_unique<ImagePeer>(backend, control, new ImageWidget(parent));
    case Kind::Line: return std::make_unique<ControlPeerBase>(backend, control, new LineWidget(parent, design));
    case Kind::Form: break;
  }
  throw std::logic_error("no widget for control " + design.name);
}

}  // namespace toolkit::qt
