#include "lookup/url_parts.h"

namespace rudiruza {
namespace {

// The host-and-port part: after "http://" (any case) or from the start, up to the first "/".
Text HostAndPort(const Text& url) {
  if (CompareText(TextLeft(url, 7), "http://", false) == 0) {
    int slash = FindText(url, "/", 8, true);
    return slash == -1 ? TextRight(url, TextLength(url) - 7) : TextMid(url, 8, slash - 8);
  }
  int slash = FindText(url, "/", 1, true);
  return slash == -1 ? url : TextLeft(url, slash - 1);
}

}  // namespace

Text UrlHost(const Text& url) {
  Text part = HostAndPort(url);
  int colon = FindText(part, ":", 1, true);
  if (colon != -1) part = TextLeft(part, colon - 1);
  return ToLower(part);
}

int UrlPort(const Text& url) {
  Text part = HostAndPort(url);
  int colon = FindText(part, ":", 1, true);
  Text port = colon == -1 ? Text("80") : TextRight(part, TextLength(part) - colon);
  return ToInteger(ToNumber(port));
}

Text UrlPath(const Text& url) {
  Text host = UrlHost(url);
  int at = FindText(url, host, 1, true);
  int slash = at == -1 ? -1 : FindText(url, "/", at, true);
  if (slash == -1) return "/";
  return TextRight(url, TextLength(url) - slash + 1);
}

}  // namespace rudiruza
