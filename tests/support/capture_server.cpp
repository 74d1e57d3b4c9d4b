#include "support/capture_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace rudiruza::test {
namespace {

constexpr int kTickMs = 20;

// The request's total size once its headers are complete, or 0 while they are not.
std::size_t RequestSize(const std::string& bytes) {
  std::size_t end = bytes.find("\r\n\r\n");
  if (end == std::string::npos) return 0;
  std::size_t length = 0;
  std::size_t pos = bytes.find("\r\n");
  while (pos < end) {
    std::size_t next = bytes.find("\r\n", pos + 2);
    std::string line = bytes.substr(pos + 2, next - pos - 2);
    if (strncasecmp(line.c_str(), "Content-Length:", 15) == 0) {
      length = std::strtoull(line.c_str() + 15, nullptr, 10);
    }
    pos = next;
  }
  return end + 4 + length;
}

std::string Serialise(const CannedResponse& r) {
  if (!r.raw.empty()) return r.raw;
  std::string out = "HTTP/1.1 " + std::to_string(r.status) + " " + r.reason + "\r\n";
  bool connection = false;
  for (const auto& line : r.headers) {
    out += line + "\r\n";
    if (strncasecmp(line.c_str(), "Connection:", 11) == 0) connection = true;
  }
  if (r.contentLength) out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
  if (!connection) out += "Connection: close\r\n";
  out += "\r\n";
  return out;
}

}  // namespace

CannedResponse Answer(int status, std::string body, std::vector<std::string> headers) {
  CannedResponse response;
  response.status = status;
  response.body = std::move(body);
  response.headers = std::move(headers);
  return response;
}

CaptureServer::CaptureServer() {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listenFd_, 64) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    std::abort();  // a test cannot go on without its server
  }
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

CaptureServer::~CaptureServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (int fd : openFds_) shutdown(fd, SHUT_RDWR);  // wakes a send blocked on a full socket
  }
  changed_.notify_all();
  acceptThread_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& worker : workers) worker.join();
  close(listenFd_);
}

std::string CaptureServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void CaptureServer::SetDefault(CannedResponse response) {
  std::lock_guard lock(mutex_);
  default_ = std::move(response);
}

void CaptureServer::Queue(CannedResponse response) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(response));
}

void CaptureServer::SetHandler(std::function<CannedResponse(const std::string&)> handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<std::string> CaptureServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool CaptureServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void CaptureServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, kTickMs) <= 0) continue;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    if (stopping_) {
      close(fd);
      break;
    }
    openFds_.push_back(fd);
    workers_.emplace_back([this, fd] { Serve(fd); });
  }
}

CannedResponse CaptureServer::Choose(const std::string& request) {
  std::function<CannedResponse(const std::string&)> handler;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    handler = handler_;
    if (!handler) {
      CannedResponse response = default_;
      if (!queue_.empty()) {
        response = std::move(queue_.front());
        queue_.pop_front();
      }
      changed_.notify_all();
      return response;
    }
  }
  changed_.notify_all();
  return handler(request);
}

bool CaptureServer::Pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, duration, [&] { return stopping_.load(); });
}

bool CaptureServer::SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void CaptureServer::Serve(int fd) {
  std::string bytes;
  std::size_t need = 0;
  char chunk[16384];
  while (!stopping_ && (need == 0 || bytes.size() < need)) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kTickMs) <= 0) continue;
    ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
    if (need == 0) need = RequestSize(bytes);
  }
  if (need != 0 && bytes.size() >= need) {
    CannedResponse response = Choose(bytes.substr(0, need));
    std::string head = Serialise(response);
    std::string body = response.raw.empty() ? response.body : std::string();
    if (response.sendBytes < body.size()) body.resize(response.sendBytes);
    std::string all = head + body;
    bool alive = !response.neverAnswer && Pause(response.holdHeaders);
    std::size_t piece = response.pieceBytes == 0 ? all.size() : response.pieceBytes;
    // Headers first, then the body piece by piece.
    if (alive && response.pieceBytes != 0) {
      alive = SendAll(fd, head.data(), head.size());
      all = body;
    }
    for (std::size_t pos = 0; alive && pos < all.size(); pos += piece) {
      if (pos > 0 && response.pieceDelay.count() > 0) alive = Pause(response.pieceDelay);
      if (alive) alive = SendAll(fd, all.data() + pos, std::min(piece, all.size() - pos));
    }
    if (response.neverAnswer || (alive && response.stallAfterSend)) {
      while (Pause(std::chrono::milliseconds(1000))) {
      }
    }
  }
  {
    std::lock_guard lock(mutex_);
    openFds_.erase(std::find(openFds_.begin(), openFds_.end(), fd));
  }
  close(fd);
}

}  // namespace rudiruza::test
