#include "platform/inet/curl_request.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/inet/curl_share.h"
#include "platform/inet/header_lines.h"
#include "platform/stop/stop.h"

namespace rudiruza::inet {
namespace {

// libcurl reads the socket in pieces of this size; Read hands them out in whatever size the
// caller asks for. The buffer holds two pieces before the transfer is paused.
constexpr long kReceivePiece = 256 * 1024;
constexpr std::size_t kBufferBytes = 2 * kReceivePiece;

// The longest single wait, so that a stop request is seen well within 100 ms.
constexpr std::chrono::milliseconds kWaitSlice(40);

constexpr long kMaxRedirects = 20;

int StatusOf(const std::string& block) {
  // "HTTP/1.1 200 OK"
  std::size_t space = block.find(' ');
  if (space == std::string::npos) return 0;
  int code = 0;
  const char* begin = block.data() + space + 1;
  const char* end = block.data() + block.size();
  while (begin < end && *begin == ' ') ++begin;
  std::from_chars(begin, end, code);
  return code;
}

bool ContainsNoCase(const std::string& text, const char* part) {
  std::size_t n = std::strlen(part);
  for (std::size_t i = 0; i + n <= text.size(); ++i) {
    if (strncasecmp(text.data() + i, part, n) == 0) return true;
  }
  return false;
}

std::string UpperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

// libcurl refuses an address with blanks or control bytes in it; servers expect them escaped.
// Bytes of 0x80 and above libcurl escapes itself.
std::string EscapeUnsafe(const std::string& url) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (unsigned char c : url) {
    if (c <= 0x20 || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

CurlRequest::CurlRequest(RequestSetup setup)
    : setup_(std::move(setup)),
      easy_(curl_easy_init()),
      multi_(curl_multi_init()),
      connectMs_(setup_.connectMs),
      receiveMs_(setup_.receiveMs),
      sendMs_(setup_.sendMs) {}

CurlRequest::~CurlRequest() {
  if (multi_ != nullptr && easy_ != nullptr && sent_) curl_multi_remove_handle(multi_, easy_);
  if (easy_ != nullptr) curl_easy_cleanup(easy_);
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
  curl_slist_free_all(headerList_);
}

void CurlRequest::SetTimeout(Timeout which, std::uint32_t milliseconds) {
  switch (which) {
    case Timeout::kConnect:
      connectMs_ = milliseconds;
      break;
    case Timeout::kReceive:
      receiveMs_ = milliseconds;
      break;
    case Timeout::kSend:
      sendMs_ = milliseconds;
      break;
  }
}

bool CurlRequest::Send(const Text& headers, const std::string& body) {
  if (sent_ || easy_ == nullptr || multi_ == nullptr) return false;
  sent_ = true;
  body_ = body;

  std::vector<std::string> lines = SplitHeaderLines(headers);
  const std::string upperVerb = UpperAscii(setup_.verb);
  const bool withBody = !body_.empty() || upperVerb == "POST" || upperVerb == "PUT";
  for (const auto& line : lines) {
    std::size_t colon = line.find(':');
    bool emptyValue =
        colon != std::string::npos && line.find_first_not_of(" \t", colon + 1) == std::string::npos;
    // libcurl drops a "Name:" line; "Name;" is its way to send a header with no value.
    headerList_ = curl_slist_append(
        headerList_, emptyValue ? (line.substr(0, colon) + ";").c_str() : line.c_str());
  }
  // Lines libcurl would add on its own; the caller's header block says what goes out.
  if (!HasHeader(lines, "Accept")) headerList_ = curl_slist_append(headerList_, "Accept:");
  if (!HasHeader(lines, "Expect")) headerList_ = curl_slist_append(headerList_, "Expect:");
  if (withBody && !HasHeader(lines, "Content-Type")) {
    headerList_ = curl_slist_append(headerList_, "Content-Type:");
  }

  CURL* e = easy_;
  const std::string url = EscapeUnsafe(setup_.url);
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_SHARE, ProcessShare());
  curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");  // cookie engine on, nothing read from disk
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                   setup_.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectMs_));
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceivePiece);
  curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!setup_.agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, setup_.agent.c_str());
  if (setup_.proxy) curl_easy_setopt(e, CURLOPT_PROXY, setup_.proxy->c_str());
  if (!setup_.user.empty()) curl_easy_setopt(e, CURLOPT_USERNAME, setup_.user.c_str());
  if (!setup_.password.empty()) curl_easy_setopt(e, CURLOPT_PASSWORD, setup_.password.c_str());
  // Decoded bodies only when the request itself offered the encodings.
  std::string offered = LastHeaderValue(lines, "Accept-Encoding");
  if (ContainsNoCase(offered, "gzip") || ContainsNoCase(offered, "deflate")) {
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, offered.c_str());
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList_);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlRequest::OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlRequest::OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);

  if (setup_.verb == "GET" && body_.empty()) {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  } else if (setup_.verb == "HEAD" && body_.empty()) {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else {
    if (setup_.verb != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, setup_.verb.c_str());
    if (withBody) {
      curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
      curl_easy_setopt(e, CURLOPT_POSTFIELDS, body_.data());
    }
  }

  buffer_.resize(kBufferBytes);
  if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
    Fail();
    return false;
  }

  const std::uint32_t idleMs = std::max(receiveMs_, sendMs_);
  Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(connectMs_) + std::chrono::milliseconds(idleMs);
  while (!headersDone_ && !done_) {
    if (!Step(deadline, idleMs)) return false;
  }
  if (!headersDone_) {
    // The transfer ended on a redirect that was not followed, or failed before any answer.
    if (result_ != CURLE_OK || finalBlock_.empty()) {
      Fail();
      return false;
    }
    headersDone_ = true;
  }
  return true;
}

