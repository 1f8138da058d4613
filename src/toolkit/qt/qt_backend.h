#pragma once
// The Qt Widgets backend: a real top-level QWidget per form and a widget per
// control. Widgets mirror the model; what the user does goes back through the
// model's User* entry points, which raise the events.
//
// Implemented features:
// - every Backend entry point; InitCommonControls is not needed
// - message boxes modal for the program, plain text, focus given back
// - offloaded work with painting on and the user's input held back
// - geometry at 15 twips a pixel, Qt scaling it for dense screens
// - tab order, tabStop, access keys, arrows in option groups, Enter on buttons
// - captions, texts, lists, options, tool tips, fonts, autoSize, alignment
// - designed colours fitted to the theme (dark ones too), again when it changes
// - pictures (with "@2x" drawings), icons, mouse pointers, lines
// - accessibleName, tool tips as accessible descriptions, decorative
// - controls beyond the client area: offscreen to screen readers until uncovered
// - selectable labels: mouse selection, Copy menu, Ctrl+C, the menu key
// - focusable pictures: Space and Enter press them, a focus frame shows
//
// Missing features:
// - live-region announcements (Qt 6.4 has none): a new result is heard only
//   as the label's changed accessible name
#include <QFont>
#include <QObject>
#include <QPointer>
#include <memory>
#include <unordered_map>
#include <vector>

#include "toolkit/backend.h"

class QWidget;

namespace toolkit::qt {

class ControlPeerBase;
class FormWindow;

// The designs were laid out for a narrow 8-point sans serif that Linux lacks:
// an installed face in which every designed caption fits its control.
QFont DefaultFont();

class QtBackend : public Backend {
 public:
  // Needs the program's QApplication; sets the default font on it.
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  std::unique_ptr<FormPeer> CreateFormPeer(Form& form) override;
  int MessageBox(const Text& title, const Text& text, int style) override;
  void SetScreenMousePointer(int pointer) override;
  void DoEvents() override;
  int Run() override;
  void Quit() override;
  void Offload(const std::function<void()>& work) override;

  // A close asked for while a handler waits for offloaded work: it comes
  // after that handler, as the user's input does.
  bool Offloading() const { return offloading_ > 0; }
  void CloseLater(qt::FormWindow* window);

  // Peers register their widget so that a focus change can be told to the
  // model's control.
  void Register(QWidget* widget, qt::ControlPeerBase* peer);
  void Unregister(QWidget* widget);
  void AddWindow(qt::FormWindow* window);

  // Moves Qt's focus for the model: the focus change that follows is the
  // model's own, not the user's.
  void FocusForModel(QWidget* widget);

  // DefaultFont(), chosen once: the font every form window starts from.
  const QFont& WindowFont() const { return windowFont_; }

 private:
  void OnFocusChanged(QWidget* now);
  void RestoreModelFocus(qt::FormWindow* window);
  void RemoveDeadWindows();

  QObject context_;  // receives QApplication's focus signal for this backend
  QFont windowFont_;
  std::unordered_map<QWidget*, qt::ControlPeerBase*> peers_;
  std::vector<QPointer<qt::FormWindow>> windows_;
  std::vector<QPointer<qt::FormWindow>> closeLater_;
  int offloading_ = 0;
  int focusNotFromUser_ = 0;
  bool busy_ = false;
  bool running_ = false;
  bool quitEarly_ = false;
};

}  // namespace toolkit::qt
