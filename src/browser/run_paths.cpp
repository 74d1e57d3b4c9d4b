#include "browser/run_paths.h"

#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/encoding/encoding.h"

namespace rudiruza {

Text ExePath() {
  std::string path(4096, '\0');
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return Text();
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      // A program replaced on disk while it runs (an update, a rebuild) reads as "PATH (deleted)";
      // the program now at PATH is the one to register.
      constexpr std::string_view kDeleted = " (deleted)";
      if (path.ends_with(kDeleted)) {
        std::string current = path.substr(0, path.size() - kDeleted.size());
        if (::access(current.c_str(), X_OK) == 0) path = current;
      }
      return TextFromUtf8(path);
    }
    path.resize(path.size() * 2);
  }
}

Text RunDirectory() { return RunDirectoryOf(ExePath()); }

Text ScriptPagePath() {
  Text exe = ExePath();
  return exe.empty() ? Text() : ScriptPagePathIn(RunDirectoryOf(exe));
}

Text RunDirectoryOf(const Text& exePath) {
  std::size_t last = Text::npos;
  for (std::size_t i = 0; i < exePath.size(); ++i) {
    auto b = static_cast<unsigned char>(exePath[i]);
    if (b >= 0x80) {
      ++i;  // the second byte of a two-byte character is not a separator
    } else if (b == '/') {
      last = i;
    }
  }
  return last == Text::npos ? Text() : exePath.substr(0, last);
}

Text ScriptPagePathIn(const Text& runDirectory) { return runDirectory + "/rudiruza.htm"; }

}  // namespace rudiruza
