// What the core may do with the main window: its controls by name, the keyboard focus, message
// boxes and the save dialog. The Qt window implements it; tests use a recording fake.
//
// Control names are the widgets' object names (UTF-8, e.g. "编辑框_id"); every text value is a
// Text (GB18030), converted by the window. Any method may be called from any thread. A write
// takes effect before it returns (a read right after it returns the new value); drawing happens
// later on the window's thread, so a write costs little.
#pragma once

#include <optional>
#include <string_view>

#include "lookup/text.h"

namespace rudiruza {

// Message box styles the program uses.
inline constexpr int kMessageOk = 0;
inline constexpr int kMessageInformation = 64;
inline constexpr int kMessageQuestion = 36;  // Yes and No

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // The text of an edit box or the caption of a label, check box or button.
  virtual void SetText(std::string_view control, const Text& value) = 0;
  virtual Text GetText(std::string_view control) = 0;

  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
  virtual bool IsEnabled(std::string_view control) = 0;

  virtual void SetChecked(std::string_view control, bool checked) = 0;
  virtual bool IsChecked(std::string_view control) = 0;

  // Position of a progress bar (its range is 0 to 10000).
  virtual void SetPosition(std::string_view control, int position) = 0;
  virtual int GetPosition(std::string_view control) = 0;

  // The picture of a picture box, from the bytes of an image file; bytes that are no picture
  // leave the box empty.
  virtual void SetPicture(std::string_view control, const Bytes& picture) = 0;

  virtual void SetFocus(std::string_view control) = 0;

  // Shows a message box and waits until it is closed. It never blocks the main window. A stop
  // request of the calling thread (see platform/stop) closes it; the result is then false.
  // Returns true only when Yes was chosen (style kMessageQuestion).
  virtual bool ShowMessage(const Text& text, const Text& caption, int style) = 0;

  // The save dialog with its current proposal; the chosen path, or nothing when cancelled.
  virtual std::optional<Text> ShowSaveDialog() = 0;
};

}  // namespace rudiruza
