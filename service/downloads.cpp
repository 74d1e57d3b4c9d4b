#include "downloads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "byte_range.h"
#include "form.h"
#include "pages.h"
#include "request_log.h"
#include "stopping.h"

namespace rudiruza::service {
namespace {

constexpr size_t kPiece = 64 * 1024;

// Writes body bytes through the sink, with the rate and drop faults applied to what goes out.
class BodySender {
 public:
  explicit BodySender(const Faults& faults) : dropAfter_(faults.dropAfter), rate_(faults.rate) {}

  // False when the connection is to be closed: the drop point was reached, the client went away
  // or the service is stopping.
  bool Write(httplib::DataSink& sink, const char* data, size_t size) {
    if (!start_) start_ = std::chrono::steady_clock::now();
    while (size > 0 || (dropAfter_ && sent_ >= *dropAfter_)) {
      if (dropAfter_ && sent_ >= *dropAfter_) return false;
      size_t piece = size;
      if (dropAfter_) piece = std::min<std::uint64_t>(piece, *dropAfter_ - sent_);
      // Under a rate limit, pieces of a twentieth of a second keep the pace even.
      if (rate_) piece = std::min<std::uint64_t>(piece, std::max<std::uint64_t>(1, rate_ / 20));
      if (!sink.write(data, piece)) return false;
      CountSentBytes(piece);
      sent_ += piece;
      data += piece;
      size -= piece;
      if (rate_) {
        auto due = *start_ + std::chrono::microseconds(sent_ * 1000000 / rate_);
        if (!PauseUnlessStopping(due - std::chrono::steady_clock::now())) return false;
      }
    }
    return !Stopping().load();
  }

 private:
  std::optional<std::uint64_t> dropAfter_;
  std::uint64_t rate_;
  std::uint64_t sent_ = 0;
  std::optional<std::chrono::steady_clock::time_point> start_;
};

struct OpenFile {
  int fd = -1;
  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }
};

// What a provider needs between calls: the file, the part of it to send, the sender and, for the
// gzip fault, the compressor.
struct Transfer {
  OpenFile file;
  std::uint64_t next = 0;  // next file position to read
  std::uint64_t end = 0;   // one past the last byte to send
  BodySender sender;
  std::vector<char> buffer = std::vector<char>(kPiece);
  bool gzip = false;
  bool gzipDone = false;
  z_stream zip{};
  std::vector<char> zipped;

  explicit Transfer(const Faults& faults) : sender(faults) {}
  ~Transfer() {
    if (gzip) deflateEnd(&zip);
  }

