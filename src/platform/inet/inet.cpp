#include "platform/inet/inet.h"

#include <strings.h>

#include "platform/inet/curl_request.h"
#include "platform/inet/curl_share.h"
#include "platform/inet/handles.h"

namespace rudiruza::inet {
namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

// "http" or "https" for an absolute address of those schemes, else empty.
std::string SchemeOf(const Text& url) {
  if (strncasecmp(url.c_str(), "http://", 7) == 0) return "http";
  if (strncasecmp(url.c_str(), "https://", 8) == 0) return "https";
  return std::string();
}

void SetTimeouts(const RootHandle& root, RequestSetup& setup) {
  setup.connectMs = root.TimeoutOf(Timeout::kConnect);
  setup.receiveMs = root.TimeoutOf(Timeout::kReceive);
  setup.sendMs = root.TimeoutOf(Timeout::kSend);
}

}  // namespace

std::optional<std::string> RootHandle::ProxyFor(const std::string& scheme) const {
  if (access_ == Access::kPreconfig) return std::nullopt;  // libcurl reads the environment
  if (access_ == Access::kDirect) return std::string();
  // A list in the system's form: "host:port" for every scheme, or "scheme=host:port" entries,
  // separated by blanks or semicolons.
  std::string forScheme, forAll;
  std::size_t pos = 0;
  while (pos < proxy_.size()) {
    std::size_t end = proxy_.find_first_of(" ;", pos);
    if (end == std::string::npos) end = proxy_.size();
    std::string entry = proxy_.substr(pos, end - pos);
    pos = end + 1;
    if (entry.empty()) continue;
    std::size_t eq = entry.find('=');
    if (eq == std::string::npos) {
      if (forAll.empty()) forAll = entry;
    } else if (LowerAscii(entry.substr(0, eq)) == scheme && forScheme.empty()) {
      forScheme = entry.substr(eq + 1);
    }
  }
  std::string chosen = forScheme.empty() ? forAll : forScheme;
  if (chosen.empty()) return std::string();
  if (chosen.find("://") == std::string::npos) chosen = "http://" + chosen;
  return chosen;
}

std::unique_ptr<Root> Root::Open(const Text& agent, Access access, const Text& proxy) {
  if (ProcessShare() == nullptr) return nullptr;
  return std::make_unique<RootHandle>(agent, access, proxy);
}

std::unique_ptr<Connection> Connection::Open(Root& root, const Text& host, int port,
                                             const Text& user, const Text& password) {
  if (host.empty()) return nullptr;
  return std::make_unique<ConnectionHandle>(static_cast<RootHandle&>(root), host, port, user,
                                            password);
}

std::unique_ptr<Request> Request::Open(Connection& connection, const Text& verb, const Text& object,
                                       const Text& version, std::uint32_t flags) {
  auto& c = static_cast<ConnectionHandle&>(connection);
  const bool secure = (flags & kFlagSecure) != 0;
  RequestSetup setup;
  std::string host = c.Host();
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  int port = c.Port() > 0 ? c.Port() : (secure ? 443 : 80);
  std::string path = object.empty() || object.front() != '/' ? "/" + object : object;
  setup.url = (secure ? "https://" : "http://") + host + ":" + std::to_string(port) + path;
  setup.verb = verb.empty() ? "GET" : verb;
  setup.http10 = version == "HTTP/1.0";
  setup.agent = c.Root().Agent();
  setup.proxy = c.Root().ProxyFor(secure ? "https" : "http");
  setup.user = c.User();
  setup.password = c.Password();
  SetTimeouts(c.Root(), setup);
  return std::make_unique<CurlRequest>(std::move(setup));
}

std::unique_ptr<Request> Request::OpenUrl(Root& root, const Text& url, const Text& headers,
                                          std::uint32_t /*flags*/) {
  auto& r = static_cast<RootHandle&>(root);
  std::string scheme = SchemeOf(url);
  if (scheme.empty()) return nullptr;
  RequestSetup setup;
  setup.url = url;
  setup.verb = "GET";
  setup.agent = r.Agent();
  setup.proxy = r.ProxyFor(scheme);
  SetTimeouts(r, setup);
  auto request = std::make_unique<CurlRequest>(std::move(setup));
  if (!request->Send(headers, std::string())) return nullptr;
  return request;
}

}  // namespace rudiruza::inet
