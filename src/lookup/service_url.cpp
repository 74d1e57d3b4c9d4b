#include "lookup/service_url.h"

#include <cstdlib>

namespace rudiruza {

Text ServiceBaseUrl() {
  const char* configured = std::getenv("KAVO_SERVICE_URL");
  if (configured == nullptr || *configured == '\0') return kDefaultServiceUrl;
  Text url = configured;
  // The captcha link on the front page is matched against this address, which ends in "/".
  if (url.back() != '/') url += '/';
  return url;
}

}  // namespace rudiruza
