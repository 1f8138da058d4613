#pragma once
// The null backend: no screen and no state. Peers ignore what the model pushes,
// a message box is answered OK at once, and there is no event loop to run.
#include <memory>

#include "toolkit/backend.h"

namespace tk {

class NullFormPeer : public FormPeer {
 public:
  std::unique_ptr<ControlPeer> CreateControlPeer(Control&) override { return std::make_unique<ControlPeer>(); }
  void Show() override {}
  void BringToFront() override {}
  void SetCaption(const Text&) override {}
  std::uintptr_t NativeHandle() const override { return 0; }
};

class HeadlessBackend : public Backend {
 public:
  std::unique_ptr<FormPeer> CreateFormPeer(Form&) override { return std::make_unique<NullFormPeer>(); }
  int MessageBox(const Text&, const Text&, int) override { return msgbox::kOk; }
  void SetScreenMousePointer(int) override {}
  void DoEvents() override {}
  int Run() override { return 0; }
  void Quit() override {}
};

}  // namespace tk
