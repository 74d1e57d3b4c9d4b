#include "platform/inet/inet.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/stop/stop.h"
#include "support/capture_server.h"

namespace rudiruza::inet {
namespace {

using test::CannedResponse;
using test::CaptureServer;
using namespace std::chrono_literals;

const Text kTransferHeaders =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

std::string Host(const CaptureServer& server) {
  return "127.0.0.1:" + std::to_string(server.Port());
}

// Reads the whole body in pieces of size; the last result (0 or -1) goes into end.
std::string ReadAll(Request& request, std::size_t size, std::int64_t* end = nullptr,
                    std::size_t* largest = nullptr) {
  std::string body;
  std::vector<char> buffer(size);
  for (;;) {
    std::int64_t n = request.Read(buffer.data(), size);
    if (n <= 0) {
      if (end) *end = n;
      return body;
    }
    if (largest) *largest = std::max(*largest, static_cast<std::size_t>(n));
    body.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

[[maybe_unused]] std::string Gzip(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(compressBound(data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(Inet, OpenUrlSendsTheCallersLinesOnce) {
  CaptureServer server;
  server.Queue(test::Answer(200, "hello"));
  auto root = Root::Open("Agent123", Access::kPreconfig);
  auto request = Request::OpenUrl(*root, server.Url("/f.rar"), kTransferHeaders, 0x84000100);
  ASSERT_TRUE(request);
  EXPECT_EQ(ReadAll(*request, 10240), "hello");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0], "GET /f.rar HTTP/1.1\r\nHost: " + Host(server) + "\r\n" +
                                      kTransferHeaders + "\r\n\r\n");
}

// A request opened through a connection, as the lookup code makes them.
std::unique_ptr<Request> Post(Root& root, const CaptureServer& server, const Text& verb,
                              const Text& headers, const std::string& body) {
  auto connection = Connection::Open(root, "127.0.0.1", server.Port());
  auto request = Request::Open(*connection, verb, "/q?a=1", "HTTP/1.1", kFlagReload);
  if (!request->Send(headers, body)) return nullptr;
  return request;
}

TEST(Inet, RequestLineHeadersAndBodyGoOutAsGiven) {
  const Text form = "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 5\r\n";
  struct Case {
    const char* verb;
    Text headers;
    std::string body;
    std::string expected;  // after the request line and Host
  } cases[] = {
      {"POST", "Accept: x\r\n" + form, "a=1&b",
       "User-Agent: UA\r\nAccept: x\r\n" + form + "\r\na=1&b"},
      // A lower-case verb goes out as it is, with its body.
      {"post", form, "a=1&b", "User-Agent: UA\r\n" + form + "\r\na=1&b"},
      // A post without a body: no type line of the layer's own.
      {"POST", "Accept: */*", "", "User-Agent: UA\r\nAccept: */*\r\nContent-Length: 0\r\n\r\n"},
      // The caller's User-Agent replaces the root's; no Accept line unless the caller gives one.
      {"GET", "user-agent: Mine\r\n", "", "user-agent: Mine\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verb + (" " + c.headers));
    CaptureServer server;
    auto root = Root::Open("UA", Access::kDirect);
    auto request = Post(*root, server, c.verb, c.headers, c.body);
    ASSERT_TRUE(request);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], std::string(c.verb) + " /q?a=1 HTTP/1.1\r\nHost: " +
                                        Host(server) + "\r\n" + c.expected);
  }
}

TEST(Inet, HttpOneZeroRequest) {
  CaptureServer server;
  auto root = Root::Open("UA", Access::kPreconfig);
  auto connection = Connection::Open(*root, "127.0.0.1", server.Port());
  auto request = Request::Open(*connection, "GET", "/p.png", "HTTP/1.0", kFlagReload);
  ASSERT_TRUE(request->Send("Accept: */*\r\n\r\n", ""));
  EXPECT_EQ(server.Requests().at(0), "GET /p.png HTTP/1.0\r\nHost: " + Host(server) +
                                         "\r\nUser-Agent: UA\r\nAccept: */*\r\n\r\n");
}

TEST(Inet, ReadsHandOutAtMostTheSizeAsked) {
  std::string body(1 << 20, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + i / 251);
  CaptureServer server;
  auto answer = test::Answer(200, body);
  answer.pieceBytes = 100000;  // arrives in several pieces
  server.Queue(answer);
  auto root = Root::Open("UA", Access::kDirect);
  auto request = Request::OpenUrl(*root, server.Url("/big"), kTransferHeaders, 0);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->StatusCode(), 200);
  EXPECT_EQ(request->ContentLength(), std::optional<std::int64_t>(body.size()));
  std::int64_t end = 1;
  std::size_t largest = 0;
  EXPECT_EQ(ReadAll(*request, 10240, &end, &largest) == body, true);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(largest, 10240u);
  EXPECT_EQ(request->Read(&end, 1), 0);  // stays at the end
}

TEST(Inet, BrokenBodiesEndInFailureAfterTheirBytes) {
  struct Case {
    const char* name;
    CannedResponse answer;
  } cases[] = {
      {"shorter than Content-Length", test::Answer(200, "0123456789")},
      {"broken chunked body", test::Answer(200, "", {"Transfer-Encoding: chunked"})},
  };
  cases[0].answer.sendBytes = 4;
  cases[1].answer.contentLength = false;
  cases[1].answer.body = "4\r\n0123\r\n10\r\n01";
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureServer server;
    server.Queue(c.answer);
    auto root = Root::Open("UA", Access::kDirect);
    auto request = Request::OpenUrl(*root, server.Url("/"), "Accept: */*", 0);
    ASSERT_TRUE(request);
    std::int64_t end = 1;
    EXPECT_EQ(ReadAll(*request, 3, &end).substr(0, 4), "0123");
    EXPECT_EQ(end, -1);
  }
}

TEST(Inet, DecodesOnlyWhatTheRequestOffered) {
  // Larger than the receive buffer once decoded, so that decoding meets a paused transfer.
  std::string page(3 << 20, '\0');
  for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>('a' + (i / 7) % 26);
  for (bool offered : {true, false}) {
    SCOPED_TRACE(offered);
    CaptureServer server;
    server.Queue(test::Answer(200, Gzip(page), {"Content-Encoding: gzip"}));
    auto root = Root::Open("UA", Access::kDirect);
    auto request = Request::OpenUrl(*root, server.Url("/"),
                                    offered ? kTransferHeaders : Text("Accept: */*"), 0);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->ContentEncoding(), "gzip");
    EXPECT_TRUE(ReadAll(*request, 10240) == (offered ? page : Gzip(page)));
  }
}

TEST(Inet, HeadersOfTheFinalAnswer) {
  CaptureServer server;
  CannedResponse big;
  big.raw = "HTTP/1.1 404 Not Found\r\nX-A: 1\r\nContent-Length: 6000000000\r\nx-a:  2 \r\n\r\n";
  big.stallAfterSend = true;
  server.Queue(test::Answer(302, "moved", {"Location: /there"}));
  server.Queue(big);
  auto root = Root::Open("UA", Access::kDirect);
  auto request = Request::OpenUrl(*root, server.Url("/here"), "Accept: */*", 0);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->StatusCode(), 404);
  EXPECT_EQ(request->ContentLength(), std::optional<std::int64_t>(6000000000LL));
  EXPECT_EQ(request->Header("X-A"), "2");
  EXPECT_EQ(request->Header("Missing"), "");
  EXPECT_EQ(request->RawHeaders(),
            "HTTP/1.1 404 Not Found\r\nX-A: 1\r\nContent-Length: 6000000000\r\nx-a:  2 \r\n\r\n");
  EXPECT_EQ(server.Requests().at(1).substr(0, 16), "GET /there HTTP/");
}

