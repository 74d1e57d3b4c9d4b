// The download address: a catalogue entry's file, streamed from disk in small pieces (bounded
// memory per connection), with single byte ranges and the injected faults.
#pragma once

#include <string>

#include <httplib.h>

#include "catalogue.h"
#include "faults.h"

namespace rudiruza::service {

// Answers a GET or HEAD of entry's download address. redirectUrl is where the redirect fault
// sends the client (the same file, marked as redirected).
void ServeDownload(const httplib::Request& request, httplib::Response& response,
                   const CatalogueEntry& entry, const Faults& faults,
                   const std::string& redirectUrl);

}  // namespace rudiruza::service
