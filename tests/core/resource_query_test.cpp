#include "lookup/resource_query.h"

#include <gtest/gtest.h>

#include "lookup/http_request.h"
#include "platform/encoding/encoding.h"
#include "support/capture_server.h"
#include "support/fake_window.h"

namespace rudiruza {
namespace {

Text G(const char* utf8) { return TextFromUtf8(utf8); }

TEST(ResourceId, FromTheAddressBox) {
  struct Case {
    Text box, id;
  } cases[] = {
      {"1234567", "1234567"},
      {"http://kavo.example/down/1234567", "1234567"},
      {"http://kavo.example/down/1234567/", "234567/"},  // the slash counts
      {"123456789", "123456789"},
      {" 1234567 ", " 1234567 "},  // a number is taken whole, spaces and all
      {"12.example/down/7654321", "12.example/down/7654321"},
      {"ab c", "abc"},
      {G("http://kavo.example/d/123\u3000 4567"), "1234567"},  // full-width spaces too
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box);
    EXPECT_EQ(ResourceIdFromBox(c.box), c.id);
  }
}

TEST(ResourceId, NormaliseWritesTheWindowState) {
  test::FakeWindow window;
  WindowState state;
  window.SetText("编辑框_id", "http://kavo.example/down/7654321");
  NormaliseResourceId(window, state);
  EXPECT_EQ(state.resourceId, "7654321");
}

// Rows as the service writes them.
Text Row(const char* label, const Text& value, const Text& end) {
  return G(label) + "</div></th><td><div align=\"left\">" + value + end;
}

const Text kSuccess = G("<p>获取资源信息成功</p>");
const Text kAddressRow =
    Row("电信下载地址：", "http://files.example/1/a.rar", "</div></td><td><a href=x>");
const Text kNameRow = Row("文件名称：", G("资料"), "</div></td></tr>");
const Text kTypeRow = Row("文件类型：", G("RAR文件"), "</div></td></tr>");

TEST(ResourceQuery, ClassifiesAnswerPages) {
  struct Case {
    const char* name;
    Text page;
    QueryOutcome outcome;
    Text url, fileName, fileType, status;
  } cases[] = {
      {"success", G("<table>") + kAddressRow + kNameRow + kTypeRow + kSuccess, QueryOutcome::Found,
       "http://files.example/1/a.rar", G("资料"), "RAR", ""},
      {"wrong captcha wins over success",
       kSuccess + kAddressRow + kNameRow + kTypeRow + G("token码错误"), QueryOutcome::CaptchaWrong,
       "", "", "", ""},
      {"success with rows missing", kSuccess + kNameRow, QueryOutcome::Found, "", G("资料"), "",
       ""},
      // A type cell without the trailing word runs on to the next one anywhere later.
      {"type without its word",
       kSuccess + Row("文件类型：", "ZIP", "</div>") + G("<i>说明文件</div>"), QueryOutcome::Found,
       "", "", G("ZIP</div><i>说明"), ""},
      {"failure with status", Row("状态：", G("资源不存在"), "</div>"), QueryOutcome::Failed, "",
       "", "", G("资源不存在")},
      {"failure without status row", G("<html>服务繁忙</html>"), QueryOutcome::Failed, "", "", "",
       ""},
      {"empty page", "", QueryOutcome::Failed, "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResourceInfo info = ClassifyAnswer(c.page);
    EXPECT_EQ(info.outcome, c.outcome);
    EXPECT_EQ(info.downloadUrl, c.url);
    EXPECT_EQ(info.fileName, c.fileName);
    EXPECT_EQ(info.fileType, c.fileType);
    EXPECT_EQ(info.statusText, c.status);
  }
}

TEST(ResourceQuery, PostsRawBytesAndReadsTheAnswer) {
  test::CaptureServer server;
  server.Queue(test::Answer(200, kSuccess + kAddressRow + kNameRow + kTypeRow));
  ResourceInfo info = QueryResourceInfoAt(server.Url("/"), "1234567", G(" 红 黄\u3000蓝绿&x=%20"));
  EXPECT_EQ(info.outcome, QueryOutcome::Found);
  EXPECT_EQ(info.downloadUrl, "http://files.example/1/a.rar");
  const Text form = "kavo_id=1234567&token=" + G("红黄蓝绿&x=%20");
  const Text request = server.Requests().at(0);
  EXPECT_EQ(request.substr(0, 16), "POST / HTTP/1.1\r");
  EXPECT_NE(request.find("\r\nReferer: " + server.Url("/") + "\r\n"), Text::npos);
  EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(form.size()) + "\r\n\r\n"),
            Text::npos);
  EXPECT_EQ(request.substr(request.size() - form.size()), form);
}

TEST(ResourceQuery, EmptyCaptchaAndUnreachableService) {
  Text unreachable;
  {
    test::CaptureServer server;
    QueryResourceInfoAt(server.Url("/"), "1234567", "");
    const Text request = server.Requests().at(0);
    EXPECT_EQ(request.substr(request.size() - 22), "kavo_id=1234567&token=");
    unreachable = server.Url("/");
  }
  ResourceInfo info = QueryResourceInfoAt(unreachable, "1234567", "ABCD");
  EXPECT_EQ(info.outcome, QueryOutcome::Failed);
  EXPECT_EQ(info.statusText, "");
}

}  // namespace
}  // namespace rudiruza
