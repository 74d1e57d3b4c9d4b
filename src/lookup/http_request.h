// One complete HTTP exchange for the resource-info query: request out, whole body back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "lookup/text.h"

namespace rudiruza {

inline constexpr char kBrowserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr std::uint32_t kHttpRequestTimeoutMs = 18000;
// A page is cut here: a hostile service must not be able to exhaust memory.
inline constexpr std::size_t kMaxPageBytes = 4 * 1024 * 1024;

// Sends one request to url ("http://host[:port][path]") and returns the response body, cut
// before its first zero byte; empty when nothing came back. A case variant of "POST" as method
// posts body (the verb goes out as written); anything else is a GET without body. proxy, when
// given (even empty), is the HTTP proxy "host:port". extraHeaders are the caller's lines, each
// ending in CR LF; the default Accept, Referer (url as passed) and Accept-Language lines follow
// unless present, and a post with a body gets the form's type and length lines. rawHeaders,
// when given, receives the response's status line and header lines.
Text HttpRequest(const Text& url, const Text& method = Text(),
                 const std::optional<Text>& proxy = std::nullopt, const Text& extraHeaders = Text(),
                 const Text& body = Text(), Text* rawHeaders = nullptr);

}  // namespace rudiruza
