// Shared bits of the service's tests: GBK literals and the downloader's way of reading a page.
#pragma once

#include <string>

#include "platform/encoding/encoding.h"

namespace rudiruza::test {

inline std::string Gbk(const std::string& utf8) { return rudiruza::TextFromUtf8(utf8); }

// What lies between the first start marker and the next end marker; empty when either is missing.
inline std::string Between(const std::string& page, const std::string& start,
                           const std::string& end) {
  auto a = page.find(start);
  if (a == std::string::npos) return std::string();
  a += start.size();
  auto b = page.find(end, a);
  return b == std::string::npos ? std::string() : page.substr(a, b - a);
}

inline const std::string kRowStart = "</div></th><td><div align=\"left\">";

}  // namespace rudiruza::test
