// The lookup against the real kavo-service: the captcha picture, and the query that the
// picture's session cookie makes valid.
#include <gtest/gtest.h>

#include "lookup/captcha.h"
#include "lookup/resource_query.h"
#include "platform/encoding/encoding.h"
#include "platform/inet/inet.h"
#include "service/http_client.h"
#include "support/fake_window.h"
#include "support/kavo_service.h"
#include "support/test_paths.h"

namespace rudiruza {
namespace {

const test::CatalogueEntry kEntry{"1234567", "资料 合集", "rar", "file bytes", ""};

TEST(LookupWithService, PictureArrivesAndFixedCaptchaQueries) {
  test::KavoService::Options options;
  options.catalogueDir = test::WriteCatalogue(test::MakeTempDir(), {kEntry});
  test::KavoService service(options);  // fixed captcha "ABCD"
  test::FakeWindow window;
  RefreshCaptchaFrom(service.BaseUrl(), window);
  Bytes picture = window.Picture("图片框1");
  ASSERT_GT(picture.size(), 8u);
  EXPECT_EQ(Text(picture.begin(), picture.begin() + 4), "\x89PNG");

  ResourceInfo found = QueryResourceInfoAt(service.BaseUrl(), "1234567", "A B C D");
  EXPECT_EQ(found.outcome, QueryOutcome::Found);
  EXPECT_EQ(found.downloadUrl, service.FileUrl("1234567"));
  EXPECT_EQ(found.fileName, TextFromUtf8(kEntry.name));
  EXPECT_EQ(ToLower(found.fileType), "rar");
  EXPECT_EQ(QueryResourceInfoAt(service.BaseUrl(), "1234567", "ABCE").outcome,
            QueryOutcome::CaptchaWrong);
  ResourceInfo missing = QueryResourceInfoAt(service.BaseUrl(), "7654321", "ABCD");
  EXPECT_EQ(missing.outcome, QueryOutcome::Failed);
  EXPECT_FALSE(missing.statusText.empty());
}

TEST(LookupWithService, QuerySucceedsBecauseThePicturesCookieGoesAlong) {
  test::KavoService::Options options;
  options.catalogueDir = test::WriteCatalogue(test::MakeTempDir(), {kEntry});
  options.fixedCaptcha = "";  // real captchas, bound to the session cookie
  options.extraArgs = {"--expose-answers"};
  test::KavoService service(options);
  const Text base = service.BaseUrl();

  // The refresh sets the session cookie; a second picture on that session, fetched through
  // the same process-wide store, tells the test its answer.
  test::FakeWindow window;
  RefreshCaptchaFrom(base, window);
  ASSERT_FALSE(window.Picture("图片框1").empty());
  auto root = inet::Root::Open("test", inet::Access::kDirect);
  auto picture = inet::Request::OpenUrl(*root, base + "captcha.png", "Accept: */*", 0);
  ASSERT_TRUE(picture);
  const Text answer = picture->Header("X-Kavo-Answer");
  ASSERT_EQ(answer.size(), 4u);

  // The right characters without the cookie are refused...
  const std::string form = "kavo_id=1234567&token=" + answer;
  std::string bare = test::RawExchange(
      service.Port(), "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                          std::to_string(form.size()) + "\r\nConnection: close\r\n\r\n" + form);
  EXPECT_NE(bare.find(TextFromUtf8("token码错误")), std::string::npos);
  // ...and accepted with it.
  ResourceInfo info = QueryResourceInfoAt(base, "1234567", answer);
  EXPECT_EQ(info.outcome, QueryOutcome::Found);
  EXPECT_EQ(info.downloadUrl, service.FileUrl("1234567"));
}

}  // namespace
}  // namespace rudiruza
