#include "form.h"

namespace rudiruza::service {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormField(const std::string& body, const std::string& name) {
  size_t pos = 0;
  while (pos <= body.size()) {
    size_t end = body.find('&', pos);
    if (end == std::string::npos) end = body.size();
    size_t eq = body.find('=', pos);
    if (eq != std::string::npos && eq < end && Decode(body.substr(pos, eq - pos)) == name)
      return Decode(body.substr(eq + 1, end - eq - 1));
    pos = end + 1;
  }
  return std::string();
}

std::string PercentEncode(const std::string& text, const std::string& safe) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || safe.find(static_cast<char>(c)) != std::string::npos) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace rudiruza::service
