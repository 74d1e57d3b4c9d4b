// The process's one libcurl share: cookies, DNS cache and TLS sessions for every request.
#pragma once

#include <curl/curl.h>

namespace rudiruza::inet {

// Initialises libcurl on first use (thread-safe) and returns the share, which lives until the
// process ends.
CURLSH* ProcessShare();

}  // namespace rudiruza::inet
