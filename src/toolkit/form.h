#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/controls.h"
#include "toolkit/types.h"

namespace toolkit {

class Application;

class Form {
 public:
  Form(Application& app, FormDesign design, const std::vector<ControlDesign>& controls);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Application& App() const { return app_; }
  const FormDesign& Design() const { return design_; }
  const std::string& Name() const { return design_.name; }

  const Text& Caption() const { return caption_; }
  void SetCaption(const Text& caption);

  // The control of that name; throws when the design has none.
  Control& operator[](const std::string& name) const;
  template <typename T>
  T& Get(const std::string& name) const {
    auto* typed = dynamic_cast<T*>(&(*this)[name]);
    if (!typed) throw std::logic_error("control " + name + " is of another kind");
    return *typed;
  }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  // Controls that can take the focus, by tab index.
  std::vector<Control*> TabOrder() const;
  // The designed colour of a label of the same container that holds the
  // control's whole rectangle (a band it stands on); none when there is none.
  std::optional<Color> ColorBeneath(const Control& control) const;

  // Loads the form when it is not loaded (Initialize, then Load), then shows
  // it, or brings it to the front when it is shown already.
  void Show();
  // Loads without showing; the Load handler may show the form.
  void LoadForm();
  // Runs the Unload handler once; unless it cancels, the form closes and the
  // next load starts from the design.
  void UnloadForm();

  Control* ActiveControl() const { return active_; }
  // Moves the focus to a control of this form and raises its GotFocus. From
  // the user, the backend has moved it already and is not told again.
  void MoveFocus(Control* control, bool fromUser);
  bool Loaded() const { return loaded_; }
  bool Shown() const { return shown_; }
  std::uintptr_t hWnd() const;
  FormPeer* Peer() const { return peer_.get(); }

  Event Initialize;
  Event Load;
  std::function<void(std::int16_t& cancel)> Unload;

  // Alt and a letter pressed on the form.
  void UserAccessKey(char16_t letter);
  // The close box or the window menu's close command.
  void UserClose();

  // Runs a handler through the application's dispatch.
  void Raise(const std::function<void()>& handler);

 private:
  void CreatePeers();
  void DestroyPeers();

  Application& app_;
  FormDesign design_;
  Text caption_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<std::string, Control*> byName_;
  Control* active_ = nullptr;
  bool initialized_ = false;
  bool loaded_ = false;
  bool shown_ = false;
  bool unloading_ = false;
  std::unique_ptr<FormPeer> peer_;
};

}  // namespace toolkit
