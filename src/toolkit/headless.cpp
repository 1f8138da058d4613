#include "toolkit/headless.h"

#include "toolkit/form.h"

namespace tk {
namespace {

class HeadlessFormPeer : public FormPeer {
 public:
  HeadlessFormPeer(HeadlessBackend& backend, Form& form, std::uintptr_t handle)
      : backend_(backend), form_(form), handle_(handle) {}
  std::unique_ptr<ControlPeer> CreateControlPeer(Control&) override { return std::make_unique<ControlPeer>(); }
  void Show() override { ++backend_.shows[form_.Name()]; }
  void BringToFront() override { ++backend_.broughtFront[form_.Name()]; }
  void SetCaption(const Text&) override {}
  std::uintptr_t NativeHandle() const override { return handle_; }

 private:
  HeadlessBackend& backend_;
  Form& form_;
  std::uintptr_t handle_;
};

}  // namespace

std::unique_ptr<FormPeer> HeadlessBackend::CreateFormPeer(Form& form) {
  static std::uintptr_t nextHandle = 0x10000;
  nextHandle += 0x10;
  return std::make_unique<HeadlessFormPeer>(*this, form, nextHandle);
}

int HeadlessBackend::MessageBox(const Text& title, const Text& text, int style) {
  messages.push_back({title, text, style});
  if (onMessage) {
    const ShownMessage shown = messages.back();
    onMessage(shown);
  }
  return msgbox::kOk;
}

void HeadlessBackend::DoEvents() {
  ++doEventsCalls;
  // Only what was queued before this call; input posted meanwhile waits.
  auto pending = std::move(queue_);
  queue_.clear();
  for (auto& input : pending) input();
}

int HeadlessBackend::Run() {
  while (!quit && !queue_.empty()) DoEvents();
  return 0;
}

}  // namespace tk
