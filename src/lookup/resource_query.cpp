#include "lookup/resource_query.h"

#include "lookup/http_request.h"
#include "lookup/service_url.h"
#include "platform/encoding/encoding.h"

namespace rudiruza {
namespace {

struct Markers {
  Text captchaWrong = TextFromUtf8("token码错误");
  Text success = TextFromUtf8("获取资源信息成功");
  Text cell = "</div></th><td><div align=\"left\">";
  Text addressStart = TextFromUtf8("电信下载地址：") + cell;
  Text addressEnd = "</div></td><td><a";
  Text nameStart = TextFromUtf8("文件名称：") + cell;
  Text typeStart = TextFromUtf8("文件类型：") + cell;
  Text typeEnd = TextFromUtf8("文件") + "</div>";
  Text statusStart = TextFromUtf8("态：") + cell;
  Text divEnd = "</div>";
};

const Markers& TheMarkers() {
  static const Markers markers;
  return markers;
}

}  // namespace

Text ResourceIdFromBox(const Text& boxText) {
  if (ToInteger(boxText) != 0) return boxText;
  return TextRight(RemoveAllSpaces(boxText), 7);
}

void NormaliseResourceId(WindowPort& window, WindowState& state) {
  state.resourceId = ResourceIdFromBox(window.GetText("编辑框_id"));
}

ResourceInfo ClassifyAnswer(const Text& page) {
  const Markers& m = TheMarkers();
  ResourceInfo info;
  if (FindText(page, m.captchaWrong) != -1) {
    info.outcome = QueryOutcome::CaptchaWrong;
  } else if (FindText(page, m.success) == -1) {
    info.outcome = QueryOutcome::Failed;
    info.statusText = TextBetween(page, m.statusStart, m.divEnd);
  } else {
    info.outcome = QueryOutcome::Found;
    info.downloadUrl = TextBetween(page, m.addressStart, m.addressEnd);
    info.fileName = TextBetween(page, m.nameStart, m.divEnd);
    info.fileType = TextBetween(page, m.typeStart, m.typeEnd);
  }
  return info;
}

ResourceInfo QueryResourceInfo(const Text& resourceId, const Text& captchaText) {
  return QueryResourceInfoAt(ServiceBaseUrl(), resourceId, captchaText);
}

ResourceInfo QueryResourceInfoAt(const Text& baseUrl, const Text& resourceId,
                                 const Text& captchaText) {
  // Raw bytes, not escaped: Chinese characters travel as their GBK bytes.
  const Text form = "kavo_id=" + resourceId + "&token=" + RemoveAllSpaces(captchaText);
  return ClassifyAnswer(HttpRequest(baseUrl, "POST", std::nullopt, Text(), form));
}

}  // namespace rudiruza
