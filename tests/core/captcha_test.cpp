#include "lookup/captcha.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "lookup/http_get_bytes.h"
#include "lookup/http_request.h"
#include "platform/stop/stop.h"
#include "support/capture_server.h"
#include "support/fake_window.h"

namespace rudiruza {
namespace {

using test::Answer;
using test::CaptureServer;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(HttpGetBytes, RequestBytesAndBody) {
  CaptureServer server;
  const std::string picture("\x89PNG\r\n\x1a\n\0\0rest", 14);
  server.Queue(Answer(200, picture));
  EXPECT_EQ(HttpGetBytes(server.Url("/pic.png?n=1#part")), B(picture));
  EXPECT_EQ(server.Requests().at(0),
            "GET /pic.png?n=1 HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                "\r\nUser-Agent: " + kBrowserAgent + "\r\nAccept: */*\r\n\r\n");
}

// Blanks, which no server takes raw, and bytes above 0x7F go out escaped; the rest as given.
TEST(HttpGetBytes, UnsafeBytesOfTheAddressGoOutEscaped) {
  CaptureServer server;
  HttpGetBytes(server.Url("/a b/\xCE\xC4.png?x=\"1\"&y=%41"));
  EXPECT_EQ(server.Requests().at(0).substr(0, 44),
            "GET /a%20b/%ce%c4.png?x=\"1\"&y=%41 HTTP/1.0\r\n");
}

TEST(HttpGetBytes, WhatComesBack) {
  CaptureServer server;
  auto cut = Answer(200, "0123456789");
  cut.sendBytes = 6;  // then the connection closes
  auto unsized = Answer(500, "error page");
  unsized.contentLength = false;
  server.Queue(cut);
  server.Queue(unsized);
  server.Queue(Answer(200, std::string(kMaxFetchBytes + 5, 'p')));
  EXPECT_EQ(HttpGetBytes(server.Url("/a")), B("012345"));
  EXPECT_EQ(HttpGetBytes(server.Url("/b")), B("error page"));
  EXPECT_EQ(HttpGetBytes(server.Url("/c")).size(), kMaxFetchBytes);
  // Addresses that cannot be fetched never reach the network.
  for (const Text& url :
       {Text(), Text("/captcha.png"), Text("ftp://127.0.0.1/x"), Text("captcha.png")}) {
    EXPECT_EQ(HttpGetBytes(url), Bytes()) << url;
  }
  EXPECT_EQ(server.Requests().size(), 3u);
}

// The front page names the picture inside a link back to the service's base address.
Text FrontPage(const Text& base, const Text& src) {
  return "<html><a href=\"" + base + "\"><img border=0 src=\"" + src + "\"></a></html>";
}

TEST(RefreshCaptcha, ShowsWhateverThePictureAddressGives) {
  CaptureServer server;
  const Text base = server.Url("/");
  struct Case {
    const char* name;
    Text page;
    Bytes picture;
  } cases[] = {
      {"picture", FrontPage(base, server.Url("/c.png?r=1")), B("PNGDATA")},
      {"the first link counts",
       FrontPage(base, server.Url("/c.png?r=1")) + FrontPage(base, server.Url("/other")),
       B("PNGDATA")},
      {"link to another base", FrontPage(server.Url(""), server.Url("/c.png?r=1")), Bytes()},
      {"relative address", FrontPage(base, "/c.png?r=1"), Bytes()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.SetHandler([&](const std::string& request) {
      return request.starts_with("GET / ") ? Answer(200, c.page) : Answer(200, "PNGDATA");
    });
    test::FakeWindow window;
    RefreshCaptchaFrom(base, window);
    EXPECT_EQ(window.Picture("图片框1"), c.picture);
    EXPECT_EQ(window.PictureWrites(), 1);
  }
}

// A click on the picture while the job refreshes it: two refreshes at once, one shared root.
TEST(RefreshCaptcha, TwoRefreshesAtOnce) {
  CaptureServer server;
  const Text base = server.Url("/");
  server.SetHandler([&](const std::string& request) {
    return request.starts_with("GET / ") ? Answer(200, FrontPage(base, server.Url("/c.png")))
                                         : Answer(200, "PNGDATA");
  });
  test::FakeWindow window;
  std::thread a([&] { RefreshCaptchaFrom(base, window); });
  std::thread b([&] { RefreshCaptchaFrom(base, window); });
  a.join();
  b.join();
  EXPECT_EQ(window.PictureWrites(), 2);
  EXPECT_EQ(window.Picture("图片框1"), B("PNGDATA"));
}

TEST(RefreshCaptcha, StopRequestEndsItAndKeepsThePicture) {
  CaptureServer server;
  auto silent = Answer(200, "");
  silent.neverAnswer = true;
  server.SetDefault(silent);
  test::FakeWindow window;
  std::jthread job([&](std::stop_token token) {
    ThreadStopScope scope(token);
    RefreshCaptchaFrom(server.Url("/"), window);
  });
  ASSERT_TRUE(server.WaitForRequests(1));
  auto stopAt = std::chrono::steady_clock::now();
  job.request_stop();
  job.join();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::milliseconds(100));
  EXPECT_EQ(window.PictureWrites(), 0);
}

TEST(RefreshCaptcha, ServiceDownGivesAnEmptyPicture) {
  Text base;
  {
    CaptureServer gone;
    base = gone.Url("/");
  }
  test::FakeWindow window;
  RefreshCaptchaFrom(base, window);
  EXPECT_EQ(window.PictureWrites(), 1);
  EXPECT_EQ(window.Picture("图片框1"), Bytes());
  EXPECT_TRUE(window.Messages().empty());
}

}  // namespace
}  // namespace rudiruza
