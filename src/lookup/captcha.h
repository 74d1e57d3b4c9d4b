// The captcha picture: read the service's front page, find the picture's address, show it.
#pragma once

#include "lookup/text.h"
#include "platform/window/window_port.h"

namespace rudiruza {

// The picture's address on a front page: the source of the image inside the link back to
// baseUrl; empty when the page has none.
Text CaptchaAddress(const Text& page, const Text& baseUrl);

// The two fetches of a refresh: the front page of the service at baseUrl, then the picture it
// names; empty bytes when either fails. Callers that may be cancelled fetch first and then
// decide whether to show it.
Bytes FetchCaptchaPicture(const Text& baseUrl);

// Fetches a new picture from the service at ServiceBaseUrl and sets it into "图片框1",
// whatever came back (empty bytes included). Shows nothing and never fails. A stop request of
// the calling thread ends the fetch at once and leaves the picture unchanged.
void RefreshCaptcha(WindowPort& window);
// The same from the service at baseUrl.
void RefreshCaptchaFrom(const Text& baseUrl, WindowPort& window);

}  // namespace rudiruza
