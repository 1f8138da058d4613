#include "toolkit/application.h"

#include <exception>

#include "runtime/text.h"

namespace tk {

Application::Application(Backend& backend, AppInfo info) : backend_(backend), info_(std::move(info)) {}

void Application::FormLoaded(Form& form) { forms_.push_back(&form); }

void Application::FormUnloaded(Form& form) {
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