TEST(Inet, RedirectsLeaveHttpAndHttpsNever) {
  CaptureServer server;
  server.Queue(test::Answer(302, "", {"Location: ftp://127.0.0.1/x"}));
  auto root = Root::Open("UA", Access::kDirect);
  EXPECT_FALSE(Request::OpenUrl(*root, server.Url("/"), "Accept: */*", 0));
  EXPECT_FALSE(Request::OpenUrl(*root, "ftp://127.0.0.1/x", "Accept: */*", 0));
  EXPECT_FALSE(Request::OpenUrl(*root, "file:///etc/passwd", "Accept: */*", 0));
}

TEST(Inet, CookiesAreSharedByEveryRequestOfTheProcess) {
  CaptureServer server;
  server.Queue(test::Answer(200, "", {"Set-Cookie: session=abc; Path=/"}));
  {
    auto root = Root::Open("UA", Access::kDirect);
    ASSERT_TRUE(Request::OpenUrl(*root, server.Url("/picture"), "Accept: */*", 0));
  }
  std::thread other([&] {
    auto root = Root::Open("UA", Access::kDirect);
    ASSERT_TRUE(Post(*root, server, "POST", "Accept: */*", "x"));
  });
  other.join();
  EXPECT_NE(server.Requests().at(1).find("\r\nCookie: session=abc\r\n"), std::string::npos)
      << server.Requests().at(1);
}

