// A registry with the Windows registry's semantics for string values, kept in one file.
//
// The calls mirror RegOpenKeyEx, RegCreateKey, RegSetValueEx (REG_SZ), RegDeleteValue and
// RegDeleteKey. Each call reads the file afresh; each change rewrites it under an exclusive lock
// on "<file>.lock", through a temporary file renamed over it, so that two programs or a crash
// never leave it half-written. A file with lines that cannot be read is reported once on stderr;
// its readable part is used and, before the first change replaces it, its bytes are kept in
// "<file>.damaged".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lookup/text.h"
#include "platform/registry/registry_tree.h"

namespace rudiruza {

// An open key. Closing is letting it go; it holds no resources.
struct RegistryKey {
  RegistryRoot root;
  std::vector<Text> path;
};

class Registry {
 public:
  // The file in $RUDIRUZA_REGISTRY, else $XDG_CONFIG_HOME/rudiruza/registry, else
  // ~/.config/rudiruza/registry.
  static std::string DefaultFile();

  // file: a UTF-8 path.
  explicit Registry(std::string file = DefaultFile());

  const std::string& File() const { return file_; }

  // The key, when it exists.
  std::optional<RegistryKey> OpenKey(RegistryRoot root, const Text& subkey) const;
  // The key, created with every missing key above it.
  std::optional<RegistryKey> CreateKey(RegistryRoot root, const Text& subkey);
  // Stores a string value ("" names the default value); false when the key is gone or the file
  // cannot be written.
  bool SetValue(const RegistryKey& key, const Text& name, const Text& data);
  // False when there is no such value.
  bool DeleteValue(const RegistryKey& key, const Text& name);
  // Deletes a key with its values; false when it is missing or has subkeys.
  bool DeleteKey(RegistryRoot root, const Text& subkey);

  std::optional<Text> QueryValue(RegistryRoot root, const Text& subkey, const Text& name) const;
  // Names in the order they were created; nothing when the key is missing.
  std::optional<std::vector<Text>> SubkeyNames(RegistryRoot root, const Text& subkey) const;
  std::optional<std::vector<Text>> ValueNames(RegistryRoot root, const Text& subkey) const;

 private:
  struct Loaded {
    RegistryHive hive;
    std::string bytes;
    bool damaged = false;
  };
  // Reads the file; nothing when it exists but cannot be read.
  std::optional<Loaded> Load() const;
  const RegistryNode* FindKey(const RegistryHive& hive, RegistryRoot root,
                              const Text& subkey) const;
  // Runs change on the current contents under the lock and writes the result when it returns
  // true. The result is change's, or false when the file could not be read or written.
  // Without mayCreate a missing file is left missing (there is nothing to delete) and no
  // folder or lock file is made for it.
  template <typename Change>
  bool Modify(Change change, bool mayCreate = true);

  std::string file_;
};

}  // namespace rudiruza