bool CurlRequest::Step(Clock::time_point& deadline, std::uint32_t idleMs) {
  if (StopRequested()) {
    Fail();
    return false;
  }
  progressed_ = false;
  int running = 0;
  if (curl_multi_perform(multi_, &running) != CURLM_OK) {
    Fail();
    return false;
  }
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
    if (message->msg == CURLMSG_DONE) {
      done_ = true;
      result_ = message->data.result;
    }
  }
  Clock::time_point now = Clock::now();
  if (progressed_) {
    deadline = now + std::chrono::milliseconds(idleMs);
    return true;
  }
  if (done_) return true;
  if (now >= deadline) {
    Fail();
    return false;
  }
  auto wait = std::min<Clock::duration>(kWaitSlice, deadline - now);
  int waitMs = static_cast<int>(
      std::max<std::int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
  if (curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr) != CURLM_OK) {
    Fail();
    return false;
  }
  return true;
}

std::int64_t CurlRequest::Read(void* buffer, std::size_t size) {
  if (!headersDone_) return -1;
  if (size == 0) return 0;
  bool waiting = false;
  Clock::time_point deadline;
  for (;;) {
    std::size_t available = writePos_ - readPos_;
    if (available > 0) {
      std::size_t n = std::min(available, size);
      std::memcpy(buffer, buffer_.data() + readPos_, n);
      readPos_ += n;
      return static_cast<std::int64_t>(n);
    }
    readPos_ = writePos_ = 0;
    if (failed_) return -1;
    if (paused_) {
      // The buffer is empty again: let libcurl hand over what it held back.
      paused_ = false;
      if (curl_easy_pause(easy_, CURLPAUSE_CONT) != CURLE_OK) {
        Fail();
        return -1;
      }
      continue;
    }
    if (done_) return result_ == CURLE_OK ? 0 : -1;
    if (!waiting) {
      waiting = true;
      deadline = Clock::now() + std::chrono::milliseconds(receiveMs_);
    }
    if (!Step(deadline, receiveMs_)) return -1;
  }
}

std::size_t CurlRequest::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  auto* request = static_cast<CurlRequest*>(self);
  std::size_t n = size * count;
  request->progressed_ = true;
  request->TakeHeaderLine(std::string_view(data, n));
  return n;
}

std::size_t CurlRequest::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* r = static_cast<CurlRequest*>(self);
  std::size_t n = size * count;
  if (r->readPos_ == r->writePos_) r->readPos_ = r->writePos_ = 0;
  if (r->writePos_ + n > r->buffer_.size()) {
    if (r->readPos_ > 0) {
      std::memmove(r->buffer_.data(), r->buffer_.data() + r->readPos_, r->writePos_ - r->readPos_);
      r->writePos_ -= r->readPos_;
      r->readPos_ = 0;
    }
    if (r->writePos_ + n > r->buffer_.size()) {
      if (r->writePos_ > 0) {
        r->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
      }
      r->buffer_.resize(n);
    }
  }
  std::memcpy(r->buffer_.data() + r->writePos_, data, n);
  r->writePos_ += n;
  r->progressed_ = true;
  return n;
}

void CurlRequest::TakeHeaderLine(std::string_view line) {
  if (headersDone_) return;  // trailers of a chunked body
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
    pendingBlock_.assign(line);
    pendingBlock_ += "\r\n";
  } else if (line.empty()) {
    EndHeaderBlock();
  } else {
    pendingBlock_ += line;
    pendingBlock_ += "\r\n";
  }
}

void CurlRequest::EndHeaderBlock() {
  pendingBlock_ += "\r\n";
  int code = StatusOf(pendingBlock_);
  if (code >= 100 && code < 200) {  // an interim answer; the real one follows
    pendingBlock_.clear();
    return;
  }
  finalBlock_ = std::move(pendingBlock_);
  pendingBlock_.clear();
  finalLines_ = SplitHeaderLines(finalBlock_);
  if (!finalLines_.empty()) finalLines_.erase(finalLines_.begin());
  // A redirect that will be followed is not the final answer.
  bool redirect = code >= 300 && code < 400 && code != 304 && HasHeader(finalLines_, "Location");
  if (!redirect) headersDone_ = true;
}

int CurlRequest::StatusCode() const { return headersDone_ ? StatusOf(finalBlock_) : 0; }

std::optional<std::int64_t> CurlRequest::ContentLength() const {
  if (!headersDone_) return std::nullopt;
  std::string value = LastHeaderValue(finalLines_, "Content-Length");
  std::int64_t length = -1;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
  if (value.empty() || error != std::errc() || end != value.data() + value.size() || length < 0) {
    return std::nullopt;
  }
  return length;
}

Text CurlRequest::RawHeaders() const { return headersDone_ ? finalBlock_ : Text(); }

Text CurlRequest::Header(const Text& name) const {
  return headersDone_ ? LastHeaderValue(finalLines_, name) : Text();
}

Text CurlRequest::ContentEncoding() const {
  Text value = Header("Content-Encoding");
  for (char& c : value) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return value;
}

}  // namespace rudiruza::inet
