#pragma once
// The null backend with a memory: it records message boxes, the screen's
// cursor and which forms were shown, and posted user input runs inside the
// next DoEvents, so tests see what a user would have seen.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/headless.h"

namespace support {

struct ShownMessage {
  toolkit::Text title;
  toolkit::Text text;
  int style = 0;
};

class RecordingBackend : public toolkit::HeadlessBackend {
 public:
  std::unique_ptr<toolkit::FormPeer> CreateFormPeer(toolkit::Form& form) override {
    nextHandle_ += 0x10;
    return std::make_unique<FormPeer>(*this, form.Name(), nextHandle_);
  }
  int MessageBox(const toolkit::Text& title, const toolkit::Text& text, int style) override {
    messages.push_back({title, text, style});
    if (onMessage) {
      const ShownMessage shown = messages.back();
      onMessage(shown);
    }
    return toolkit::msgbox::kOk;
  }
  void SetScreenMousePointer(int pointer) override { pointerHistory.push_back(pointer); }
  void DoEvents() override {
    // Only what was queued before this call; input posted meanwhile waits.
    auto pending = std::move(queue_);
    queue_.clear();
    for (auto& input : pending) input();
  }
  int Run() override {
    while (!quit && !queue_.empty()) DoEvents();
    return 0;
  }
  void Quit() override { quit = true; }

  // User input that waits for the next DoEvents (or Run).
  void Post(std::function<void()> input) { queue_.push_back(std::move(input)); }

  std::vector<toolkit::Text> MessageTexts() const {
    std::vector<toolkit::Text> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
  }

  std::vector<ShownMessage> messages;
  // Runs while a box is open, before it is answered with OK.
  std::function<void(const ShownMessage&)> onMessage;
  std::vector<int> pointerHistory;
  bool quit = false;
  std::map<std::string, int> shows;         // form name -> times shown
  std::map<std::string, int> broughtFront;  // form name -> times brought forward

 private:
  class FormPeer : public toolkit::NullFormPeer {
   public:
    FormPeer(RecordingBackend& backend, std::string name, std::uintptr_t handle)
        : backend_(backend), name_(std::move(name)), handle_(handle) {}
    void Show() override { ++backend_.shows[name_]; }
    void BringToFront() override { ++backend_.broughtFront[name_]; }
    std::uintptr_t NativeHandle() const override { return handle_; }

   private:
    RecordingBackend& backend_;
    std::string name_;
    std::uintptr_t handle_;
  };

  std::deque<std::function<void()>> queue_;
  std::uintptr_t nextHandle_ = 0x10000;
};

}  // namespace support
