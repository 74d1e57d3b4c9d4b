// A plain GET that returns the body as bytes, for the captcha's front page and picture.
#pragma once

#include <cstddef>
#include <optional>

#include "lookup/text.h"

namespace rudiruza {

// A body is cut here: a hostile service must not be able to exhaust memory.
inline constexpr std::size_t kMaxFetchBytes = 4 * 1024 * 1024;

struct UrlParts {
  bool secure = false;  // https
  Text host;
  int port = 0;
  Text user, password;
  Text object;  // path and query, without the part from "#"; "/" at least
};

// Splits an absolute http or https address; nothing for other schemes, relative addresses,
// a missing host or a port that is no number. No character is escaped or unescaped.
std::optional<UrlParts> SplitUrl(const Text& url);

// GET url with HTTP/1.0 and "Accept: */*", never from or into a cache, through the system's
// proxy settings, sharing the process's cookies. Returns the body, the bytes read so far when
// the read fails part-way, and empty bytes when the address is empty or unusable or the
// request fails. The status code is not looked at. The root handle is opened once, on the
// first call, whichever thread makes it.
Bytes HttpGetBytes(const Text& url);

}  // namespace rudiruza
