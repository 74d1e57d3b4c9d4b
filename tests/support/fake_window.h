// A recording stand-in for the main window: every control write lands in a map and in a log,
// message boxes are recorded and answered from a script, the save dialog from a queue.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/window_port.h"

namespace rudiruza::test {

class FakeWindow : public WindowPort {
 public:
  struct Message {
    Text text;
    Text caption;
    int style;
  };

  // Starts with the main window's initial control values.
  FakeWindow();

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

  // Answers for the next Yes/No boxes (default: No). With BlockMessages(true) a box waits until
  // the calling thread's stop request, as a box the user leaves open.
  void QueueAnswer(bool yes);
  void BlockMessages(bool block);
  void QueueSaveDialog(std::optional<Text> result);

  std::vector<Message> Messages() const;
  // Every write, in order, as "name=value" (texts as bytes, flags as 0/1, "focus" for focus).
  std::vector<std::string> Log() const;
  void ClearLog();
  Bytes Picture(std::string_view control) const;
  int PictureWrites() const;
  std::string Focus() const;

 private:
  void Record(std::string_view control, const std::string& value);

  mutable std::mutex mutex_;
  std::map<std::string, Text, std::less<>> texts_;
  std::map<std::string, bool, std::less<>> enabled_;
  std::map<std::string, bool, std::less<>> checked_;
  std::map<std::string, int, std::less<>> positions_;
  std::map<std::string, Bytes, std::less<>> pictures_;
  int pictureWrites_ = 0;
  std::string focus_;
  std::vector<Message> messages_;
  std::deque<bool> answers_;
  bool blockMessages_ = false;
  std::deque<std::optional<Text>> saveDialogs_;
  std::vector<std::string> log_;
};

}  // namespace rudiruza::test
