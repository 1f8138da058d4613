#pragma once
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/form.h"

namespace toolkit {

struct AppInfo {
  Text title;
  int major = 0, minor = 0, revision = 0;
  Text path;  // the directory of the executable, without a final separator
};

// The application object: the open forms, message boxes, the screen's cursor, pending
// events, and the dispatch that keeps a failing handler from ending the program.
class Application {
 public:
  Application(Backend& backend, AppInfo info);

  const Text& Title() const { return info_.title; }
  int Major() const { return info_.major; }
  int Minor() const { return info_.minor; }
  int Revision() const { return info_.revision; }
  const Text& Path() const { return info_.path; }
  Backend& GetBackend() const { return backend_; }

  // The open forms, in the order they were loaded.
  std::vector<Form*> Forms() const { return forms_; }
  // A form reports its own load and unload; the program ends when no form is left.
  void FormLoaded(Form& form);
  void FormUnloaded(Form& form);

  int MsgBox(const Text& text, int style = msgbox::kOkOnly);
  int MousePointer() const { return screenPointer_; }
  void SetMousePointer(int pointer);
  void DoEvents();
  void InitCommonControls() { backend_.InitCommonControls(); }

  // A blocking call (a download) run so that the window never looks hung:
  // see Backend::Offload. Its result, or what it threw, comes back here.
  template <typename Work>
  auto Offload(Work&& work) {
    std::optional<std::invoke_result_t<Work&>> result;
    std::exception_ptr failure;
    backend_.Offload([&] {
      try {
        result.emplace(work());
      } catch (...) {
        failure = std::current_exception();
      }
    });
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
  }

  void RegisterCursor(int id, Picture picture) { cursors_[id] = std::move(picture); }
  Picture LoadResCursor(int id) const;

  // Runs a handler; an exception escaping it is shown and the program goes on.
  void Raise(const std::function<void()>& handler);

  int Run();
  bool Ended() const { return ended_; }

 private:
  Backend& backend_;
  AppInfo info_;
  std::vector<Form*> forms_;
  std::map<int, Picture> cursors_;
  int screenPointer_ = mouse::kDefault;
  bool ended_ = false;
};

}  // namespace toolkit
