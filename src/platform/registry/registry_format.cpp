#include "platform/registry/registry_format.h"

#include <cstdio>

#include "platform/encoding/encoding.h"

namespace rudiruza {
namespace {

constexpr std::string_view kHeader =
    "; rudiruza registry: keys and string values in the Windows manner.\n"
    "; In quoted strings \\\\, \\\" and \\xHH stand for bytes; in key names %HH does.\n";

// GB18030 with U+FFFD: what a failed conversion gives, and what TextFromUtf8 makes of bad input.
constexpr std::string_view kReplacementText = "\x84\x31\xA4\x37";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

unsigned char ByteAt(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

// Bytes of the GB18030 character at i: 1, 2 or 4 (a lead byte at the end stands alone).
std::size_t CharLength(std::string_view s, std::size_t i) {
  unsigned char b = ByteAt(s, i);
  if (b < 0x80) return 1;
  if (i + 3 < s.size() && InRange(b, 0x81, 0xFE) && InRange(ByteAt(s, i + 1), 0x30, 0x39) &&
      InRange(ByteAt(s, i + 2), 0x81, 0xFE) && InRange(ByteAt(s, i + 3), 0x30, 0x39)) {
    return 4;
  }
  return i + 1 < s.size() ? 2 : 1;
}

// The UTF-8 form of one GB18030 character when it converts there and back unchanged.
bool Utf8Twin(std::string_view character, std::string& utf8) {
  utf8 = Utf8FromText(character);
  return TextFromUtf8(utf8) == character;
}

enum class Quoting { kString, kKeyName };

void AppendEscaped(std::string& out, unsigned char b, Quoting quoting) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, quoting == Quoting::kString ? "\\x%02X" : "%%%02X", b);
  out += buffer;
}

std::string Escape(const Text& text, Quoting quoting) {
  std::string out;
  std::string utf8;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = CharLength(text, i);
    unsigned char b = ByteAt(text, i);
    if (n == 1 && b < 0x80) {
      bool plain = b >= 0x20 && b < 0x7F;
      if (quoting == Quoting::kString && (b == '\\' || b == '"')) {
        out += '\\';
        out += static_cast<char>(b);
      } else if (plain && !(quoting == Quoting::kKeyName &&
                            (b == '%' || b == '[' || b == ']' || b == '\\'))) {
        out += static_cast<char>(b);
      } else {
        AppendEscaped(out, b, quoting);
      }
    } else if (Utf8Twin(std::string_view(text).substr(i, n), utf8)) {
      out += utf8;
    } else {
      for (std::size_t k = 0; k < n; ++k) AppendEscaped(out, ByteAt(text, i + k), quoting);
    }
    i += n;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ReadHexByte(std::string_view s, std::size_t i, unsigned char& byte) {
  if (i + 1 >= s.size()) return false;
  int hi = HexDigit(s[i]);
  int lo = HexDigit(s[i + 1]);
  if (hi < 0 || lo < 0) return false;
  byte = static_cast<unsigned char>(hi * 16 + lo);
  return true;
}

// Appends the GB18030 form of the UTF-8 character at i and advances i; false for bad UTF-8.
bool ReadUtf8Char(std::string_view s, std::size_t& i, Text& out) {
  unsigned char b = ByteAt(s, i);
  std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) return false;
  for (std::size_t k = 1; k < n; ++k) {
    if ((ByteAt(s, i + k) & 0xC0) != 0x80) return false;
  }
  std::string_view utf8 = s.substr(i, n);
  Text character = TextFromUtf8(utf8);
  if (character.empty() || (character == kReplacementText && utf8 != kReplacementUtf8)) {
    return false;
  }
  out += character;
  i += n;
  return true;
}

// A quoted string starting at s[i] == '"'; i ends after the closing quote.
bool ReadQuoted(std::string_view s, std::size_t& i, Text& out) {
  if (i >= s.size() || s[i] != '"') return false;
  ++i;
  while (i < s.size()) {
    unsigned char b = ByteAt(s, i);
    if (b == '"') {
      ++i;
      return true;
    }
    if (b >= 0x80) {
      if (!ReadUtf8Char(s, i, out)) return false;
      continue;
    }
    if (b == 0) return false;  // a Text holds no zero byte
    if (b != '\\') {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) return false;
    char next = s[i + 1];
    if (next == '\\' || next == '"') {
      out += next;
      i += 2;
    } else if (next == 'x') {
      unsigned char byte;
      if (!ReadHexByte(s, i + 2, byte) || byte == 0) return false;
      out += static_cast<char>(byte);
      i += 4;
    } else {
      return false;
    }
  }
  return false;
}

bool ReadKeyName(std::string_view s, Text& out) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char b = ByteAt(s, i);
    if (b >= 0x80) {
      if (!ReadUtf8Char(s, i, out)) return false;
    } else if (b == '%') {
      unsigned char byte;
      if (!ReadHexByte(s, i + 1, byte) || byte == 0) return false;
      out += static_cast<char>(byte);
      i += 3;
    } else if (b != 0) {
      out += static_cast<char>(b);
      ++i;
    } else {
      return false;
    }
  }
  // It must be one name: not empty, no separator of its own, not too long.
  auto names = SplitKeyPath(out);
  return names && names->size() == 1 && (*names)[0] == out;
}

