// The download address: whole files, single byte ranges, HEAD, and every injectable fault, over
// real HTTP on loopback.
#include <zlib.h>

#include <chrono>

#include <gtest/gtest.h>

#include "http_client.h"
#include "support/kavo_service.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

constexpr size_t kSize = 50000;

class ServiceDownloads : public ::testing::Test {
 protected:
  void SetUp() override {
    KavoService::Options options;
    options.catalogueDir = WriteCatalogue(
        MakeTempDir(), {{"1000001", "data", "bin", content_, ""},
                        {"1000002", "empty", "bin", "", ""},
                        {"1000003", "fragile", "bin", content_, "drop=1234,norange"}});
    service_ = std::make_unique<KavoService>(options);
  }
  HttpAnswer Get(const std::string& url, std::vector<std::string> headers = {},
                 const std::string& method = "GET") {
    HttpOptions options;
    options.method = method;
    options.headers = std::move(headers);
    return client_.Fetch(url, options);
  }

  const std::string content_ = PatternBytes(kSize, 7);
  std::unique_ptr<KavoService> service_;
  HttpClient client_;
};

TEST_F(ServiceDownloads, ServesSingleByteRanges) {
  struct Case {
    const char* range;  // the header line as sent
    long status;
    size_t first, length;  // the part of the file expected, for 200 and 206
    const char* contentRange;
  };
  const Case cases[] = {
      {nullptr, 200, 0, kSize, ""},
      {"Range:bytes=100-", 206, 100, kSize - 100, "bytes 100-49999/50000"},  // as the downloader
      {"Range: bytes=0-", 206, 0, kSize, "bytes 0-49999/50000"},
      {"Range: bytes=49999-", 206, 49999, 1, "bytes 49999-49999/50000"},
      {"Range: bytes=100-199", 206, 100, 100, "bytes 100-199/50000"},
      {"Range: bytes=49000-99999", 206, 49000, 1000, "bytes 49000-49999/50000"},
      {"Range: bytes=-10", 206, kSize - 10, 10, "bytes 49990-49999/50000"},
      {"Range: bytes=0-9,20-29", 200, 0, kSize, ""},  // several ranges: the whole file
      {"Range: bytes=50000-", 416, 0, 0, "bytes */50000"},
      {"Range: bytes=70000-", 416, 0, 0, "bytes */50000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range ? c.range : "no range");
    std::vector<std::string> headers;
    if (c.range) headers.push_back(c.range);
    auto answer = Get(service_->FileUrl("1000001"), headers);
    ASSERT_EQ(answer.code, CURLE_OK);
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(answer.Header("Content-Range"), c.contentRange);
    if (c.status == 416) continue;
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(c.length));
    EXPECT_EQ(answer.Header("Accept-Ranges"), "bytes");
    EXPECT_TRUE(answer.body == content_.substr(c.first, c.length));
  }

  auto head = Get(service_->FileUrl("1000001"), {"Range: bytes=1000-"}, "HEAD");
  EXPECT_EQ(head.status, 206);
  EXPECT_EQ(head.Header("Content-Length"), std::to_string(kSize - 1000));
  EXPECT_TRUE(head.body.empty());

  auto empty = Get(service_->FileUrl("1000002"));
  EXPECT_EQ(empty.status, 200);
  EXPECT_EQ(empty.Header("Content-Length"), "0");
  EXPECT_EQ(Get(service_->FileUrl("1000002"), {"Range: bytes=0-"}).status, 416);
}

TEST_F(ServiceDownloads, InjectsEachFault) {
  using namespace std::chrono;
  struct Case {
    const char* fault;
    const char* range;
    CURLcode code;
    long status;
    std::string body;
    const char* contentLength;  // nullptr: no such header
    milliseconds atLeast;
  };
  const std::string& all = content_;
  const Case cases[] = {
      {"drop=1000", nullptr, CURLE_PARTIAL_FILE, 200, all.substr(0, 1000), "50000", {}},
      {"drop=0", nullptr, CURLE_PARTIAL_FILE, 200, "", "50000", {}},
      {"drop=1000",
       "Range: bytes=10000-",
       CURLE_PARTIAL_FILE,
       206,
       all.substr(10000, 1000),
       "40000",
       {}},
      {"norange", "Range: bytes=10000-", CURLE_OK, 200, all, "50000", {}},
      {"nolength", nullptr, CURLE_OK, 200, all, nullptr, {}},
      {"nolength", "Range: bytes=10000-", CURLE_OK, 206, all.substr(10000), nullptr, {}},
      {"badlength=100", nullptr, CURLE_PARTIAL_FILE, 200, all, "50100", {}},
      {"rate=100000", nullptr, CURLE_OK, 200, all, "50000", milliseconds(400)},
      {"delay=300", nullptr, CURLE_OK, 200, all, "50000", milliseconds(300)},
      {"drop=20000,rate=100000", nullptr, CURLE_PARTIAL_FILE, 200, all.substr(0, 20000), "50000",
       milliseconds(150)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + (c.range ? std::string(" with ") + c.range : ""));
    std::vector<std::string> headers;
    if (c.range) headers.push_back(c.range);
    auto start = steady_clock::now();
    auto answer = Get(service_->FileUrl("1000001") + "?fault=" + c.fault, headers);
    auto took = steady_clock::now() - start;
    EXPECT_EQ(answer.code, c.code);
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(answer.body.size(), c.body.size());
    EXPECT_TRUE(answer.body == c.body);
    EXPECT_EQ(answer.Header("Content-Length"), c.contentLength ? c.contentLength : "");
    EXPECT_GE(took, c.atLeast);
  }
}

