#include "browser/registry_text.h"

#include "platform/registry/registry.h"

namespace rudiruza {

RegistryRoot RegistryRootFromNumber(int number) {
  switch (number) {
    case 1:
      return RegistryRoot::kClassesRoot;
    case 2:
      return RegistryRoot::kCurrentConfig;
    case 4:
      return RegistryRoot::kLocalMachine;
    case 5:
      return RegistryRoot::kUsers;
    default:
      return RegistryRoot::kCurrentUser;
  }
}

RegistryPath SplitRegistryPath(const Text& path) {
  std::size_t last = Text::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    auto b = static_cast<unsigned char>(path[i]);
    if (b >= 0x80) {
      ++i;  // the second byte of the character is never a separator
    } else if (b == '\\') {
      last = i;
    }
  }
  if (last == Text::npos) return {Text(), path};
  return {path.substr(0, last), path.substr(last + 1)};
}

bool WriteRegistryText(int root, const Text& path, const Text& value) {
  RegistryRoot rootKey = RegistryRootFromNumber(root);
  RegistryPath split = SplitRegistryPath(path);
  Registry registry;
  auto key = registry.OpenKey(rootKey, split.key);
  if (!key) key = registry.CreateKey(rootKey, split.key);
  if (!key) return false;
  return registry.SetValue(*key, split.valueName, value);
}

bool DeleteRegistryItem(int root, const Text& path) {
  RegistryRoot rootKey = RegistryRootFromNumber(root);
  RegistryPath split = SplitRegistryPath(path);
  Registry registry;
  if (auto key = registry.OpenKey(rootKey, split.key);
      key && registry.DeleteValue(*key, split.valueName)) {
    return true;
  }
  return registry.DeleteKey(rootKey, path);
}

}  // namespace rudiruza
