#include "platform/inet/header_lines.h"

#include <strings.h>

namespace rudiruza::inet {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

std::vector<std::string> SplitHeaderLines(std::string_view block) {
  std::vector<std::string> lines;
  while (!block.empty()) {
    std::size_t end = block.find('\n');
    std::string_view line = block.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    block.remove_prefix(end + 1);
  }
  return lines;
}

bool IsHeader(std::string_view line, std::string_view name) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view field = Trim(line.substr(0, colon));
  return field.size() == name.size() && strncasecmp(field.data(), name.data(), name.size()) == 0;
}

std::string LastHeaderValue(const std::vector<std::string>& lines, std::string_view name) {
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (IsHeader(*it, name)) {
      std::string_view line = *it;
      return std::string(Trim(line.substr(line.find(':') + 1)));
    }
  }
  return std::string();
}

bool HasHeader(const std::vector<std::string>& lines, std::string_view name) {
  for (const auto& line : lines) {
    if (IsHeader(line, name)) return true;
  }
  return false;
}

}  // namespace rudiruza::inet
