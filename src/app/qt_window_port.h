// WindowPort on the Qt widgets of a window.
//
// Every value lives in a store under a lock: a write from any thread stores it and returns, a read
// returns the store, and the GUI thread draws the changes later, with at most one queued request
// pending however many writes arrive. So the worker never waits on the GUI thread for a label or
// the bar. Drawing for other threads' writes happens at most about 60 times a second. The user's
// own edits (typing, ticking the check box) go into the store too.
//
// Once the calling thread's stop has been requested (platform/stop), its writes are dropped and
// its message boxes and dialogs return at once: a stopped job cannot change the window any more,
// even with a write that was on its way when the window was reset.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/window_port.h"

class QDialog;
class QWidget;

namespace rudiruza {

class QtWindowPort final : public QObject, public WindowPort {
 public:
  // Takes the named direct children of root as the controls; the save dialog first proposes the
  // smart-name marker in defaultFolder.
  QtWindowPort(QWidget* root, QString defaultFolder);
  ~QtWindowPort() override;

  void SetText(std::string_view control, const Text& value) override;
  Text GetText(std::string_view control) override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool IsEnabled(std::string_view control) override;
  void SetChecked(std::string_view control, bool checked) override;
  bool IsChecked(std::string_view control) override;
  void SetPosition(std::string_view control, int position) override;
  int GetPosition(std::string_view control) override;
  void SetPicture(std::string_view control, const Bytes& picture) override;
  void SetFocus(std::string_view control) override;
  bool ShowMessage(const Text& text, const Text& caption, int style) override;
  std::optional<Text> ShowSaveDialog() override;

  // Draws every stored change now (GUI thread).
  void Flush();

 private:
  enum class Kind { kEdit, kLabel, kButton, kBar, kPicture, kOther };
  enum Dirty : unsigned { kText = 1, kEnabled = 2, kChecked = 4, kPosition = 8, kPicture = 16 };
  struct Control {
    QWidget* widget = nullptr;
    Kind kind = Kind::kOther;
    Text text;
    bool enabled = true;
    bool checked = false;
    int position = 0;
    int minimum = 0;
    int maximum = 0;
    Bytes picture;
    unsigned dirty = 0;
  };
  struct DialogWait;

  bool OnGuiThread() const;
  Control* Find(std::string_view name);
  // Stores a write with `store` (under the lock) and has it drawn; false when the write is dropped.
  template <class Store>
  void Write(std::string_view name, unsigned what, Store store);
  // A stored value of the control, or fallback for an unknown control.
  template <class T>
  T Read(std::string_view name, T Control::*field, T fallback);
  void RequestFlush();
  void WatchUserEdits(const std::string& name, Control& control);
  // Shows a dialog made on the GUI thread by `make` and waits for it, from a thread that is not
  // the GUI thread; closes it when the caller's stop is requested (result: nothing).
  std::shared_ptr<DialogWait> AwaitDialog(std::function<QDialog*()> make);
  QDialog* MakeMessageBox(const Text& text, const Text& caption, int style);
  QString SaveProposal() const;

  std::map<std::string, Control, std::less<>> controls_;  // fixed after construction
  std::mutex mutex_;
  std::vector<Control*> dirtyControls_;
  std::string focus_;
  std::atomic<bool> flushQueued_{false};
  QElapsedTimer sinceFlush_;  // GUI thread only
  QString defaultFolder_;
  QString lastChosen_;                          // GUI thread only
  std::vector<QPointer<QDialog>> openDialogs_;  // boxes shown for other threads; GUI thread only
};

}  // namespace rudiruza
