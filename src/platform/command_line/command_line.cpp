#include "platform/command_line/command_line.h"

namespace rudiruza {
namespace {

using Byte = unsigned char;

bool IsSeparator(Byte b) { return b >= 1 && b <= 32; }

}  // namespace

std::vector<Text> SplitCommandLine(const Text& line) {
  std::vector<Text> args;
  const std::size_t n = line.size();
  std::size_t p = 0;

  // The program's own path.
  if (n > 0 && line[0] == '"') {
    std::size_t close = line.find('"', 1);
    p = close == Text::npos ? n : close + 1;
    if (p < n && line[p] == ' ') ++p;
  } else {
    std::size_t space = line.find(' ');
    p = space == Text::npos ? n : space + 1;
  }

  while (p < n) {
    const Byte b = static_cast<Byte>(line[p]);
    if (IsSeparator(b)) {
      ++p;
      continue;
    }
    const bool quoted = b == '"';
    if (quoted) ++p;
    Text arg;
    bool cutOff = false;
    while (p < n) {
      const Byte c = static_cast<Byte>(line[p]);
      if (c == '"' || (!quoted && IsSeparator(c))) break;
      if (c >= 0x80) {
        if (p + 1 >= n) {  // a first byte at the very end ends the scan
          cutOff = true;
          p = n;
          break;
        }
        arg.append(line, p, 2);
        p += 2;
        continue;
      }
      arg.push_back(static_cast<char>(c));
      ++p;
    }
    if (quoted && p < n && line[p] == '"') ++p;  // the closing quote
    if (!(cutOff && arg.empty())) args.push_back(arg);
  }
  return args;
}

Text LinkAddress(const Text& argument) { return TextBetween(argument, kLinkMarker, kLinkMarker); }

}  // namespace rudiruza
