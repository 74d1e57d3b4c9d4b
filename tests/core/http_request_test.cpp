#include "lookup/http_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/stop/stop.h"
#include "support/capture_server.h"

namespace rudiruza {
namespace {

using test::Answer;
using test::CaptureServer;
using namespace std::chrono_literals;

const Text kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

// The expected header block with the default accept line and the url filled in.
Text Expand(Text block, const Text& url) {
  if (auto at = block.find("%ACCEPT%"); at != Text::npos) block.replace(at, 8, kAccept);
  if (auto at = block.find("%URL%"); at != Text::npos) block.replace(at, 5, url);
  return block;
}

TEST(HttpRequest, DefaultAcceptLineIsTheBrowsersOwn) { EXPECT_EQ(kAccept.size(), 174u); }

// The request as it goes out: request line, the layer's Host and User-Agent, then the block.
TEST(HttpRequest, RequestBytes) {
  struct Case {
    const char* name;
    Text method, extra, body;
    bool spoiltUrl;  // url with an upper-case host, passed on as the referer unchanged
    Text expectedLine, expectedBlock, expectedBody;
  } cases[] = {
      {"post with body", "POST", "", "kavo_id=1234567&token=ABCD", false, "POST",
       "%ACCEPT%Referer: %URL%\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 26\r\n",
       "kavo_id=1234567&token=ABCD"},
      {"lower-case post", "post", "", "a=1", false, "post",
       "%ACCEPT%Referer: %URL%\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n",
       "a=1"},
      // No form lines of the block's own; the layer still says the body is empty.
      {"post without body", "POST", "", "", false, "POST",
       "%ACCEPT%Referer: %URL%\r\nAccept-Language: zh-cn\r\nContent-Length: 0\r\n", ""},
      {"get never carries the body", "get", "", "a=1", true, "GET",
       "%ACCEPT%Referer: %URL%\r\nAccept-Language: zh-cn\r\n", ""},
      {"empty method", "", "", "", false, "GET",
       "%ACCEPT%Referer: %URL%\r\nAccept-Language: zh-cn\r\n", ""},
      // The caller's lines come first; names are found whatever their case.
      {"extra headers", "GET", "accept: text/html\r\nREFERER: x\r\nX-Y: z\r\n", "", false, "GET",
       "accept: text/html\r\nREFERER: x\r\nX-Y: z\r\nAccept-Language: zh-cn\r\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureServer server;
    server.Queue(Answer(200, "page"));
    const Text url = c.spoiltUrl ? "http://LOCALHOST:" + std::to_string(server.Port()) + "/Q?A=1"
                                 : server.Url("/svc/");
    const Text hostLine = c.spoiltUrl ? "localhost:" + std::to_string(server.Port())
                                      : "127.0.0.1:" + std::to_string(server.Port());
    EXPECT_EQ(HttpRequest(url, c.method, std::nullopt, c.extra, c.body), "page");
    const Text block = Expand(c.expectedBlock, url);
    const Text path = c.spoiltUrl ? "/Q?A=1" : "/svc/";
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], c.expectedLine + " " + path + " HTTP/1.1\r\nHost: " + hostLine +
                                        "\r\nUser-Agent: " + kBrowserAgent + "\r\n" + block +
                                        "\r\n" + c.expectedBody);
  }
}

TEST(HttpRequest, BodyComesBackAsTheServerSentIt) {
  CaptureServer server;
  server.Queue(Answer(404, "not here"));
  server.Queue(Answer(200, std::string("ab\0cd", 5)));
  server.Queue(Answer(200, std::string(kMaxPageBytes + 1000, 'x')));
  Text headers;
  EXPECT_EQ(HttpRequest(server.Url("/a"), "GET", std::nullopt, "", "", &headers), "not here");
  EXPECT_EQ(headers.substr(0, 24), "HTTP/1.1 404 OK\r\nContent");
  EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
  EXPECT_EQ(HttpRequest(server.Url("/b")), "ab");  // cut at the zero byte
  EXPECT_EQ(HttpRequest(server.Url("/c")).size(), kMaxPageBytes);
}

TEST(HttpRequest, UnreachableServiceGivesEmptyText) {
  int port;
  {
    CaptureServer gone;
    port = gone.Port();
  }
  Text headers = "untouched";
  EXPECT_EQ(HttpRequest("http://127.0.0.1:" + std::to_string(port) + "/", "POST", std::nullopt, "",
                        "a=1", &headers),
            "");
  EXPECT_EQ(headers, "");
}

TEST(HttpRequest, GoesThroughTheGivenProxy) {
  CaptureServer proxy;
  proxy.Queue(Answer(200, "via proxy"));
  EXPECT_EQ(
      HttpRequest("http://service.invalid/x", "GET", "127.0.0.1:" + std::to_string(proxy.Port())),
      "via proxy");
  EXPECT_EQ(proxy.Requests().at(0).substr(0, 41), "GET http://service.invalid/x HTTP/1.1\r\nHo");
}

TEST(HttpRequest, StopRequestEndsAWaitingCall) {
  CaptureServer server;
  auto silent = Answer(200, "late");
  silent.neverAnswer = true;
  server.Queue(silent);
  Text result = "unset";
  std::jthread job([&](std::stop_token token) {
    ThreadStopScope scope(token);
    result = HttpRequest(server.Url("/"), "POST", std::nullopt, "", "a=1");
  });
  ASSERT_TRUE(server.WaitForRequests(1));
  auto stopAt = std::chrono::steady_clock::now();
  job.request_stop();
  job.join();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 100ms);
  EXPECT_EQ(result, "");
}

}  // namespace
}  // namespace rudiruza
