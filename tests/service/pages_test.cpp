// The pages the downloader reads, byte for byte: the captcha link of the front page and the three
// kinds of answer to the query form, in GBK.
#include <gtest/gtest.h>

#include "http_client.h"
#include "service_test_util.h"
#include "support/kavo_service.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

std::vector<CatalogueEntry> SmallCatalogue() {
  return {{"1234567", "工具包 2.0", "rar", std::string(5000, 'x'), ""},
          {"7654321", "notes", "txt", "hello", ""}};
}

TEST(ServicePages, FrontPageLinksAFreshPictureBelowItsBase) {
  KavoService service;
  HttpClient client;
  auto page = client.Fetch(service.BaseUrl());
  ASSERT_EQ(page.code, CURLE_OK);
  EXPECT_EQ(page.Header("Content-Type"), "text/html; charset=GBK");
  EXPECT_NE(page.Header("Set-Cookie").find("KAVOSID="), std::string::npos);
  std::string start = "<a href=\"" + service.BaseUrl() + "\"><img border=0 src=\"";
  std::string picture = Between(page.body, start, "\"></a>");
  ASSERT_EQ(picture.rfind(service.BaseUrl(), 0), 0u) << page.body;
  EXPECT_NE(page.body.find(Gbk("请看上图按顺序写出 红，黄，蓝，绿颜色字")), std::string::npos);

  // Each front page names another picture address, so no cache can hand out an old one.
  auto again = client.Fetch(service.BaseUrl());
  EXPECT_NE(Between(again.body, start, "\"></a>"), picture);

  auto png = client.Fetch(picture);
  ASSERT_EQ(png.status, 200);
  EXPECT_EQ(png.Header("Content-Type"), "image/png");
  ASSERT_GT(png.body.size(), 24u);
  EXPECT_EQ(png.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  auto be32 = [&](size_t at) {
    auto b = [&](size_t i) {
      return static_cast<unsigned>(static_cast<unsigned char>(png.body[at + i]));
    };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
  };
  EXPECT_LE(be32(16), 373u);  // width and height from the IHDR chunk
  EXPECT_LE(be32(20), 57u);
  EXPECT_GT(be32(16), 100u);
}

TEST(ServicePages, AnswersTheQueryInTheShapesTheDownloaderReads) {
  KavoService::Options options;
  options.catalogueDir = WriteCatalogue(MakeTempDir(), SmallCatalogue());
  KavoService service(options);
  HttpClient client;
  const std::string wrong = Gbk("token码错误");
  const std::string success = Gbk("获取资源信息成功");
  const std::string status = Gbk("态：") + kRowStart;

  struct Case {
    const char* what;
    std::string body;
    std::string expectStatus;  // UTF-8 status message, for the failure page
    bool wrongToken;
  };
  const Case cases[] = {
      {"wrong token", "kavo_id=1234567&token=WXYZ", "", true},
      {"missing token", "kavo_id=1234567", "", true},
      {"empty token", "kavo_id=1234567&token=", "", true},
      {"token in GBK", "kavo_id=1234567&token=" + Gbk("红黄蓝绿"), "", true},
      {"unknown ID", "kavo_id=7777777&token=ABCD", "资源不存在或已被删除", false},
      {"an address's last seven bytes", "kavo_id=/123456&token=ABCD", "资源不存在或已被删除",
       false},
      {"empty ID", "kavo_id=&token=ABCD", "请输入资源ID", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto page = client.Post(service.BaseUrl(), c.body);
    ASSERT_EQ(page.code, CURLE_OK);
    EXPECT_EQ(page.Header("Content-Type"), "text/html; charset=GBK");
    EXPECT_EQ(page.body.find(wrong) != std::string::npos, c.wrongToken) << page.body;
    EXPECT_EQ(page.body.find(success), std::string::npos);
    if (!c.wrongToken) {
      EXPECT_EQ(Between(page.body, status, "</div>"), Gbk(c.expectStatus));
    }
  }
}

TEST(ServicePages, SuccessPageCarriesAddressNameAndTypeInGbk) {
  KavoService::Options options;
  options.catalogueDir = WriteCatalogue(MakeTempDir(), SmallCatalogue());
  KavoService service(options);
  HttpClient client;
  // Raw bytes as the downloader sends them, a browser's percent-encoding, and any case.
  for (std::string body : {"kavo_id=1234567&token=ABCD", "kavo_id=%31234567&token=%41bcd",
                           "token=abcd&kavo_id=1234567"}) {
    SCOPED_TRACE(body);
    auto page = client.Post(service.BaseUrl(), body);
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find(Gbk("获取资源信息成功")), std::string::npos);
    EXPECT_EQ(page.body.find(Gbk("token码错误")), std::string::npos);
    EXPECT_EQ(Between(page.body, Gbk("电信下载地址：") + kRowStart, "</div></td><td><a"),
              service.FileUrl("1234567"));
    EXPECT_EQ(Between(page.body, Gbk("文件名称：") + kRowStart, "</div>"), Gbk("工具包 2.0"));
    EXPECT_EQ(Between(page.body, Gbk("文件类型：") + kRowStart, Gbk("文件</div>")), "rar");
  }
  auto file = client.Fetch(service.FileUrl("1234567"));
  EXPECT_EQ(file.status, 200);
  EXPECT_EQ(file.body, std::string(5000, 'x'));
}

TEST(ServicePages, BaseUrlOptionMovesEverythingBelowItsPath) {
  KavoService::Options options;
  options.catalogueDir = WriteCatalogue(MakeTempDir(), SmallCatalogue());
  options.extraArgs = {"--base-url", "http://files.example:8000/kavo/"};
  KavoService service(options);
  HttpClient client;
  const std::string local = service.BaseUrl() + "kavo/";

  auto front = client.Fetch(local);
  ASSERT_EQ(front.status, 200);
  EXPECT_NE(front.body.find("<a href=\"http://files.example:8000/kavo/\"><img border=0 "
                            "src=\"http://files.example:8000/kavo/captcha.png"),
            std::string::npos);
  auto page = client.Post(local, "kavo_id=7654321&token=ABCD");
  EXPECT_EQ(Between(page.body, Gbk("电信下载地址：") + kRowStart, "</div></td><td><a"),
            "http://files.example:8000/kavo/d/7654321");
  EXPECT_EQ(client.Fetch(local + "d/7654321").body, "hello");
  EXPECT_EQ(client.Fetch(service.BaseUrl()).status, 404);
  EXPECT_EQ(client.Fetch(service.FileUrl("7654321")).status, 404);
}

}  // namespace
}  // namespace rudiruza::test
