#include "request_log.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

namespace rudiruza::service {
namespace {

struct Current {
  std::optional<std::chrono::steady_clock::time_point> start;
  size_t streamed = 0;
  bool streaming = false;
};
thread_local Current current;

// The path as the client sent it, with anything unprintable escaped: a log line stays one line.
std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text.substr(0, 2000)) {
    if (c < 0x20 || c >= 0x7f || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out.empty() ? "-" : out;
}

void WriteLine(const std::string& line) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

void BeginRequest() {
  current = Current{};
  current.start = std::chrono::steady_clock::now();
}

void CountSentBytes(size_t bytes) {
  current.streaming = true;
  current.streamed += bytes;
}

void LogRequest(const httplib::Request& request, const httplib::Response& response) {
  auto now = std::chrono::steady_clock::now();
  long long ms =
      current.start
          ? std::chrono::duration_cast<std::chrono::milliseconds>(now - *current.start).count()
          : 0;
  size_t bytes = current.streaming          ? current.streamed
                 : request.method == "HEAD" ? 0
                                            : response.body.size();
  std::string target = request.target.empty() ? request.path : request.target;
  WriteLine(Printable(request.method) + " " + Printable(target) + " " +
            std::to_string(response.status) + " " + std::to_string(bytes) + " " +
            std::to_string(ms) + "ms\n");
  current = Current{};
}

void LogLine(const std::string& text) { WriteLine("kavo-service: " + text + "\n"); }

}  // namespace rudiruza::service
