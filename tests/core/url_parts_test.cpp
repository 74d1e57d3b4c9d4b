#include "lookup/url_parts.h"

#include <gtest/gtest.h>

#include "lookup/http_get_bytes.h"

namespace rudiruza {
namespace {

TEST(UrlParts, SplitsTheRequestAddress) {
  struct Case {
    Text url, host;
    int port;
    Text path;
  } cases[] = {
      {"http://Host/a/b?x=1", "host", 80, "/a/b?x=1"},
      {"HTTP://Host:8080/x", "host", 8080, "/x"},
      {"http://Host", "host", 80, "/"},
      {"Host:81/y/z", "host", 81, "/y/z"},
      {"Host", "host", 80, "/"},
      {"http://127.0.0.1:8088/", "127.0.0.1", 8088, "/"},
      {"http://host:abc/p", "host", 0, "/p"},  // a port that is no number
      // The path starts at the first slash after the host, wherever the host stands.
      {"http://HOST/host/x", "host", 80, "/host/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlHost(c.url), c.host);
    EXPECT_EQ(UrlPort(c.url), c.port);
    EXPECT_EQ(UrlPath(c.url), c.path);
  }
}

TEST(UrlParts, SplitUrlForPlainGets) {
  struct Case {
    Text url;
    bool ok;
    bool secure;
    Text host;
    int port;
    Text user, password, object;
  } cases[] = {
      {"http://h/p.png?a=1#frag", true, false, "h", 80, "", "", "/p.png?a=1"},
      {"HTTPS://u:pw@h:8443", true, true, "h", 8443, "u", "pw", "/"},
      {"http://h?x", true, false, "h", 80, "", "", "/?x"},
      {"http://[::1]:81/a b", true, false, "::1", 81, "", "", "/a b"},
      {"/captcha.png", false, false, "", 0, "", "", ""},
      {"ftp://h/x", false, false, "", 0, "", "", ""},
      {"http:///x", false, false, "", 0, "", "", ""},
      {"http://h:99999/", false, false, "", 0, "", "", ""},
      {"http://h:8o/", false, false, "", 0, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    auto parts = SplitUrl(c.url);
    ASSERT_EQ(parts.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(parts->secure, c.secure);
    EXPECT_EQ(parts->host, c.host);
    EXPECT_EQ(parts->port, c.port);
    EXPECT_EQ(parts->user, c.user);
    EXPECT_EQ(parts->password, c.password);
    EXPECT_EQ(parts->object, c.object);
  }
}

}  // namespace
}  // namespace rudiruza
