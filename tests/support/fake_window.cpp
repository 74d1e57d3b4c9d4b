#include "support/fake_window.h"

#include <condition_variable>
#include <stop_token>

#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"

namespace rudiruza::test {

namespace {

// The value stored for control, or T's empty value.
template <class Map>
typename Map::mapped_type Lookup(const Map& map, std::string_view control) {
  auto it = map.find(control);
  return it == map.end() ? typename Map::mapped_type() : it->second;
}

}  // namespace

FakeWindow::FakeWindow() {
  const char* captions[][2] = {
      {"标签2", "地址或ID"},
      {"标签3", "文 件 名"},
      {"按钮_浏览", "浏  览"},
      {"选择框1", "打开所在文件夹"},
      {"透明标签1", "请看上图按顺序写出 红，黄，蓝，绿颜色字"},
      {"标签_文件大小", "文件大小"},
      {"按钮_开始", "开始下载"},
      {"按钮_取消", "取消下载"},
      {"标签_已下载", "已 下 载"},
      {"标签_所用时间", "所用时间"},
      {"标签_所用时间1", "下载速度"},
      {"按钮_注册右键", "注册右键"},
      {"按钮_注销右键", "注销右键"},
      {"标签_所用时间2", "剩余时间"},
  };
  for (const auto& [name, caption] : captions) texts_[name] = TextFromUtf8(caption);
  for (const char* name : {"编辑框_id", "编辑框_文件名", "编辑框_验证码", "标签_大小", "标签_下载",
                           "标签_时间", "标签_速度", "标签_速度1", "标签4"}) {
    texts_[name] = Text();
  }
  for (const char* name : {"编辑框_id", "按钮_浏览", "编辑框_验证码", "按钮_开始", "按钮_注册右键",
                           "按钮_注销右键", "选择框1", "图片框1"}) {
    enabled_[name] = true;
  }
  enabled_["编辑框_文件名"] = false;
  enabled_["按钮_取消"] = false;
  checked_["选择框1"] = true;
  positions_["进度条1"] = 0;
}

void FakeWindow::Record(std::string_view control, const std::string& value) {
  log_.push_back(std::string(control) + "=" + value);
}

void FakeWindow::SetText(std::string_view control, const Text& value) {
  std::lock_guard lock(mutex_);
  texts_.insert_or_assign(std::string(control), value);
  Record(control, value);
}

Text FakeWindow::GetText(std::string_view control) {
  std::lock_guard lock(mutex_);
  return Lookup(texts_, control);
}

void FakeWindow::SetEnabled(std::string_view control, bool enabled) {
  std::lock_guard lock(mutex_);
  enabled_.insert_or_assign(std::string(control), enabled);
  Record(control, enabled ? "1" : "0");
}

bool FakeWindow::IsEnabled(std::string_view control) {
  std::lock_guard lock(mutex_);
  return Lookup(enabled_, control);
}

void FakeWindow::SetChecked(std::string_view control, bool checked) {
  std::lock_guard lock(mutex_);
  checked_.insert_or_assign(std::string(control), checked);
  Record(control, checked ? "1" : "0");
}

bool FakeWindow::IsChecked(std::string_view control) {
  std::lock_guard lock(mutex_);
  return Lookup(checked_, control);
}

void FakeWindow::SetPosition(std::string_view control, int position) {
  std::lock_guard lock(mutex_);
  positions_.insert_or_assign(std::string(control), position);
  Record(control, std::to_string(position));
}

int FakeWindow::GetPosition(std::string_view control) {
  std::lock_guard lock(mutex_);
  return Lookup(positions_, control);
}

void FakeWindow::SetPicture(std::string_view control, const Bytes& picture) {
  std::lock_guard lock(mutex_);
  pictures_.insert_or_assign(std::string(control), picture);
  ++pictureWrites_;
  Record(control, "picture:" + std::to_string(picture.size()));
}

void FakeWindow::SetFocus(std::string_view control) {
  std::lock_guard lock(mutex_);
  focus_ = std::string(control);
  Record("focus", focus_);
}

bool FakeWindow::ShowMessage(const Text& text, const Text& caption, int style) {
  std::unique_lock lock(mutex_);
  messages_.push_back({text, caption, style});
  Record("message", text);
  if (blockMessages_) {
    std::condition_variable_any wakeUp;
    std::stop_token stop = ThreadStopToken();
    wakeUp.wait(lock, stop, [] { return false; });
    return false;
  }
  if (StopRequested()) return false;
  bool yes = false;
  if (style == kMessageQuestion && !answers_.empty()) {
    yes = answers_.front();
    answers_.pop_front();
  }
  return yes;
}

std::optional<Text> FakeWindow::ShowSaveDialog() {
  std::lock_guard lock(mutex_);
  Record("dialog", "");
  if (saveDialogs_.empty()) return std::nullopt;
  auto result = saveDialogs_.front();
  saveDialogs_.pop_front();
  return result;
}

void FakeWindow::QueueAnswer(bool yes) {
  std::lock_guard lock(mutex_);
  answers_.push_back(yes);
}

void FakeWindow::BlockMessages(bool block) {
  std::lock_guard lock(mutex_);
  blockMessages_ = block;
}

void FakeWindow::QueueSaveDialog(std::optional<Text> result) {
  std::lock_guard lock(mutex_);
  saveDialogs_.push_back(std::move(result));
}

std::vector<FakeWindow::Message> FakeWindow::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> FakeWindow::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void FakeWindow::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

Bytes FakeWindow::Picture(std::string_view control) const {
  std::lock_guard lock(mutex_);
  return Lookup(pictures_, control);
}

int FakeWindow::PictureWrites() const {
  std::lock_guard lock(mutex_);
  return pictureWrites_;
}

std::string FakeWindow::Focus() const {
  std::lock_guard lock(mutex_);
  return focus_;
}

}  // namespace rudiruza::test
