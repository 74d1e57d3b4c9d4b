// The sample catalogue: a few files with deterministic content, written on demand (the large one
// is never kept in the repository).
#pragma once

#include <string>

namespace rudiruza::service {

// Writes DIR/catalogue.tsv and DIR/files/*. False, with a message, when it cannot.
bool MakeSample(const std::string& dir, std::string* error);

}  // namespace rudiruza::service
