// Hostile and broken requests: each gets a 4xx answer (or the connection closed), nothing from
// outside the catalogue ever comes back, and the service keeps serving everyone else.
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "http_client.h"
#include "support/kavo_service.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

const std::string kSecret = "SECRET-OUTSIDE-THE-CATALOGUE";

class ServiceBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    // A secret next to the catalogue folder and one inside it that no entry names.
    std::string root = MakeTempDir();
    std::ofstream(root + "/secret.txt") << kSecret;
    std::string dir = root + "/catalogue";
    WriteCatalogue(dir, {{"1000001", "data", "bin", "DATA", ""}});
    std::ofstream(dir + "/unlisted.txt") << kSecret;
    KavoService::Options options;
    options.catalogueDir = dir;
    service_ = std::make_unique<KavoService>(options);
  }
  std::string Get(const std::string& target, const std::string& extra = "") {
    return RawExchange(service_->Port(), "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                             extra + "Connection: close\r\n\r\n");
  }
  std::unique_ptr<KavoService> service_;
};

TEST_F(ServiceBadInput, PathsThatClimbOutGetA4xxAndNoForeignByte) {
  const char* targets[] = {
      "/../secret.txt",
      "/d/../../secret.txt",
      "/%2e%2e/secret.txt",
      "/%2E%2E%2Fsecret.txt",
      "/d/%2e%2e%2f%2e%2e%2fsecret.txt",
      "/..%2f..%2fsecret.txt",
      "/%252e%252e/secret.txt",
      "/d/..%5c..%5csecret.txt",
      "/d/1000001/../../secret.txt",
      "/d/1000001%00",
      "/unlisted.txt",
      "/catalogue.tsv",
      "/files/1000001.bin",
      "/d/unlisted.txt",
      "/d/1000001/extra",
      "secret.txt",
      "http://127.0.0.1/../secret.txt",
  };
  for (const char* target : targets) {
    SCOPED_TRACE(target);
    std::string reply = Get(target);
    int status = RawStatus(reply);
    EXPECT_TRUE(status == 0 || (status >= 400 && status < 500)) << reply.substr(0, 200);
    EXPECT_EQ(reply.find(kSecret), std::string::npos);
    EXPECT_EQ(reply.find("DATA"), std::string::npos);
    EXPECT_EQ(reply.find("1000001\tdata"), std::string::npos);
  }
}

TEST_F(ServiceBadInput, MalformedAndOversizedRequestsGetA4xx) {
  struct Case {
    const char* what;
    std::string request;
  };
  const Case cases[] = {
      {"garbage", "GARBAGE\r\n\r\n"},
      {"unknown method", "BREW / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"},
      {"PUT", "PUT /d/1000001 HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\n\r\nx"},
      {"bad version", "GET / HTTP/9.9\r\nHost: x\r\n\r\n"},
      {"long header", "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(20000, 'a') +
                          "\r\nConnection: close\r\n\r\n"},
      {"long target", "GET /" + std::string(10000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n"},
      {"large body",
       "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 1000000\r\n"
       "Connection: close\r\n\r\nkavo_id=1"},
      {"huge chunk",
       "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
       "Connection: close\r\n\r\nFFFFFFFFFF\r\n" +
           std::string(70000, 'a')},
      {"chunked PUT",
       "PUT / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
       "Connection: close\r\n\r\nFFFFFFFFFF\r\nabc"},
      {"PRI",
       "PRI / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
       "Connection: close\r\n\r\nFFFFFFFFFF\r\nabc"},
      {"multipart form",
       "POST / HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
       "boundary=b\r\nContent-Length: 48\r\nConnection: close\r\n\r\n"
       "--b\r\nContent-Disposition: form-data; name=a\r\n\r\n"},
      {"unknown path", "GET /nothing/here HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"},
      {"post elsewhere",
       "POST /d/1000001 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n"
       "Connection: close\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string reply = RawExchange(service_->Port(), c.request, 2000);
    int status = RawStatus(reply);
    EXPECT_TRUE(status >= 400 && status < 500) << reply.substr(0, 200);
  }
  // Still serving.
  EXPECT_NE(Get("/d/1000001").find("DATA"), std::string::npos);
}

TEST_F(ServiceBadInput, HostHeaderNeverReachesThePageUnchecked) {
  // A hostile Host, and none at all (HTTP/1.0): the page names the listening address instead.
  for (std::string request :
       {"GET / HTTP/1.1\r\nHost: \"><script>x</script>\r\nConnection: close\r\n\r\n",
        "GET / HTTP/1.0\r\n\r\n"}) {
    SCOPED_TRACE(request);
    std::string reply = RawExchange(service_->Port(), request);
    EXPECT_EQ(RawStatus(reply), 200);
    EXPECT_EQ(reply.find("<script>"), std::string::npos);
    EXPECT_NE(reply.find("<a href=\"" + service_->BaseUrl() + "\"><img border=0 src=\""),
              std::string::npos);
  }
}

TEST_F(ServiceBadInput, SlowClientsDoNotStallTheOthers) {
  // One client that sends half a request and waits, one that starts a slow download and never
  // reads: the service answers a third at once all the same.
  int port = service_->Port();
  std::thread halfRequest([port] { RawExchange(port, "GET / HTTP/1.1\r\nHost: x\r\nX-", 700); });
  std::thread stalledReader([port] {
    RawExchange(port, "GET /d/1000001?fault=rate=1 HTTP/1.1\r\nHost: x\r\n\r\n", 700);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  HttpClient client;
  HttpOptions quick;
  quick.timeoutMs = 1000;
  auto answer = client.Fetch(service_->FileUrl("1000001"), quick);
  EXPECT_EQ(answer.code, CURLE_OK);
  EXPECT_EQ(answer.body, "DATA");
  halfRequest.join();
  stalledReader.join();
}

}  // namespace
}  // namespace rudiruza::test
