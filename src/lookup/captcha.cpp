#include "lookup/captcha.h"

#include "lookup/http_get_bytes.h"
#include "lookup/service_url.h"
#include "platform/stop/stop.h"

namespace rudiruza {

Text CaptchaAddress(const Text& page, const Text& baseUrl) {
  return TextBetween(page, "<a href=\"" + baseUrl + "\"><img border=0 src=\"", "\"></a>");
}

void RefreshCaptcha(WindowPort& window) { RefreshCaptchaFrom(ServiceBaseUrl(), window); }

Bytes FetchCaptchaPicture(const Text& baseUrl) {
  const Text page = BytesToText(HttpGetBytes(baseUrl));
  return HttpGetBytes(CaptchaAddress(page, baseUrl));
}

void RefreshCaptchaFrom(const Text& baseUrl, WindowPort& window) {
  Bytes picture = FetchCaptchaPicture(baseUrl);
  // A job that is being stopped leaves the picture as it was rather than blanking it with a
  // fetch it cut short.
  if (StopRequested()) return;
  window.SetPicture("图片框1", picture);
}

}  // namespace rudiruza
