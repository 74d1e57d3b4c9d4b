// Small HTTP clients for the service's tests: libcurl for ordinary exchanges (with a cookie jar,
// like the downloader's one cookie store) and a raw socket for bytes no well-behaved client sends.
#pragma once

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace rudiruza::test {

struct HttpAnswer {
  CURLcode code = CURLE_OK;  // CURLE_OK when the exchange completed
  long status = 0;
  std::string headers;  // raw header block(s), CR LF included
  std::string body;
  std::string Header(const std::string& name) const {
    // The last value of name in the last header block (after redirects).
    std::string value, lower = Lower(name) + ":";
    size_t pos = 0;
    while (pos < headers.size()) {
      size_t end = headers.find("\r\n", pos);
      if (end == std::string::npos) end = headers.size();
      std::string line = headers.substr(pos, end - pos);
      if (line.rfind("HTTP/", 0) == 0) value.clear();
      if (Lower(line).rfind(lower, 0) == 0) {
        value = line.substr(lower.size());
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
      }
      pos = end + 2;
    }
    return value;
  }
  static std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
};

struct HttpOptions {
  std::string method = "GET";  // GET, HEAD, POST
  std::string body;            // sent as is with POST
  std::vector<std::string> headers;
  bool followRedirects = false;
  bool decodeContent = false;  // let libcurl undo a Content-Encoding
  long timeoutMs = 10000;
};

// One client with its own cookie jar; not for use by two threads at once.
class HttpClient {
 public:
  HttpClient() : curl_(curl_easy_init()) { curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, ""); }
  ~HttpClient() { curl_easy_cleanup(curl_); }
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  HttpAnswer Fetch(const std::string& url, const HttpOptions& options = {}) {
    HttpAnswer answer;
    CURL* c = curl_;
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);  // resets the method; HEAD and POST come after
    curl_easy_setopt(c, CURLOPT_NOBODY, options.method == "HEAD" ? 1L : 0L);
    if (options.method == "POST") {
      curl_easy_setopt(c, CURLOPT_POSTFIELDS, options.body.c_str());
      curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(options.body.size()));
    }
    curl_slist* list = nullptr;
    for (const auto& h : options.headers) list = curl_slist_append(list, h.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, options.decodeContent ? "" : nullptr);
    curl_easy_setopt(c, CURLOPT_HTTP_CONTENT_DECODING, options.decodeContent ? 1L : 0L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Append);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &answer.headers);
    answer.code = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &answer.status);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);
    return answer;
  }

  HttpAnswer Post(const std::string& url, const std::string& body) {
    HttpOptions options;
    options.method = "POST";
    options.body = body;
    return Fetch(url, options);
  }

 private:
  static size_t Append(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
  }
  CURL* curl_;
};

// True when reply holds a whole answer with a Content-Length.
inline bool IsCompleteAnswer(const std::string& reply) {
  auto end = reply.find("\r\n\r\n");
  if (end == std::string::npos) return false;
  std::string head = reply.substr(0, end + 2);
  for (auto& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto at = head.find("\r\ncontent-length:");
  if (at == std::string::npos) return false;
  size_t length = std::strtoull(head.c_str() + at + 17, nullptr, 10);
  return reply.size() >= end + 4 + length;
}

// Sends request as it is to 127.0.0.1:port and returns what comes back: one whole answer with a
// Content-Length, or everything until the service closes the connection or timeoutMs passes.
inline std::string RawExchange(int port, const std::string& request, int timeoutMs = 5000) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    size_t sent = 0;
    while (sent < request.size()) {
      ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[65536];
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      pollfd p{fd, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
      ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      reply.append(buffer, static_cast<size_t>(n));
      if (IsCompleteAnswer(reply)) break;
    }
  }
  close(fd);
  return reply;
}

// The status code of a raw reply; 0 when it is no HTTP answer.
inline int RawStatus(const std::string& reply) {
  if (reply.rfind("HTTP/1.", 0) != 0 || reply.size() < 12) return 0;
  return std::atoi(reply.c_str() + 9);
}

}  // namespace rudiruza::test
