// Where the resource-info service is.
#pragma once

#include "lookup/text.h"

namespace rudiruza {

inline constexpr char kDefaultServiceUrl[] = "http://127.0.0.1:8088/";

// The service's base address, ending in "/": the environment variable KAVO_SERVICE_URL, else
// kDefaultServiceUrl.
Text ServiceBaseUrl();

}  // namespace rudiruza
