#include "toolkit/controls.h"

#include <stdexcept>

#include "runtime/text.h"
#include "toolkit/form.h"

namespace toolkit {

Control::Control(Form& form, const ControlDesign& design, Control* container)
    : design_(design), form_(form), container_(container) {
  if (design.kind != Kind::TextBox) caption_ = design.caption;
}

Control::~Control() = default;

void Control::Raise(const Event& event) {
  if (event) form_.Raise(event);
}

void Control::SetCaption(const Text& caption) {
  caption_ = caption;
  if (peer_) peer_->SetCaption(caption_);
}

Text WithoutAccessKeys(const Text& caption) {
  Text shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

char16_t Control::AccessKey() const {
  for (std::size_t i = 0; i + 1 < caption_.size(); ++i) {
    if (caption_[i] != u'&') continue;
    if (caption_[i + 1] == u'&') {  // "&&" shows one ampersand
      ++i;
      continue;
    }
    return runtime::LowerAscii(caption_[i + 1]);
  }
  return 0;
}

void Control::SetMousePointer(int pointer) {
  mousePointer_ = pointer;
  if (peer_) peer_->SetMousePointer(mousePointer_, mouseIcon_);
}

void Control::SetMouseIcon(const Picture& icon) {
  mouseIcon_ = icon;
  if (peer_) peer_->SetMousePointer(mousePointer_, mouseIcon_);
}

bool Control::CanFocus() const {
  switch (design_.kind) {
    case Kind::TextBox:
    case Kind::ListBox:
    case Kind::CommandButton:
    case Kind::OptionButton:
      return true;
    case Kind::PictureBox:
    case Kind::Image: {
      // A picture that acts when clicked is a link the keyboard must reach;
      // one that only shows or holds other controls is passed by.
      if (!Click) return false;
      for (const auto& other : form_.Controls())
        if (other->Container() == this) return false;
      return true;
    }
    default:
      return false;
  }
}

void Control::SetFocus() {
  if (!CanFocus()) throw std::runtime_error("Invalid procedure call: " + Name() + " cannot take the focus");
  form_.MoveFocus(this, false);
}

void Control::ResetToDesign() {
  if (design_.kind != Kind::TextBox) caption_ = design_.caption;
  mousePointer_ = mouse::kDefault;
  mouseIcon_ = {};
}

void TextBox::ResetToDesign() {
  Control::ResetToDesign();
  text_ = design_.caption;
}

void ListBox::ResetToDesign() {
  Control::ResetToDesign();
  items_ = design_.items;
  listIndex_ = -1;
}

void OptionButton::ResetToDesign() {
  Control::ResetToDesign();
  value_ = design_.value;
}

void Control::UserClick() { Raise(Click); }

void Control::UserFocus() {
  if (CanFocus()) form_.MoveFocus(this, true);
}

void Control::UserMouseMove(int button, int shift, float x, float y) {
  if (MouseMove) form_.Raise([&] { MouseMove(button, shift, x, y); });
}

TextBox::TextBox(Form& form, const ControlDesign& design, Control* container)
    : Control(form, design, container), text_(design.caption) {}

void TextBox::SetText(const Text& text) {
  if (text == text_) return;
  text_ = text;
  if (Peer()) Peer()->SetText(text_);
  Raise(Change);
}

void TextBox::UserTyped(const Text& text) {
  if (text == text_) return;
  text_ = text;
  Raise(Change);
}

ListBox::ListBox(Form& form, const ControlDesign& design, Control* container)
    : Control(form, design, container), items_(design.items) {}

void ListBox::AddItem(const Text& item) {
  if (items_.size() >= kMaxItems) throw std::length_error("Out of memory: the list is full");
  items_.push_back(item);
  if (Peer()) Peer()->AddItem(item);
}

void ListBox::Clear() {
  items_.clear();
  listIndex_ = -1;
  if (Peer()) Peer()->Clear();
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw std::out_of_range("Invalid property value: ListIndex " + std::to_string(index));
  if (index == listIndex_) return;
  listIndex_ = static_cast<std::int16_t>(index);
  if (Peer()) Peer()->SetListIndex(listIndex_);
  // A selection made in code raises Click as one made by the user does.
  if (listIndex_ >= 0) Raise(Click);
}

Text ListBox::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return items_[static_cast<std::size_t>(index)];
}

void ListBox::UserSelect(int index) {
  if (index < 0 || index >= ListCount()) return;
  listIndex_ = static_cast<std::int16_t>(index);
  Raise(Click);
}

OptionButton::OptionButton(Form& form, const ControlDesign& design, Control* container)
    : Control(form, design, container), value_(design.value) {}

std::vector<OptionButton*> OptionButton::Group() const {
  std::vector<OptionButton*> group;
  for (const auto& control : Parent().Controls()) {
    auto* option = dynamic_cast<OptionButton*>(control.get());
    if (option && option->Container() == Container()) group.push_back(option);
  }
  return group;
}

void OptionButton::SetValue(bool chosen) {
  if (chosen == value_) return;
  value_ = chosen;
  if (Peer()) Peer()->SetValue(value_);
  if (!chosen) return;
  for (OptionButton* option : Group()) {
    if (option != this && option->value_) {
      option->value_ = false;
      if (option->Peer()) option->Peer()->SetValue(false);
    }
  }
  Raise(Click);
}

void OptionButton::UserChoose() {
  if (value_) {
    // The peer may have unchecked itself; keep it showing the model's choice.
    if (Peer()) Peer()->SetValue(true);
    return;
  }
  SetValue(true);
}

}  // namespace toolkit
