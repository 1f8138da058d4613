#pragma once
// The control kinds of the forms model. The model owns all state; a peer only
// mirrors it. Setters push to the peer; User* entry points are what a backend
// (or a test) calls when the user acts, and they raise the events.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/types.h"

namespace toolkit {

class Form;

// A caption as shown, without its access-key marks: "&&" is one ampersand.
Text WithoutAccessKeys(const Text& caption);

using Event = std::function<void()>;
using MouseEvent = std::function<void(int button, int shift, float x, float y)>;

class Control {
 public:
  Control(Form& form, const ControlDesign& design, Control* container);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return design_.name; }
  Kind GetKind() const { return design_.kind; }
  const ControlDesign& Design() const { return design_; }
  Form& Parent() const { return form_; }
  Control* Container() const { return container_; }

  const Rect& Geometry() const { return design_.rect; }
  int TabIndex() const { return design_.tabIndex; }

  const Text& Caption() const { return caption_; }
  void SetCaption(const Text& caption);
  // The letter after a single "&" in the caption, lower-cased; 0 when none.
  char16_t AccessKey() const;

  int MousePointer() const { return mousePointer_; }
  const Picture& MouseIcon() const { return mouseIcon_; }
  void SetMousePointer(int pointer);
  void SetMouseIcon(const Picture& icon);

  // Text boxes, lists and buttons take the focus; a picture box or image only
  // while it acts when clicked and holds no controls; the rest never do.
  bool CanFocus() const;
  void SetFocus();

  Event Click;
  Event GotFocus;
  MouseEvent MouseMove;

  void UserClick();
  void UserFocus();
  void UserMouseMove(int button, int shift, float x, float y);

  // Unloading discards what the program set; the next load starts from the design.
  virtual void ResetToDesign();

  ControlPeer* Peer() const { return peer_.get(); }
  void AttachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }
  void DetachPeer() { peer_.reset(); }

 protected:
  void Raise(const Event& event);
  ControlDesign design_;

 private:
  Form& form_;
  Control* container_;
  Text caption_;
  int mousePointer_ = mouse::kDefault;
  Picture mouseIcon_;
  std::unique_ptr<ControlPeer> peer_;
};

class Label : public Control {
 public:
  using Control::Control;
};

class CommandButton : public Control {
 public:
  using Control::Control;
};

class Frame : public Control {
 public:
  using Control::Control;
};

class PictureBox : public Control {
 public:
  using Control::Control;
};

class Image : public Control {
 public:
  using Control::Control;
};

class Line : public Control {
 public:
  using Control::Control;
};

class TextBox : public Control {
 public:
  TextBox(Form& form, const ControlDesign& design, Control* container);
  const Text& GetText() const { return text_; }
  // A different value raises Change at once, nested inside the set.
  void SetText(const Text& text);
  Event Change;
  void UserTyped(const Text& text);
  void ResetToDesign() override;

 private:
  Text text_;
};

class ListBox : public Control {
 public:
  // The most items a list holds; one more is refused.
  static constexpr std::size_t kMaxItems = 32767;

  ListBox(Form& form, const ControlDesign& design, Control* container);
  void AddItem(const Text& item);
  // Raises no Click.
  void Clear();
  std::int16_t ListCount() const { return static_cast<std::int16_t>(items_.size()); }
  std::int16_t ListIndex() const { return listIndex_; }
  // -1 clears the selection; a position past the last item throws.
  void SetListIndex(int index);
  // The item's text; the empty text at -1 or past the end.
  Text List(int index) const;
  const std::vector<Text>& Items() const { return items_; }
  void UserSelect(int index);
  void ResetToDesign() override;

 private:
  std::vector<Text> items_;
  std::int16_t listIndex_ = -1;
};

class OptionButton : public Control {
 public:
  OptionButton(Form& form, const ControlDesign& design, Control* container);
  bool IsChosen() const { return value_; }
  // The options of this one's container, this one included, in design order.
  std::vector<OptionButton*> Group() const;
  // Choosing one option clears the others of its container; Click follows.
  void SetValue(bool chosen);
  void UserChoose();
  void ResetToDesign() override;

 private:
  bool value_;
};

}  // namespace toolkit
