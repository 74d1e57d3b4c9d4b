#include "lookup/http_request.h"

#include "lookup/url_parts.h"
#include "platform/inet/inet.h"

namespace rudiruza {
namespace {

constexpr char kDefaultAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr char kDefaultLanguage[] = "Accept-Language: zh-cn\r\n";
constexpr char kFormType[] = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr std::size_t kReadSize = 512;

bool Lacks(const Text& block, const Text& name) { return FindText(block, name, 1, true) == -1; }

}  // namespace

Text HttpRequest(const Text& url, const Text& method, const std::optional<Text>& proxy,
                 const Text& extraHeaders, const Text& body, Text* rawHeaders) {
  auto root = proxy ? inet::Root::Open(kBrowserAgent, inet::Access::kProxy, "http=" + *proxy)
                    : inet::Root::Open(kBrowserAgent, inet::Access::kDirect);
  if (!root) return Text();
  auto connection = inet::Connection::Open(*root, UrlHost(url), UrlPort(url));
  if (!connection) return Text();
  const Text verb = ToUpper(method) == "POST" ? method : Text("GET");
  auto request =
      inet::Request::Open(*connection, verb, UrlPath(url), "HTTP/1.1", inet::kFlagReload);
  if (!request) return Text();
  request->SetTimeout(inet::Timeout::kConnect, kHttpRequestTimeoutMs);
  request->SetTimeout(inet::Timeout::kReceive, kHttpRequestTimeoutMs);
  request->SetTimeout(inet::Timeout::kSend, kHttpRequestTimeoutMs);

  Text headers = extraHeaders;
  if (Lacks(headers, "Accept: ")) headers += kDefaultAccept;
  if (Lacks(headers, "Referer: ")) headers += "Referer: " + url + "\r\n";
  if (Lacks(headers, "Accept-Language: ")) headers += kDefaultLanguage;
  if (verb != "GET" && !body.empty()) {
    headers += kFormType;
    headers += "Content-Length: " + NumberToText(static_cast<std::int64_t>(body.size())) + "\r\n";
  }

  Bytes collected;
  if (request->Send(headers, verb != "GET" ? body : Text())) {
    unsigned char piece[kReadSize];
    for (;;) {
      std::int64_t n = request->Read(piece, sizeof piece);
      if (n <= 0) break;
      std::size_t take = std::min(static_cast<std::size_t>(n), kMaxPageBytes - collected.size());
      collected.insert(collected.end(), piece, piece + take);
      if (collected.size() >= kMaxPageBytes) break;
    }
  }
  if (rawHeaders != nullptr) *rawHeaders = request->RawHeaders();
  return BytesToText(collected);
}

}  // namespace rudiruza
