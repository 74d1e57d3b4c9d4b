// The registry's keys and string values in memory, with the Windows rules for names: a key path
// is split at backslashes (a 0x5C that is the second byte of a two-byte character is part of the
// character), and key and value names compare without regard to the case of ASCII letters.
#pragma once

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "lookup/text.h"

namespace rudiruza {

enum class RegistryRoot { kClassesRoot, kCurrentConfig, kCurrentUser, kLocalMachine, kUsers };

inline constexpr int kRegistryRootCount = 5;

// "HKEY_CLASSES_ROOT" and so on.
const char* RegistryRootName(RegistryRoot root);
std::optional<RegistryRoot> RegistryRootFromName(const Text& name);

// The same name for the registry: equal bytes once ASCII letters of one-byte characters are
// folded to lower case.
bool SameRegistryName(const Text& a, const Text& b);

// The names of a key path: "" gives none (the root itself). A leading backslash, two in a row or
// a name longer than 255 bytes make the path invalid; one trailing backslash is ignored.
std::optional<std::vector<Text>> SplitKeyPath(const Text& path);

struct RegistryNode {
  Text name;                                  // as first created
  std::vector<std::pair<Text, Text>> values;  // name ("" = default value), data; in write order
  std::vector<RegistryNode> subkeys;

  RegistryNode* FindSubkey(const Text& key);
  const RegistryNode* FindSubkey(const Text& key) const;
  const Text* FindValue(const Text& valueName) const;
};

// All five roots.
struct RegistryHive {
  std::array<RegistryNode, kRegistryRootCount> roots;

  RegistryNode& Root(RegistryRoot root) { return roots[static_cast<int>(root)]; }
  const RegistryNode& Root(RegistryRoot root) const { return roots[static_cast<int>(root)]; }

  RegistryNode* Find(RegistryRoot root, const std::vector<Text>& path);
  const RegistryNode* Find(RegistryRoot root, const std::vector<Text>& path) const;
  // The key, creating it and every missing key above it.
  RegistryNode& Create(RegistryRoot root, const std::vector<Text>& path);
};

// Stores a value, replacing one of the same name.
void SetRegistryValue(RegistryNode& key, const Text& name, const Text& data);
// False when the key has no value of that name.
bool DeleteRegistryValue(RegistryNode& key, const Text& name);
// Deletes a key with its values; false when it is missing, is a root or has subkeys.
bool DeleteRegistryKey(RegistryHive& hive, RegistryRoot root, const std::vector<Text>& path);

}  // namespace rudiruza
