#include "toolkit/form.h"

#include <algorithm>

#include "runtime/text.h"
#include "toolkit/application.h"

namespace toolkit {

namespace {

std::unique_ptr<Control> MakeControl(Form& form, const ControlDesign& d, Control* container) {
  switch (d.kind) {
    case Kind::Label: return std::make_unique<Label>(form, d, container);
    case Kind::TextBox: return std::make_unique<TextBox>(form, d, container);
    case Kind::ListBox: return std::make_unique<ListBox>(form, d, container);
    case Kind::CommandButton: return std::make_unique<CommandButton>(form, d, container);
    case Kind::OptionButton: return std::make_unique<OptionButton>(form, d, container);
    case Kind::Frame: return std::make_unique<Frame>(form, d, container);
    case Kind::PictureBox: return std::make_unique<PictureBox>(form, d, container);
    case Kind::Image: return std::make_unique<Image>(form, d, container);
    case Kind::Line: return std::make_unique<Line>(form, d, container);
    case Kind::Form: break;
  }
  throw std::logic_error("a form cannot hold a form: " + d.name);
}

}  // namespace

Form::Form(Application& app, FormDesign design, const std::vector<ControlDesign>& controls)
    : app_(app), design_(std::move(design)), caption_(design_.caption) {
  // A design may list a control before its container; resolve containers after
  // every control exists by building in passes.
  std::vector<const ControlDesign*> pending;
  for (const auto& d : controls) pending.push_back(&d);
  while (!pending.empty()) {
    const auto before = pending.size();
    for (auto it = pending.begin(); it != pending.end();) {
      const ControlDesign& d = **it;
      Control* container = nullptr;
      if (!d.container.empty()) {
        auto found = byName_.find(d.container);
        if (found == byName_.end()) {
          ++it;
          continue;
        }
        container = found->second;
      }
      if (byName_.count(d.name)) throw std::logic_error("two controls named " + d.name);
      controls_.push_back(MakeControl(*this, d, container));
      byName_[d.name] = controls_.back().get();
      it = pending.erase(it);
    }
    if (pending.size() == before) throw std::logic_error("no container named " + pending.front()->container);
  }
}

Form::~Form() { DestroyPeers(); }

void Form::SetCaption(const Text& caption) {
  caption_ = caption;
  if (peer_) peer_->SetCaption(caption_);
}

Control& Form::operator[](const std::string& name) const {
  auto found = byName_.find(name);
  if (found == byName_.end()) throw std::out_of_range(Name() + " has no control named " + name);
  return *found->second;
}

std::vector<Control*> Form::TabOrder() const {
  std::vector<Control*> order;
  for (const auto& c : controls_)
    if (c->CanFocus() && c->TabIndex() >= 0 && c->Design().tabStop) order.push_back(c.get());
  std::stable_sort(order.begin(), order.end(),
                   [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
  return order;
}

std::optional<Color> Form::ColorBeneath(const Control& control) const {
  // The designs put one such label under a control at most: the first one counts.
  for (const auto& other : controls_) {
    const ControlDesign& d = other->Design();
    if (other.get() != &control && d.kind == Kind::Label && d.backColor && other->Container() == control.Container() &&
        d.rect.Contains(control.Geometry()))
      return d.backColor;
  }
  return std::nullopt;
}

std::uintptr_t Form::hWnd() const { return peer_ ? peer_->NativeHandle() : 0; }

void Form::MoveFocus(Control* control, bool fromUser) {
  if (control == active_) return;
  active_ = control;
  // A backend reports focus it already moved; only code-driven moves go out.
  if (!fromUser && control->Peer()) control->Peer()->SetFocus();
  if (control->GotFocus) Raise(control->GotFocus);
}

void Form::UserAccessKey(char16_t letter) {
  letter = runtime::LowerAscii(letter);
  for (const auto& c : controls_) {
    if (c->AccessKey() != letter) continue;
    if (c->GetKind() == Kind::CommandButton) {
      MoveFocus(c.get(), false);
      c->UserClick();
      return;
    }
    if (auto* option = dynamic_cast<OptionButton*>(c.get())) {
      MoveFocus(c.get(), false);
      option->UserChoose();
      return;
    }
  }
}

void Form::UserClose() { UnloadForm(); }

void Form::Raise(const std::function<void()>& handler) { app_.Raise(handler); }

void Form::LoadForm() {
  if (loaded_) return;
  if (!initialized_) {
    initialized_ = true;
    if (Initialize) Raise(Initialize);
  }
  loaded_ = true;
  app_.FormLoaded(*this);
  CreatePeers();
  if (Load) Raise(Load);
}

void Form::Show() {
  if (!loaded_) {
    LoadForm();
    // The Load handler may have shown the form, or unloaded it again.
    if (!loaded_ || shown_) return;
  }
  if (shown_) {
    peer_->BringToFront();
    return;
  }
  shown_ = true;
  peer_->Show();
  if (!active_) {
    const auto order = TabOrder();
    if (!order.empty()) MoveFocus(order.front(), false);
  }
}

void Form::UnloadForm() {
  // An Unload handler that walks the open forms meets its own form: one unload.
  if (!loaded_ || unloading_) return;
  unloading_ = true;
  std::int16_t cancel = 0;
  if (Unload) Raise([&] { Unload(cancel); });
  unloading_ = false;
  if (cancel != 0) return;
  DestroyPeers();
  for (const auto& c : controls_) c->ResetToDesign();
  caption_ = design_.caption;
  active_ = nullptr;
  loaded_ = false;
  shown_ = false;
  app_.FormUnloaded(*this);
}

void Form::CreatePeers() {
  peer_ = app_.GetBackend().CreateFormPeer(*this);
  for (const auto& c : controls_) c->AttachPeer(peer_->CreateControlPeer(*c));
  peer_->ControlsCreated();
}

void Form::DestroyPeers() {
  for (const auto& c : controls_) c->DetachPeer();
  peer_.reset();
}

}  // namespace toolkit
