// A request handle on one libcurl easy handle, driven by its own multi handle so that every
// wait is short and a stop request is seen at once.
//
// The body is pulled: Read hands out what libcurl has already delivered into the receive
// buffer and drives the transfer only when the buffer is empty. When the buffer is full the
// transfer is paused until the reader catches up, so memory stays bounded.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/inet/inet.h"

namespace rudiruza::inet {

struct RequestSetup {
  std::string url;   // absolute http or https address
  std::string verb;  // sent as given
  bool http10 = false;
  std::string agent;                 // the User-Agent unless the caller's headers give one
  std::optional<std::string> proxy;  // as RootHandle::ProxyFor
  std::string user, password;
  std::uint32_t connectMs = 60000, receiveMs = 30000, sendMs = 30000;
};

class CurlRequest final : public Request {
 public:
  explicit CurlRequest(RequestSetup setup);
  ~CurlRequest() override;
  CurlRequest(const CurlRequest&) = delete;
  CurlRequest& operator=(const CurlRequest&) = delete;

  void SetTimeout(Timeout which, std::uint32_t milliseconds) override;
  bool Send(const Text& headers, const std::string& body) override;
  std::int64_t Read(void* buffer, std::size_t size) override;

  int StatusCode() const override;
  std::optional<std::int64_t> ContentLength() const override;
  Text RawHeaders() const override;
  Text Header(const Text& name) const override;
  Text ContentEncoding() const override;

 private:
  using Clock = std::chrono::steady_clock;

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  void TakeHeaderLine(std::string_view line);
  void EndHeaderBlock();

  // One step of the transfer: lets libcurl work, then waits up to waitMs for the sockets when
  // it made no progress. False when the request has failed (time-out, stop, libcurl error).
  bool Step(Clock::time_point& deadline, std::uint32_t idleMs);
  void Fail() { failed_ = true; }

  RequestSetup setup_;
  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  curl_slist* headerList_ = nullptr;
  std::string body_;
  bool sent_ = false;

  std::uint32_t connectMs_;
  std::uint32_t receiveMs_;
  std::uint32_t sendMs_;

  // Headers: the block being received, and the final response's block once known.
  std::string pendingBlock_;
  std::string finalBlock_;
  std::vector<std::string> finalLines_;  // header lines of finalBlock_, status line excluded
  bool headersDone_ = false;

  // Receive buffer: bytes [readPos_, writePos_) are waiting for Read.
  std::vector<char> buffer_;
  std::size_t readPos_ = 0;
  std::size_t writePos_ = 0;
  bool paused_ = false;
  bool progressed_ = false;  // data arrived during the last Step

  bool done_ = false;
  CURLcode result_ = CURLE_OK;
  bool failed_ = false;
};

}  // namespace rudiruza::inet
