// Splits an "http://host[:port][path]" address for the request client.
#pragma once

#include "lookup/text.h"

namespace rudiruza {

// The host, lower-cased, without scheme, port and path.
Text UrlHost(const Text& url);
// The port; 80 when the address names none, 0 when what it names is no number.
int UrlPort(const Text& url);
// From the first "/" after the host to the end, query included; "/" when there is none.
Text UrlPath(const Text& url);

}  // namespace rudiruza
