#include "toolkit/application.h"

#include <exception>

#include "runtime/text.h"

namespace tk {

Application::Application(Backend& backend, AppInfo info) : backend_(backend), info_(std::move(info)) {}

void Application::LoadForm(Form& form) {
  if (form.loaded_) return;
  if (!form.initialized_) {
    form.initialized_ = true;
    if (form.Initialize) Raise(form.Initialize);
  }
  form.loaded_ = true;
  forms_.push_back(&form);
  form.CreatePeers();
  if (form.Load) Raise(form.Load);
}

void Application::Show(Form& form) {
  if (!form.loaded_) {
    LoadForm(form);
    // The Load handler may have shown the form, or unloaded it again.
    if (!form.loaded_ || form.shown_) return;
  }
  if (form.shown_) {
    form.peer_->BringToFront();
    return;
  }
  form.shown_ = true;
  form.peer_->Show();
  if (!form.active_) {
    const auto order = form.TabOrder();
    if (!order.empty()) form.MoveFocus(order.front(), false);
  }
}

void Application::Unload(Form& form) {
  // A form whose Unload handler walks the open forms meets itself: one unload.
  if (!form.loaded_ || form.unloading_) return;
  form.unloading_ = true;
  std::int16_t cancel = 0;
  if (form.Unload) Raise([&] { form.Unload(cancel); });
  form.unloading_ = false;
  if (cancel != 0) return;
  form.DestroyPeers();
  for (const auto& c : form.controls_) c->ResetToDesign();
  form.caption_ = form.design_.caption;
  form.active_ = nullptr;
  form.loaded_ = false;
  form.shown_ = false;
  std::erase(forms_, &form);
  if (forms_.empty() && !ended_) {
    ended_ = true;
    backend_.Quit();
  }
}

int Application::MsgBox(const Text& text, int style) {
  // The focus stays where it is: closing the box raises no GotFocus.
  return backend_.MessageBox(info_.title, text, style);
}

void Application::SetMousePointer(int pointer) {
  screenPointer_ = pointer;
  backend_.SetScreenMousePointer(pointer);
}

void Application::DoEvents() { backend_.DoEvents(); }

Picture Application::LoadResCursor(int id) const {
  auto found = cursors_.find(id);
  if (found == cursors_.end()) throw std::runtime_error("Resource with identifier " + std::to_string(id) + " not found");
  return found->second;
}

void Application::Raise(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    MsgBox(u"Run-time error: " + rt::FromUtf8(e.what()), msgbox::kCritical);
  }
}

int Application::Run() { return ended_ ? 0 : backend_.Run(); }

}  // namespace tk
