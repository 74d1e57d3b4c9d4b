// A loopback HTTP server for tests that records the exact bytes of every request and answers
// with responses the test gives.
//
// It parses only where a request ends: the headers end at the first CR LF CR LF, then come
// Content-Length bytes of body (0 without that header). Each connection carries one exchange:
// the server answers and closes it.
//
//   CaptureServer server;
//   server.Queue(Answer(200, "hello", {"Set-Cookie: a=1"}));
//   ... the code under test fetches server.Url("/page") ...
//   EXPECT_EQ(server.Requests().at(0), "GET /page HTTP/1.1\r\nHost: ...\r\n\r\n");
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rudiruza::test {

struct CannedResponse {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::string> headers;  // complete lines without CR LF, e.g. "Location: /x"
  std::string body;
  bool contentLength = true;  // add "Content-Length: <size of body>"
  // Sent instead of everything above when not empty: status line, headers and body as given.
  std::string raw;

  // Faults. The body (or raw text) goes out in pieces of pieceBytes with pieceDelay between
  // them (0: all at once). Only the first sendBytes bytes of the body go out (npos: all);
  // then the server closes the connection, or with stallAfterSend keeps it open, silent,
  // until it is destroyed. holdHeaders keeps the whole answer back that long first.
  std::size_t pieceBytes = 0;
  std::chrono::milliseconds pieceDelay{0};
  std::size_t sendBytes = std::string::npos;
  bool stallAfterSend = false;
  std::chrono::milliseconds holdHeaders{0};
  bool neverAnswer = false;  // read the request, then stay silent until destroyed
};

// A plain answer: status (reason "OK"), body and header lines; set the fault fields afterwards.
CannedResponse Answer(int status, std::string body, std::vector<std::string> headers = {});

class CaptureServer {
 public:
  // Listens on 127.0.0.1, on a free port. Answers 200 with an empty body until told otherwise.
  CaptureServer();
  ~CaptureServer();
  CaptureServer(const CaptureServer&) = delete;
  CaptureServer& operator=(const CaptureServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" + path
  std::string Url(const std::string& path = "/") const;

  // The answer to every request that finds the queue empty.
  void SetDefault(CannedResponse response);
  // Answers for the next requests, in order.
  void Queue(CannedResponse response);
  // Decides each answer from the request's bytes; takes precedence over queue and default.
  void SetHandler(std::function<CannedResponse(const std::string& request)> handler);

  // The bytes of every complete request so far (headers and body), in order of arrival.
  std::vector<std::string> Requests() const;
  // Waits until at least count requests have arrived; false after the time-out.
  bool WaitForRequests(std::size_t count,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

 private:
  void AcceptLoop();
  void Serve(int fd);
  CannedResponse Choose(const std::string& request);
  bool SendAll(int fd, const char* data, std::size_t size);
  bool Pause(std::chrono::milliseconds duration);  // false when the server is stopping

  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> requests_;
  std::deque<CannedResponse> queue_;
  CannedResponse default_;
  std::function<CannedResponse(const std::string&)> handler_;
  std::vector<int> openFds_;
  std::vector<std::thread> workers_;
  std::thread acceptThread_;
};

}  // namespace rudiruza::test