struct KeyRef {
  RegistryRoot root;
  std::vector<Text> path;
};

std::optional<KeyRef> ReadSection(std::string_view line) {
  std::string_view inner = line.substr(1, line.size() - 2);
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    std::size_t end = inner.find('\\', start);
    parts.push_back(inner.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  auto root = RegistryRootFromName(Text(parts[0]));
  if (!root) return std::nullopt;
  KeyRef key{*root, {}};
  for (std::size_t k = 1; k < parts.size(); ++k) {
    Text name;
    if (!ReadKeyName(parts[k], name)) return std::nullopt;
    key.path.push_back(std::move(name));
  }
  return key;
}

bool ReadValueLine(std::string_view line, Text& name, Text& data) {
  std::size_t i = 0;
  if (line.substr(0, 1) == "@") {
    i = 1;
  } else if (!ReadQuoted(line, i, name)) {
    return false;
  }
  if (i >= line.size() || line[i] != '=') return false;
  ++i;
  if (!ReadQuoted(line, i, data)) return false;
  return i == line.size();
}

void FormatKey(const RegistryNode& node, const std::string& sectionName, std::string& out,
               bool writeSection) {
  if (writeSection) {
    out += "\n[" + sectionName + "]\n";
    for (const auto& [name, data] : node.values) {
      out += name.empty() ? "@" : "\"" + Escape(name, Quoting::kString) + "\"";
      out += "=\"" + Escape(data, Quoting::kString) + "\"\n";
    }
  }
  for (const RegistryNode& sub : node.subkeys) {
    FormatKey(sub, sectionName + "\\" + Escape(sub.name, Quoting::kKeyName), out, true);
  }
}

}  // namespace

std::string FormatRegistry(const RegistryHive& hive) {
  std::string out(kHeader);
  for (int r = 0; r < kRegistryRootCount; ++r) {
    const RegistryNode& root = hive.roots[r];
    // A root always exists; it gets a section only for values of its own.
    FormatKey(root, RegistryRootName(static_cast<RegistryRoot>(r)), out, !root.values.empty());
  }
  return out;
}

RegistryParse ParseRegistry(std::string_view file, RegistryHive& hive) {
  RegistryParse result;
  RegistryNode* current = nullptr;
  int lineNumber = 0;
  auto bad = [&] {
    ++result.badLines;
    if (result.firstBadLine == 0) result.firstBadLine = lineNumber;
  };
  for (std::size_t start = 0; start < file.size();) {
    std::size_t end = file.find('\n', start);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos || line[0] == ';') continue;

    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      auto key = ReadSection(line);
      current = key ? &hive.Create(key->root, key->path) : nullptr;
      if (!key) bad();
      continue;
    }
    Text name;
    Text data;
    if (current == nullptr || !ReadValueLine(line, name, data)) {
      bad();
      continue;
    }
    SetRegistryValue(*current, name, data);
  }
  return result;
}

}  // namespace rudiruza
