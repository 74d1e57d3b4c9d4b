#include "support/test_paths.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace rudiruza::test {
namespace {

std::vector<std::string>& Created() {
  static std::vector<std::string> dirs;
  return dirs;
}

void RemoveCreated() {
  std::error_code ignored;
  for (const auto& dir : Created()) std::filesystem::remove_all(dir, ignored);
}

}  // namespace

std::string KavoServiceBinary() { return KAVO_SERVICE_BIN; }

std::string MakeTempDir() {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::string pattern = (std::filesystem::temp_directory_path() / "rudiruza-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return std::string();
  if (Created().empty()) std::atexit(RemoveCreated);
  Created().push_back(pattern);
  return pattern;
}

}  // namespace rudiruza::test
