#include "platform/registry/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/registry/file_io.h"
#include "platform/registry/registry_format.h"
#include "platform/registry/user_dirs.h"

namespace rudiruza {
namespace {

// An exclusive flock on a lock file next to the registry, held for one read-change-write.
class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0) return;
    int rc;
    do {
      rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Tells about each damaged or unreadable file once per run, not on every call.
void ReportOnce(const std::string& file, const std::string& message) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard lock(mutex);
  if (!reported.insert(file).second) return;
  std::fprintf(stderr, "rudiruza: registry file %s: %s\n", file.c_str(), message.c_str());
}

}  // namespace

std::string Registry::DefaultFile() {
  const char* explicitFile = std::getenv("RUDIRUZA_REGISTRY");
  if (explicitFile != nullptr && *explicitFile != '\0') return explicitFile;
  return UserConfigDir() + "/rudiruza/registry";
}

Registry::Registry(std::string file) : file_(std::move(file)) {}

std::optional<Registry::Loaded> Registry::Load() const {
  Loaded loaded;
  switch (ReadWholeFile(file_, loaded.bytes)) {
    case ReadResult::kMissing:
      return loaded;
    case ReadResult::kFailed:
      ReportOnce(file_, "cannot be read; registry calls fail until it can");
      return std::nullopt;
    case ReadResult::kRead:
      break;
  }
  RegistryParse parse = ParseRegistry(loaded.bytes, loaded.hive);
  if (parse.badLines > 0) {
    loaded.damaged = true;
    ReportOnce(file_, "damaged from line " + std::to_string(parse.firstBadLine) + " (" +
                          std::to_string(parse.badLines) +
                          " unreadable lines left out); the next change keeps a copy in " + file_ +
                          ".damaged");
  }
  return loaded;
}

template <typename Change>
bool Registry::Modify(Change change, bool mayCreate) {
  struct stat info;
  if (!mayCreate && ::stat(file_.c_str(), &info) != 0) return false;
  if (!MakeParentDirs(file_)) return false;
  FileLock lock(file_ + ".lock");
  if (!lock.Held()) return false;
  auto loaded = Load();
  if (!loaded) return false;
  if (!change(loaded->hive)) return false;
  // The damaged lines are not in the new file; keep the old bytes for whoever wants them.
  if (loaded->damaged && !WriteFileAtomically(file_ + ".damaged", loaded->bytes)) return false;
  return WriteFileAtomically(file_, FormatRegistry(loaded->hive));
}

const RegistryNode* Registry::FindKey(const RegistryHive& hive, RegistryRoot root,
                                      const Text& subkey) const {
  auto path = SplitKeyPath(subkey);
  return path ? hive.Find(root, *path) : nullptr;
}

std::optional<RegistryKey> Registry::OpenKey(RegistryRoot root, const Text& subkey) const {
  auto path = SplitKeyPath(subkey);
  auto loaded = Load();
  if (!path || !loaded || loaded->hive.Find(root, *path) == nullptr) return std::nullopt;
  return RegistryKey{root, *path};
}

std::optional<RegistryKey> Registry::CreateKey(RegistryRoot root, const Text& subkey) {
  auto path = SplitKeyPath(subkey);
  if (!path) return std::nullopt;
  bool done = Modify([&](RegistryHive& hive) {
    hive.Create(root, *path);
    return true;
  });
  if (!done) return std::nullopt;
  return RegistryKey{root, *path};
}

bool Registry::SetValue(const RegistryKey& key, const Text& name, const Text& data) {
  if (data.find('\0') != Text::npos || name.find('\0') != Text::npos) return false;
  return Modify([&](RegistryHive& hive) {
    RegistryNode* node = hive.Find(key.root, key.path);
    if (node == nullptr) return false;  // deleted since it was opened
    SetRegistryValue(*node, name, data);
    return true;
  });
}

bool Registry::DeleteValue(const RegistryKey& key, const Text& name) {
  return Modify(
      [&](RegistryHive& hive) {
        RegistryNode* node = hive.Find(key.root, key.path);
        return node != nullptr && DeleteRegistryValue(*node, name);
      },
      false);
}

bool Registry::DeleteKey(RegistryRoot root, const Text& subkey) {
  auto path = SplitKeyPath(subkey);
  if (!path) return false;
  return Modify([&](RegistryHive& hive) { return DeleteRegistryKey(hive, root, *path); }, false);
}

std::optional<Text> Registry::QueryValue(RegistryRoot root, const Text& subkey,
                                         const Text& name) const {
  auto loaded = Load();
  if (!loaded) return std::nullopt;
  const RegistryNode* node = FindKey(loaded->hive, root, subkey);
  const Text* data = node != nullptr ? node->FindValue(name) : nullptr;
  if (data == nullptr) return std::nullopt;
  return *data;
}

std::optional<std::vector<Text>> Registry::SubkeyNames(RegistryRoot root,
                                                       const Text& subkey) const {
  auto loaded = Load();
  if (!loaded) return std::nullopt;
  const RegistryNode* node = FindKey(loaded->hive, root, subkey);
  if (node == nullptr) return std::nullopt;
  std::vector<Text> names;
  for (const RegistryNode& sub : node->subkeys) names.push_back(sub.name);
  return names;
}

std::optional<std::vector<Text>> Registry::ValueNames(RegistryRoot root, const Text& subkey) const {
  auto loaded = Load();
  if (!loaded) return std::nullopt;
  const RegistryNode* node = FindKey(loaded->hive, root, subkey);
  if (node == nullptr) return std::nullopt;
  std::vector<Text> names;
  for (const auto& value : node->values) names.push_back(value.first);
  return names;
}

}  // namespace rudiruza
