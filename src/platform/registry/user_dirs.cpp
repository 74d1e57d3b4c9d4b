#include "platform/registry/user_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace rudiruza {
namespace {

// An environment variable that holds an absolute path; the XDG rules ignore relative ones.
const char* AbsoluteFromEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : nullptr;
}

}  // namespace

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

std::string UserConfigDir() {
  if (const char* dir = AbsoluteFromEnv("XDG_CONFIG_HOME")) return dir;
  return HomeDir() + "/.config";
}

std::string UserDataDir() {
  if (const char* dir = AbsoluteFromEnv("XDG_DATA_HOME")) return dir;
  return HomeDir() + "/.local/share";
}

}  // namespace rudiruza
