#include "lookup/captcha.h"

#include "lookup/http_get_bytes.h"
#include "lookup/service_url.h"

namespace rudiruza {

Text CaptchaAddress(const Text& page, const Text& baseUrl) {
  return TextBetween(page, "<a href=\"" + baseUrl + "\"><img border=0 src=\"", "\"></a>");
}

void RefreshCaptcha(WindowPort& window) { RefreshCaptchaFrom(ServiceBaseUrl(), window); }

void RefreshCaptchaFrom(const Text& baseUrl, WindowPort& window) {
  const Text page = BytesToText(HttpGetBytes(baseUrl));
  window.SetPicture("图片框1", HttpGetBytes(CaptchaAddress(page, baseUrl)));
}

}  // namespace rudiruza
