#include "catalogue.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace rudiruza::service {
namespace fs = std::filesystem;
namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    auto tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

bool IsSevenDigits(const std::string& id) {
  if (id.size() != 7) return false;
  for (char c : id)
    if (c < '0' || c > '9') return false;
  return true;
}

// True when path, with every link resolved, lies inside folder (both canonical).
bool IsInside(const fs::path& folder, const fs::path& path) {
  auto f = folder.begin();
  auto p = path.begin();
  for (; f != folder.end(); ++f, ++p) {
    if (p == path.end() || *f != *p) return false;
  }
  return p != path.end();
}

}  // namespace

bool IsPageSafeText(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f || c == '<' || c == '>') return false;
  return true;
}

std::optional<Catalogue> Catalogue::Load(const std::string& dir, std::string* error) {
  std::error_code ec;
  fs::path folder = fs::canonical(dir, ec);
  if (ec || !fs::is_directory(folder)) {
    *error = "catalogue folder cannot be read: " + dir;
    return std::nullopt;
  }
  fs::path manifest = folder / "catalogue.tsv";
  std::ifstream in(manifest, std::ios::binary);
  if (!in) {
    *error = "catalogue has no readable catalogue.tsv: " + manifest.string();
    return std::nullopt;
  }

  Catalogue catalogue;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    auto fail = [&](const std::string& why) {
      *error = manifest.string() + ":" + std::to_string(number) + ": " + why;
      return std::nullopt;
    };
    auto fields = SplitTabs(line);
    if (fields.size() < 4 || fields.size() > 5)
      return fail("expected ID<TAB>name<TAB>type<TAB>path[<TAB>faults]");
    CatalogueEntry entry;
    entry.id = fields[0];
    entry.name = fields[1];
    entry.type = fields[2];
    if (!IsSevenDigits(entry.id)) return fail("the ID must be seven digits: " + entry.id);
    if (catalogue.entries_.count(entry.id)) return fail("the ID is listed twice: " + entry.id);
    if (entry.name.empty() || !IsPageSafeText(entry.name))
      return fail("the name must be non-empty, without control characters or < >");
    if (entry.type.empty() || !IsPageSafeText(entry.type))
      return fail("the type must be non-empty, without control characters or < >");
    fs::path relative(fields[3]);
    if (fields[3].empty() || relative.is_absolute())
      return fail("the path must be relative to the catalogue folder");
    fs::path file = fs::canonical(folder / relative, ec);
    if (ec || !fs::is_regular_file(file)) return fail("no such file: " + fields[3]);
    if (!IsInside(folder, file)) return fail("the file lies outside the catalogue: " + fields[3]);
    entry.path = file.string();
    if (fields.size() == 5) {
      entry.faultText = fields[4];
      std::string why;
      if (!AddFaults(entry.faultText, &entry.faults, &why)) return fail(why);
    }
    catalogue.entries_.emplace(entry.id, std::move(entry));
  }
  return catalogue;
}

const CatalogueEntry* Catalogue::Find(const std::string& id) const {
  auto it = entries_.find(id);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace rudiruza::service
