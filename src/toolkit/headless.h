#pragma once
// The null backend: no screen. Message boxes are answered by a scripted
// responder that records them, and posted user input runs inside DoEvents.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/backend.h"

namespace tk {

struct ShownMessage {
  Text title;
  Text text;
  int style = 0;
};

class HeadlessBackend : public Backend {
 public:
  std::unique_ptr<FormPeer> CreateFormPeer(Form& form) override;
  int MessageBox(const Text& title, const Text& text, int style) override;
  void SetScreenMousePointer(int pointer) override { pointerHistory.push_back(pointer); }
  void DoEvents() override;
  int Run() override;
  void Quit() override { quit = true; }

  // User input that waits for the next DoEvents (or Run).
  void Post(std::function<void()> input) { queue_.push_back(std::move(input)); }

  std::vector<ShownMessage> messages;
  // Runs while a box is open, before it is answered with OK.
  std::function<void(const ShownMessage&)> onMessage;
  std::vector<int> pointerHistory;
  int doEventsCalls = 0;
  bool quit = false;
  std::map<std::string, int> shows;         // form name -> times shown
  std::map<std::string, int> broughtFront;  // form name -> times brought forward

 private:
  std::deque<std::function<void()>> queue_;
};

}  // namespace tk
