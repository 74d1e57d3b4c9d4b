#include "download/download_job.h"

#include <filesystem>
#include <system_error>

#include "download/progress.h"
#include "download/transfer.h"
#include "lookup/captcha.h"
#include "lookup/resource_query.h"
#include "lookup/service_url.h"
#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"
#include "platform/window/ui_states.h"

namespace rudiruza {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kIdBox = "编辑框_id";
constexpr std::string_view kFileNameBox = "编辑框_文件名";
constexpr std::string_view kCaptchaBox = "编辑框_验证码";
constexpr std::string_view kPicture = "图片框1";
constexpr std::string_view kBar = "进度条1";
constexpr std::string_view kOpenFolderBox = "选择框1";

Text Gbk(std::string_view utf8) { return TextFromUtf8(utf8); }

// Runs one visible step unless Cancel came first; see JobGate.
template <typename F>
bool Step(JobGate& gate, F&& step) {
  std::lock_guard lock(gate.Mutex());
  if (StopRequested()) return false;
  step();
  return true;
}

// A message box of the job. False when Cancel came before or while it was open.
bool Tell(WindowPort& window, const Text& text, int style, const Text& caption = Gbk("信息：")) {
  if (StopRequested()) return false;
  window.ShowMessage(text, caption, style);
  return !StopRequested();
}

fs::path PathOf(const Text& text) { return fs::path(Utf8FromText(text)); }

// The partial file replaces the target; when a rename is refused, copy and delete.
void MoveOver(const Text& from, const Text& to) {
  std::error_code error;
  fs::rename(PathOf(from), PathOf(to), error);
  if (!error) return;
  if (fs::copy_file(PathOf(from), PathOf(to), fs::copy_options::overwrite_existing, error)) {
    fs::remove(PathOf(from), error);
  }
}

void RefreshPicture(WindowPort& window, JobGate& gate) {
  Bytes picture = FetchCaptchaPicture(ServiceBaseUrl());
  Step(gate, [&] { window.SetPicture(kPicture, picture); });
}

JobResult Finish(WindowPort& window, JobGate& gate, JobResult result) {
  if (!Step(gate, [&] { ResetUiControls(window); })) result.ending = JobEnding::kStopped;
  return result;
}

JobResult Stopped(JobResult result) {
  result.ending = JobEnding::kStopped;
  return result;
}

}  // namespace

bool CheckStartConditions(WindowPort& window, const Text& savePath, const Text& resourceId) {
  if (savePath.empty()) {
    window.ShowMessage(Gbk("请先设置保存位置！"), Gbk("信息："), kMessageOk);
    return false;
  }
  if (resourceId.empty()) {
    window.ShowMessage(Gbk("请先设置下载地址或附件ID！"), Gbk("信息："), kMessageOk);
    return false;
  }
  return true;
}

Text SafeFileName(const Text& name) {
  Text safe = name;
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    // '/' can never be the second byte of a GB18030 character, so every 0x2F is a separator.
    if (byte == '/' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  if (safe.empty() || safe == "." || safe == "..") safe = "_" + safe;
  return safe;
}

JobResult RunDownloadJob(WindowPort& window, const JobSettings& settings, JobGate& gate) {
  JobResult result;
  const Text captcha = window.GetText(kCaptchaBox);
  const ResourceInfo info = QueryResourceInfo(settings.resourceId, captcha);
  if (StopRequested()) return Stopped(result);

  auto clearCaptchaBox = [&] {
    window.SetText(kCaptchaBox, Text());
    window.SetFocus(kCaptchaBox);
  };

  switch (info.outcome) {
    case QueryOutcome::CaptchaWrong:
      if (!Tell(window, Gbk("验证码填写错误！"), kMessageInformation)) return Stopped(result);
      RefreshPicture(window, gate);
      Step(gate, clearCaptchaBox);
      return Finish(window, gate, result);
    case QueryOutcome::Failed:
      if (!Tell(window, info.statusText, kMessageInformation)) return Stopped(result);
      Step(gate, clearCaptchaBox);
      return Finish(window, gate, result);
    case QueryOutcome::Found:
      break;
  }

  result.downloadUrl = info.downloadUrl;
  if (info.downloadUrl.empty()) {
    if (!Tell(window, Gbk("下载链接有误或者文件不存在，下载失败！"), kMessageInformation)) {
      return Stopped(result);
    }
    return Finish(window, gate, result);
  }

  const Text shownName = info.fileName + "." + info.fileType;
  if (!Step(gate, [&] {
        window.SetText(kIdBox, info.downloadUrl);
        window.SetText(kFileNameBox, shownName);
      })) {
    return Stopped(result);
  }
  if (RemoveAllSpaces(info.fileName).empty() && RemoveAllSpaces(info.fileType).empty()) {
    Step(gate, [&] { window.SetPosition(kBar, 0); });
    if (!Tell(window, Gbk("资源不存在！"), kMessageOk)) return Stopped(result);
    return Finish(window, gate, result);
  }

  // The template keeps its marker; only this job's target gets the name.
  const Text smartName = SafeFileName(RemoveAllSpaces(shownName));
  const Text target = ReplaceSubtext(settings.savePath, kSmartNameMarker, smartName);
  const Text partial = target + ".tmp";

  std::int64_t offset = 0;
  bool resume = false;
  std::error_code error;
  if (fs::exists(PathOf(partial), error)) {
    const bool yes = !StopRequested() && window.ShowMessage(Gbk("文件已存在，是否断点续传？"),
                                                            Gbk("提示："), kMessageQuestion);
    if (StopRequested()) return Stopped(result);
    if (yes) {
      const auto size = fs::file_size(PathOf(partial), error);
      if (!error) {
        offset = static_cast<std::int64_t>(size);
        resume = true;
      }
    }
  }

  auto progress = [&](std::int64_t total, std::int64_t done, std::int64_t elapsedMs,
                      std::int64_t newBytes) {
    Step(gate, [&] { ShowProgress(window, total, done, elapsedMs, newBytes); });
  };
  const int transferred = DownloadFile(window, info.downloadUrl, partial, progress, offset, resume);
  if (StopRequested()) return Stopped(result);
  if (transferred != 0) return Finish(window, gate, result);

  if (!Step(gate, [&] {
        MoveOver(partial, target);
        window.SetPosition(kBar, 10000);
      })) {
    return Stopped(result);
  }
  RefreshPicture(window, gate);
  Step(gate, [&] { window.SetText(kCaptchaBox, Text()); });
  if (!Tell(window, Gbk("下载完成！"), kMessageOk)) return Stopped(result);
  // Read after the box was closed; the file manager starts outside the gate, as it may take a
  // moment and Cancel must never wait for it.
  if (StopRequested()) return Stopped(result);
  if (window.IsChecked(kOpenFolderBox) && settings.showInFileManager) {
    settings.showInFileManager(target);
  }
  if (settings.linkLaunch) {
    result.ending = JobEnding::kExitProgram;
    return result;
  }
  return Finish(window, gate, result);
}

}  // namespace rudiruza
