// The captcha's life: an answer is bound to the session cookie of the client that fetched the
// picture, right once, and only for a while. The service runs with real captchas here and tells
// the test each picture's answer in a header (--expose-answers).
#include <thread>

#include <gtest/gtest.h>

#include "http_client.h"
#include "service_test_util.h"
#include "support/kavo_service.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

class ServiceCaptcha : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> extra = {}) {
    KavoService::Options options;
    options.catalogueDir = WriteCatalogue(MakeTempDir(), {{"1234567", "a", "bin", "x", ""}});
    options.fixedCaptcha = "";
    options.extraArgs = {"--expose-answers"};
    options.extraArgs.insert(options.extraArgs.end(), extra.begin(), extra.end());
    service_ = std::make_unique<KavoService>(options);
  }
  // Reads the front page and its picture, as the downloader does; returns the answer.
  std::string Picture(HttpClient& client) {
    auto front = client.Fetch(service_->BaseUrl());
    std::string url = Between(
        front.body, "<a href=\"" + service_->BaseUrl() + "\"><img border=0 src=\"", "\"></a>");
    auto png = client.Fetch(url);
    EXPECT_EQ(png.status, 200);
    return png.Header("X-Kavo-Answer");
  }
  // The outcome of a query: "wrong", "found" or "failed".
  std::string Query(HttpClient& client, const std::string& token) {
    auto page = client.Post(service_->BaseUrl(), "kavo_id=1234567&token=" + token);
    if (page.body.find(Gbk("token码错误")) != std::string::npos) return "wrong";
    if (page.body.find(Gbk("获取资源信息成功")) != std::string::npos) return "found";
    return "failed";
  }
  static std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  std::unique_ptr<KavoService> service_;
};

TEST_F(ServiceCaptcha, AnswerIsRightOnceForTheSessionThatSawIt) {
  Start();
  HttpClient alice, bob;
  std::string answer = Picture(alice);
  ASSERT_EQ(answer.size(), 4u);

  EXPECT_EQ(Query(bob, answer), "wrong");  // another session (bob has no cookie yet)
  if (Picture(bob) != answer) {
    EXPECT_EQ(Query(bob, answer), "wrong");  // bob's picture has its own answer
  }
  EXPECT_EQ(Query(alice, Lower(answer)), "found");
  EXPECT_EQ(Query(alice, answer), "wrong");  // used

  // A wrong try uses the answer up as well: no guessing at one picture.
  answer = Picture(alice);
  EXPECT_EQ(Query(alice, answer == "ABCD" ? "EFGH" : "ABCD"), "wrong");
  EXPECT_EQ(Query(alice, answer), "wrong");

  // The newest picture counts.
  std::string first = Picture(alice);
  std::string second = Picture(alice);
  if (first != second) {
    EXPECT_EQ(Query(alice, first), "wrong");
  }
  EXPECT_EQ(Query(alice, Picture(alice)), "found");

  // The picture alone starts a session too.
  HttpClient carol;
  auto png = carol.Fetch(service_->BaseUrl() + "captcha.png");
  EXPECT_NE(png.Header("Set-Cookie").find("KAVOSID="), std::string::npos);
  EXPECT_EQ(Query(carol, png.Header("X-Kavo-Answer")), "found");
}

TEST_F(ServiceCaptcha, AnswerExpires) {
  Start({"--captcha-life", "300"});
  HttpClient client;
  std::string answer = Picture(client);
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  EXPECT_EQ(Query(client, answer), "wrong");
}

TEST_F(ServiceCaptcha, AnswersUseOnlyUnmistakableCharacters) {
  Start();
  HttpClient client;
  for (int i = 0; i < 25; ++i) {
    std::string answer = Picture(client);
    ASSERT_EQ(answer.size(), 4u);
    EXPECT_EQ(answer.find_first_not_of("23456789ABCDEFGHJKMNPRSTUVWXYZ"), std::string::npos)
        << answer;
  }
}

}  // namespace
}  // namespace rudiruza::test