  bool StartGzip() {
    if (deflateInit2(&zip, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    gzip = true;
    zipped.resize(kPiece);
    return true;
  }

  // Reads the next piece of the file; 0 at the end, -1 on a read error.
  ssize_t ReadPiece(size_t limit) {
    std::uint64_t left = end - next;
    size_t want = static_cast<size_t>(std::min<std::uint64_t>({left, buffer.size(), limit}));
    if (want == 0) return 0;
    ssize_t n = ::pread(file.fd, buffer.data(), want, static_cast<off_t>(next));
    if (n > 0) next += static_cast<std::uint64_t>(n);
    return n == 0 ? -1 : n;  // the file shrank under us: an error, not a short body
  }

  // Sends the next piece as it is. False when the connection is to be closed.
  bool SendPlain(httplib::DataSink& sink, size_t limit) {
    ssize_t n = ReadPiece(limit);
    if (n <= 0) return false;
    return sender.Write(sink, buffer.data(), static_cast<size_t>(n));
  }

  // Compresses the next piece and sends what the compressor gives out. Sets *finished after the
  // gzip trailer has gone.
  bool SendZipped(httplib::DataSink& sink, bool* finished) {
    ssize_t n = ReadPiece(kPiece);
    if (n < 0) return false;
    zip.next_in = reinterpret_cast<Bytef*>(buffer.data());
    zip.avail_in = static_cast<uInt>(n);
    int flush = next >= end ? Z_FINISH : Z_NO_FLUSH;
    do {
      zip.next_out = reinterpret_cast<Bytef*>(zipped.data());
      zip.avail_out = static_cast<uInt>(zipped.size());
      int rc = deflate(&zip, flush);
      if (rc == Z_STREAM_ERROR) return false;
      size_t have = zipped.size() - zip.avail_out;
      if (have > 0 && !sender.Write(sink, zipped.data(), have)) return false;
      if (rc == Z_STREAM_END) gzipDone = true;
    } while (zip.avail_out == 0 || (flush == Z_FINISH && !gzipDone));
    *finished = gzipDone;
    return true;
  }
};

void SetPage(httplib::Response& response, int status, const std::string& message) {
  response.status = status;
  response.set_content(ErrorPage(status, message), kPageContentType);
}

}  // namespace

void ServeDownload(const httplib::Request& request, httplib::Response& response,
                   const CatalogueEntry& entry, const Faults& faults,
                   const std::string& redirectUrl) {
  if (faults.delayMs > 0 && !PauseUnlessStopping(std::chrono::milliseconds(faults.delayMs))) {
    SetPage(response, 503, "服务正在停止");
    return;
  }
  if (faults.redirect && !redirectUrl.empty()) {
    response.set_redirect(redirectUrl, 302);
    response.set_content(ErrorPage(302, "文件已移到别处"), kPageContentType);
    return;
  }
  if (faults.status != 0) {
    SetPage(response, faults.status, "下载服务返回了一个错误页面");
    return;
  }

  auto transfer = std::make_shared<Transfer>(faults);
  transfer->file.fd = ::open(entry.path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (transfer->file.fd < 0 || ::fstat(transfer->file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    SetPage(response, 404, "文件暂时不能下载");
    return;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);

  ByteRange range{0, size ? size - 1 : 0};
  RangeRequest asked = RangeRequest::Whole;
  if (!faults.noRange && request.has_header("Range"))
    asked = ParseRange(request.get_header_value("Range"), size, &range);
  if (asked == RangeRequest::Unsatisfiable) {
    response.set_header("Content-Range", "bytes */" + std::to_string(size));
    SetPage(response, 416, "请求的范围超出了文件的末尾");
    return;
  }

  response.status = asked == RangeRequest::Satisfiable ? 206 : 200;
  if (asked == RangeRequest::Satisfiable)
    response.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                             std::to_string(range.last) + "/" +
                                             std::to_string(size));
  if (!faults.noRange) response.set_header("Accept-Ranges", "bytes");
  response.set_header(
      "Content-Disposition",
      "attachment; filename*=UTF-8''" + PercentEncode(entry.name + "." + entry.type, "-._~"));
  const char* type = "application/octet-stream";
  transfer->next = range.first;
  transfer->end = size ? range.last + 1 : 0;
  const std::uint64_t length = transfer->end - transfer->next;

  if (faults.gzip) {
    if (!transfer->StartGzip()) {
      SetPage(response, 500, "压缩失败");
      return;
    }
    response.set_header("Content-Encoding", "gzip");
    auto provider = [transfer](size_t, httplib::DataSink& sink) {
      bool finished = false;
      if (!transfer->SendZipped(sink, &finished)) return false;
      if (finished) sink.done();
      return true;
    };
    if (faults.noLength) {
      response.set_header("Connection", "close");
      response.set_content_provider(type, [transfer](size_t, httplib::DataSink& sink) {
        bool finished = false;
        if (!transfer->SendZipped(sink, &finished)) return false;
        return !finished;  // ending with false closes the connection: that ends the body
      });
    } else {
      response.set_chunked_content_provider(type, provider);
    }
    return;
  }

  if (faults.noLength) {
    response.set_header("Connection", "close");
    if (length == 0) return;  // no body at all; the connection closes after the headers
    response.set_content_provider(type, [transfer](size_t, httplib::DataSink& sink) {
      if (!transfer->SendPlain(sink, kPiece)) return false;
      return transfer->next < transfer->end;  // false after the last piece closes the connection
    });
    return;
  }

  const std::uint64_t announced = length + faults.extraLength;
  if (announced == 0) {
    response.set_content(std::string(), type);
    return;
  }
  response.set_content_provider(static_cast<size_t>(announced), type,
                                [transfer](size_t, size_t, httplib::DataSink& sink) {
                                  // Past the real end (badlength): nothing more comes, the
                                  // connection closes.
                                  if (transfer->next >= transfer->end) return false;
                                  return transfer->SendPlain(sink, kPiece);
                                });
}

}  // namespace rudiruza::service
