#include "browser/scheme_handler.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/encoding/encoding.h"
#include "platform/registry/file_io.h"
#include "platform/registry/user_dirs.h"

namespace rudiruza {
namespace {

constexpr std::string_view kDefaultsSection = "[Default Applications]";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A URL scheme: a letter, then letters, digits, "+", "-" and ".".
bool IsScheme(const Text& protocol) {
  if (protocol.empty() || !IsAsciiLetter(protocol[0])) return false;
  for (char c : protocol) {
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

std::vector<std::string> MimeTypes(const Text& protocol) {
  std::vector<std::string> types{"x-scheme-handler/" + protocol};
  if (Lower(protocol) != protocol) types.push_back("x-scheme-handler/" + Lower(protocol));
  return types;
}

std::string_view Trim(std::string_view s) {
  std::size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  std::size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

bool IsSectionHeader(std::string_view line) { return Trim(line).substr(0, 1) == "["; }

// The key of a "key=value" line; empty for anything else.
std::string_view KeyOf(std::string_view line) {
  std::string_view trimmed = Trim(line);
  std::size_t eq = trimmed.find('=');
  if (trimmed.empty() || trimmed[0] == '#' || eq == std::string_view::npos) return {};
  return Trim(trimmed.substr(0, eq));
}

// One past the last line of the section whose header is at index header.
std::size_t SectionEnd(const std::vector<std::string>& lines, std::size_t header) {
  std::size_t end = header + 1;
  while (end < lines.size() && !IsSectionHeader(lines[end])) ++end;
  return end;
}

// Keeps the mode of a file that is there already.
int ModeOf(const std::string& path, int fallback) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : fallback;
}

}  // namespace

std::string SchemeHandlerId(const Text& protocol) {
  std::string id = "rudiruza-";
  for (char c : protocol) {
    char lower = LowerAscii(c);
    id += (IsAsciiLetter(lower) || IsAsciiDigit(lower) || lower == '-') ? lower : '_';
  }
  return id + ".desktop";
}

std::string SchemeHandlerEntryPath(const Text& protocol) {
  return UserDataDir() + "/applications/" + SchemeHandlerId(protocol);
}

std::string MimeappsListPath() { return UserConfigDir() + "/mimeapps.list"; }

std::string DesktopExecArgument(const std::string& path) {
  // Quoting is needed only for the reserved characters; xdg-open's own reading of Exec= does
  // not understand quotes, so a plain path is left plain.
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`%";
  if (!path.empty() && path.find_first_of(kReserved) == std::string::npos) return path;
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // Then the escapes of a desktop entry's string value and of its field codes.
  std::string value;
  for (char c : quoted) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '\n') {
      value += "\\n";
    } else if (c == '\t') {
      value += "\\t";
    } else if (c == '\r') {
      value += "\\r";
    } else if (c == '%') {
      value += "%%";
    } else {
      value += c;
    }
  }
  return value;
}

std::string DesktopEntryText(const Text& protocol, const std::string& exePath) {
  std::string mimeTypes;
  for (const std::string& type : MimeTypes(protocol)) mimeTypes += type + ";";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=rudiruza\n"
         "Comment=Downloads the address of a " +
         protocol +
         " link\n"
         "Exec=" +
         DesktopExecArgument(exePath) +
         " %u\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "MimeType=" +
         mimeTypes + "\n";
}

std::string SetMimeDefault(std::string_view list, const std::string& mimeType,
                           const std::string& desktopId) {
  std::vector<std::string> lines = SplitLines(list);
  std::string entry = mimeType + "=" + desktopId;
  for (std::size_t header = 0; header < lines.size(); ++header) {
    if (Trim(lines[header]) != kDefaultsSection) continue;
    std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
      if (KeyOf(lines[i]) == mimeType) {
        lines[i] = entry;
        return JoinLines(lines);
      }
    }
    std::size_t at = end;
    while (at > header + 1 && Trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    return JoinLines(lines);
  }
  if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
  lines.emplace_back(kDefaultsSection);
  lines.push_back(entry);
  return JoinLines(lines);
}

std::string RemoveMimeDefault(std::string_view list, const std::string& mimeType,
                              const std::string& desktopId) {
  std::vector<std::string> lines = SplitLines(list);
  std::vector<std::string> out;
  bool inDefaults = false;
  for (const std::string& line : lines) {
    if (IsSectionHeader(line)) inDefaults = Trim(line) == kDefaultsSection;
    if (!inDefaults || KeyOf(line) != mimeType) {
      out.push_back(line);
      continue;
    }
    std::string_view value = Trim(line).substr(Trim(line).find('=') + 1);
    std::string kept;
    for (std::size_t start = 0; start <= value.size();) {
      std::size_t end = value.find(';', start);
      if (end == std::string_view::npos) end = value.size();
      std::string_view item = Trim(value.substr(start, end - start));
      if (!item.empty() && item != desktopId) kept += std::string(item) + ";";
      start = end + 1;
    }
    if (kept.empty()) continue;
    if (value.empty() || value.back() != ';') kept.pop_back();
    out.push_back(mimeType + "=" + kept);
  }
  // A defaults section left with nothing in it goes too, and a file with nothing in it.
  std::vector<std::string> tidy;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (Trim(out[i]) == kDefaultsSection) {
      std::size_t end = SectionEnd(out, i);
      bool empty = true;
      for (std::size_t k = i + 1; k < end; ++k) empty = empty && Trim(out[k]).empty();
      if (empty) {
        while (!tidy.empty() && Trim(tidy.back()).empty()) tidy.pop_back();
        i = end - 1;
        continue;
      }
    }
    tidy.push_back(out[i]);
  }
  for (const std::string& line : tidy) {
    if (!Trim(line).empty()) return JoinLines(tidy);
  }
  return std::string();
}

bool ExportSchemeHandler(const Text& protocol, const Text& exePath) {
  if (!IsScheme(protocol) || exePath.empty()) return false;
  std::string entryPath = SchemeHandlerEntryPath(protocol);
  if (!MakeParentDirs(entryPath) ||
      !WriteFileAtomically(entryPath, DesktopEntryText(protocol, Utf8FromText(exePath)), 0644)) {
    return false;
  }
  std::string listPath = MimeappsListPath();
  std::string list;
  if (!MakeParentDirs(listPath) || ReadWholeFile(listPath, list) == ReadResult::kFailed) {
    return false;
  }
  for (const std::string& type : MimeTypes(protocol)) {
    list = SetMimeDefault(list, type, SchemeHandlerId(protocol));
  }
  return WriteFileAtomically(listPath, list, ModeOf(listPath, 0644));
}

void RemoveSchemeHandler(const Text& protocol) {
  if (!IsScheme(protocol)) return;
  ::unlink(SchemeHandlerEntryPath(protocol).c_str());
  std::string listPath = MimeappsListPath();
  std::string list;
  if (ReadWholeFile(listPath, list) != ReadResult::kRead) return;
  std::string changed = list;
  for (const std::string& type : MimeTypes(protocol)) {
    changed = RemoveMimeDefault(changed, type, SchemeHandlerId(protocol));
  }
  if (changed == list) return;
  if (changed.empty()) {
    ::unlink(listPath.c_str());
  } else {
    WriteFileAtomically(listPath, changed, ModeOf(listPath, 0644));
  }
}

}  // namespace rudiruza
