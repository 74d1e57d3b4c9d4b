#include "download/transfer.h"

#include <algorithm>

#include "download/output_file.h"
#include "download/tick_clock.h"
#include "download/transfer_request.h"
#include "platform/encoding/encoding.h"
#include "platform/inet/inet.h"
#include "platform/stop/stop.h"

namespace rudiruza {
namespace {

// Always from the server: never answered from a cache, never stored in one.
constexpr std::uint32_t kRequestFlags =
    inet::kFlagReload | inet::kFlagDontCache | inet::kFlagPragmaNoCache;

// Shows a failure, unless the job is being stopped (a stop ends the transfer silently).
int Fail(WindowPort& window, const char* utf8Message) {
  if (!StopRequested()) {
    window.ShowMessage(TextFromUtf8(utf8Message), TextFromUtf8("信息："), kMessageOk);
  }
  return -1;
}

constexpr const char* kConnectFailed = "Internet连接错误!";
constexpr const char* kUrlFailed = "不能打开该URL!";
constexpr const char* kLocalFileFailed = "不能打开本地的文件!";
constexpr const char* kReadFailed = "读文件出错!";
constexpr const char* kWriteFailed = "写文件出错!";

AnswerUse Classify(const inet::Request& request, std::int64_t offset, bool resume) {
  return ClassifyAnswer(request.StatusCode(), request.Header("Content-Range"),
                        request.ContentEncoding(), offset, resume);
}

}  // namespace

int DownloadFile(WindowPort& window, const Text& url, const Text& localPath,
                 const ProgressCallback& progress, std::int64_t offset, bool resume) {
  if (!resume || offset < 0) offset = 0;

  // Declared in opening order, so that they close in reverse: file, request, root.
  std::unique_ptr<inet::Root> root =
      inet::Root::Open(AgentName(TickCount()), inet::Access::kPreconfig);
  if (!root) return Fail(window, kConnectFailed);

  std::unique_ptr<inet::Request> request =
      inet::Request::OpenUrl(*root, url, DownloadHeaders(offset, resume), kRequestFlags);
  if (!request) return Fail(window, kUrlFailed);

  AnswerUse use = Classify(*request, offset, resume);
  if (use == AnswerUse::kRequestWhole) {
    request.reset();
    request = inet::Request::OpenUrl(*root, url, DownloadHeaders(0, false), kRequestFlags);
    if (!request) return Fail(window, kUrlFailed);
    use = Classify(*request, 0, false);
  }
  switch (use) {
    case AnswerUse::kRefused:
      return Fail(window, kUrlFailed);
    case AnswerUse::kAlreadyComplete:
      return 0;
    case AnswerUse::kWrite:
    case AnswerUse::kRequestWhole:
      offset = 0;  // the body is the whole resource
      break;
    case AnswerUse::kAppend:
      break;
  }

  std::unique_ptr<OutputFile> file = OutputFile::Open(
      Utf8FromText(localPath),
      use == AnswerUse::kAppend ? OutputFile::Mode::kAppend : OutputFile::Mode::kCreate);
  if (!file) return Fail(window, kLocalFileFailed);

  const std::int64_t total =
      offset + std::max<std::int64_t>(request->ContentLength().value_or(0), 0);
  std::int64_t done = offset;
  // Elapsed time summed from reading to reading, so that a wrap of the 32-bit counter between
  // two of them still counts the true difference.
  std::uint32_t lastTick = TickCount();
  std::int64_t elapsedMs = 0;
  for (;;) {
    if (StopRequested()) {
      file->Flush();
      return -1;
    }
    unsigned char* space = file->Space(kTransferChunk);
    if (!space) return Fail(window, kWriteFailed);
    const std::int64_t n = request->Read(space, kTransferChunk);
    if (n < 0) {
      file->Flush();  // keep every byte received, ready for a resume
      return Fail(window, kReadFailed);
    }
    if (n == 0) return file->Close() ? 0 : Fail(window, kWriteFailed);
    file->Commit(static_cast<std::size_t>(n));
    done += n;
    const std::uint32_t tick = TickCount();
    elapsedMs += TicksBetween(lastTick, tick);
    lastTick = tick;
    if (progress) progress(total, done, elapsedMs == 0 ? 10 : elapsedMs, done - offset);
  }
}

}  // namespace rudiruza
