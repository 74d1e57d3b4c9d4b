// The resources the service knows: read once at start from DIR/catalogue.tsv.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "faults.h"

namespace rudiruza::service {

struct CatalogueEntry {
  std::string id;    // seven digits
  std::string name;  // UTF-8, without the type
  std::string type;  // UTF-8, e.g. "rar"
  std::string path;  // absolute, inside the catalogue folder
  std::string faultText;
  Faults faults;
};

class Catalogue {
 public:
  // An empty catalogue.
  Catalogue() = default;

  // Reads dir/catalogue.tsv. Nothing, with a message naming the line, when the folder or the
  // manifest cannot be read, a line is malformed, an ID is repeated, or a file is missing or lies
  // outside the folder.
  static std::optional<Catalogue> Load(const std::string& dir, std::string* error);

  const CatalogueEntry* Find(const std::string& id) const;
  size_t Size() const { return entries_.size(); }

 private:
  std::map<std::string, CatalogueEntry> entries_;
};

// A name or type as the pages can carry it: no tab, line break, control character or angle
// bracket (which would break the page's table).
bool IsPageSafeText(const std::string& text);

}  // namespace rudiruza::service