TEST(Inet, ProxyGivenToTheRoot) {
  CaptureServer proxy;
  auto root = Root::Open("UA", Access::kProxy, "http=127.0.0.1:" + std::to_string(proxy.Port()));
  auto request = Request::OpenUrl(*root, "http://resource.invalid/f", "Accept: */*", 0);
  ASSERT_TRUE(request);
  EXPECT_EQ(proxy.Requests().at(0).substr(0, 40), "GET http://resource.invalid/f HTTP/1.1\r\n");
}

// The system's settings are the proxy variables of the environment; direct access ignores them.
TEST(Inet, PreconfiguredAccessReadsTheEnvironment) {
  CaptureServer proxy;
  ASSERT_EQ(std::getenv("http_proxy"), nullptr);
  setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.Port())).c_str(), 1);
  auto preconfig = Root::Open("UA", Access::kPreconfig);
  auto viaProxy = Request::OpenUrl(*preconfig, "http://resource.invalid/f", "Accept: */*", 0);
  auto direct = Root::Open("UA", Access::kDirect);
  CaptureServer server;
  auto notViaProxy = Request::OpenUrl(*direct, server.Url("/g"), "Accept: */*", 0);
  unsetenv("http_proxy");
  EXPECT_TRUE(viaProxy);
  EXPECT_TRUE(notViaProxy);
  EXPECT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(Inet, ReceiveTimeOutFailsAStalledRead) {
  CaptureServer server;
  auto answer = test::Answer(200, "abcdef");
  answer.sendBytes = 2;
  answer.stallAfterSend = true;
  server.Queue(answer);
  auto root = Root::Open("UA", Access::kDirect);
  root->SetTimeout(Timeout::kReceive, 200);
  auto request = Request::OpenUrl(*root, server.Url("/"), "Accept: */*", 0);
  ASSERT_TRUE(request);
  auto start = std::chrono::steady_clock::now();
  std::int64_t end = 1;
  EXPECT_EQ(ReadAll(*request, 10240, &end), "ab");
  EXPECT_EQ(end, -1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
}

// A stop request reaches a call that waits for headers and one that waits for body bytes.
TEST(Inet, StopRequestAbortsABlockedCallQuickly) {
  for (bool inRead : {false, true}) {
    SCOPED_TRACE(inRead);
    CaptureServer server;
    auto answer = test::Answer(200, "abcdef");
    answer.sendBytes = 1;
    answer.stallAfterSend = inRead;
    answer.neverAnswer = !inRead;
    server.Queue(answer);
    bool failed = false;
    std::jthread job([&](std::stop_token token) {
      ThreadStopScope scope(token);
      auto root = Root::Open("UA", Access::kDirect);
      auto request = Request::OpenUrl(*root, server.Url("/"), "Accept: */*", 0);
      if (request) {
        char byte;
        request->Read(&byte, 1);
        failed = request->Read(&byte, 1) == -1;
      } else {
        failed = true;
      }
    });
    ASSERT_TRUE(server.WaitForRequests(1));
    std::this_thread::sleep_for(150ms);
    auto stopAt = std::chrono::steady_clock::now();
    job.request_stop();
    job.join();
    EXPECT_TRUE(failed);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 100ms);
  }
}

}  // namespace
}  // namespace rudiruza::inet
