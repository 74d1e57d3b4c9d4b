#include "lookup/http_get_bytes.h"

#include <algorithm>
#include <mutex>

#include "lookup/http_request.h"
#include "platform/inet/inet.h"

namespace rudiruza {
namespace {

constexpr std::size_t kDefaultPiece = 10240;
constexpr std::size_t kLargestPiece = 102400;

// The process's root handle, opened by the first fetch that succeeds in opening it.
inet::Root* SharedRoot() {
  static std::mutex mutex;
  static std::unique_ptr<inet::Root> root;
  std::lock_guard lock(mutex);
  if (!root) root = inet::Root::Open(kBrowserAgent, inet::Access::kPreconfig);
  return root.get();
}

bool AllDigits(const Text& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<UrlParts> SplitUrl(const Text& url) {
  UrlParts parts;
  std::size_t start;
  if (CompareText(TextLeft(url, 7), "http://", false) == 0) {
    start = 7;
  } else if (CompareText(TextLeft(url, 8), "https://", false) == 0) {
    start = 8;
    parts.secure = true;
  } else {
    return std::nullopt;
  }
  Text rest = url.substr(start);
  rest = rest.substr(0, rest.find('#'));
  std::size_t authorityEnd = rest.find_first_of("/?");
  Text authority = rest.substr(0, authorityEnd);
  parts.object = authorityEnd == Text::npos ? Text("/") : rest.substr(authorityEnd);
  if (parts.object.front() == '?') parts.object = "/" + parts.object;

  std::size_t at = authority.rfind('@');
  if (at != Text::npos) {
    Text userInfo = authority.substr(0, at);
    authority = authority.substr(at + 1);
    std::size_t colon = userInfo.find(':');
    parts.user = userInfo.substr(0, colon);
    if (colon != Text::npos) parts.password = userInfo.substr(colon + 1);
  }
  Text port;
  if (!authority.empty() && authority.front() == '[') {  // [IPv6 address]
    std::size_t close = authority.find(']');
    if (close == Text::npos) return std::nullopt;
    parts.host = authority.substr(1, close - 1);
    Text after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      port = after.substr(1);
    }
  } else {
    std::size_t colon = authority.rfind(':');
    parts.host = authority.substr(0, colon);
    if (colon != Text::npos) port = authority.substr(colon + 1);
  }
  if (parts.host.empty()) return std::nullopt;
  if (port.empty()) {
    parts.port = parts.secure ? 443 : 80;
  } else {
    if (!AllDigits(port) || port.size() > 5 || std::stoi(port) > 65535) return std::nullopt;
    parts.port = std::stoi(port);
  }
  return parts;
}

Bytes HttpGetBytes(const Text& url) {
  if (url.empty()) return Bytes();
  std::optional<UrlParts> parts = SplitUrl(url);
  if (!parts) return Bytes();
  inet::Root* root = SharedRoot();
  if (root == nullptr) return Bytes();
  auto connection =
      inet::Connection::Open(*root, parts->host, parts->port, parts->user, parts->password);
  if (!connection) return Bytes();
  std::uint32_t flags = inet::kFlagReload | inet::kFlagDontCache;
  if (parts->secure) flags |= inet::kFlagSecure;
  auto request = inet::Request::Open(*connection, "GET", parts->object, "HTTP/1.0", flags);
  if (!request || !request->Send("Accept: */*\r\n\r\n", std::string())) return Bytes();

  std::size_t piece = kDefaultPiece;
  if (auto length = request->ContentLength(); length && *length > 0) {
    piece = static_cast<std::size_t>(
        std::min<std::int64_t>(*length + 1, static_cast<std::int64_t>(kLargestPiece)));
  }
  Bytes collected;
  Bytes buffer(piece);
  for (;;) {
    std::int64_t n = request->Read(buffer.data(), buffer.size());
    if (n <= 0) break;
    std::size_t take = std::min(static_cast<std::size_t>(n), kMaxFetchBytes - collected.size());
    collected.insert(collected.end(), buffer.begin(), buffer.begin() + take);
    if (collected.size() >= kMaxFetchBytes) break;
  }
  return collected;
}

}  // namespace rudiruza