TEST_F(ServiceDownloads, StatusRedirectAndGzipFaults) {
  auto error = Get(service_->FileUrl("1000001") + "?fault=status=503");
  EXPECT_EQ(error.status, 503);
  EXPECT_EQ(error.Header("Content-Type"), "text/html; charset=GBK");
  EXPECT_NE(error.body.find("<html>"), std::string::npos);
  // A 200 that carries a page instead of the file.
  auto page = Get(service_->FileUrl("1000001") + "?fault=status=200");
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("<html>"), std::string::npos);

  auto moved = Get(service_->FileUrl("1000001") + "?fault=redirect,drop=10");
  EXPECT_EQ(moved.status, 302);
  EXPECT_EQ(moved.Header("Location").rfind(service_->FileUrl("1000001") + "?", 0), 0u);
  HttpOptions follow;
  follow.followRedirects = true;
  auto followed = client_.Fetch(service_->FileUrl("1000001") + "?fault=redirect", follow);
  EXPECT_EQ(followed.status, 200);
  EXPECT_TRUE(followed.body == content_);
  // The faults other than the redirect still apply after it.
  auto dropped = client_.Fetch(service_->FileUrl("1000001") + "?fault=redirect,drop=10", follow);
  EXPECT_EQ(dropped.code, CURLE_PARTIAL_FILE);
  EXPECT_TRUE(dropped.body == content_.substr(0, 10));

  for (const char* fault : {"gzip", "gzip,nolength"}) {
    SCOPED_TRACE(fault);
    auto raw = Get(service_->FileUrl("1000001") + "?fault=" + fault, {"Range: bytes=30000-"});
    EXPECT_EQ(raw.code, CURLE_OK);
    EXPECT_EQ(raw.status, 206);
    EXPECT_EQ(raw.Header("Content-Encoding"), "gzip");
    ASSERT_GT(raw.body.size(), 2u);
    EXPECT_EQ(raw.body.substr(0, 2), "\x1f\x8b");
    std::string plain(20000, '\0');
    z_stream z{};
    ASSERT_EQ(inflateInit2(&z, 16 + 15), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(raw.body.data());
    z.avail_in = static_cast<uInt>(raw.body.size());
    z.next_out = reinterpret_cast<Bytef*>(plain.data());
    z.avail_out = static_cast<uInt>(plain.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.total_out, 20000u);
    inflateEnd(&z);
    EXPECT_TRUE(plain == content_.substr(30000));
  }
}

TEST_F(ServiceDownloads, CatalogueFaultsApplyToThePlainAddress) {
  auto answer = Get(service_->FileUrl("1000003"), {"Range: bytes=100-"});
  EXPECT_EQ(answer.code, CURLE_PARTIAL_FILE);
  EXPECT_EQ(answer.status, 200);  // norange
  EXPECT_TRUE(answer.body == content_.substr(0, 1234));
}

TEST_F(ServiceDownloads, RefusesUnknownFaultsAndIds) {
  for (const char* fault :
       {"bogus", "drop=", "drop=x", "rate=0", "status=99", "status=204", "delay=999999999"}) {
    SCOPED_TRACE(fault);
    EXPECT_EQ(Get(service_->FileUrl("1000001") + "?fault=" + fault).status, 400);
  }
  EXPECT_EQ(Get(service_->FileUrl("7777777")).status, 404);
  EXPECT_EQ(Get(service_->FileUrl("100000")).status, 404);
  EXPECT_EQ(Get(service_->FileUrl("10000011")).status, 404);
}

}  // namespace
}  // namespace rudiruza::test
