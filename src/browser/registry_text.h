// The two registry primitives of the browser integration: write a string value, delete a value
// or a key. A path is split at its last backslash into a key and a value name.
#pragma once

#include "lookup/text.h"
#include "platform/registry/registry_tree.h"

namespace rudiruza {

// 1 classes root, 2 current config, 3 current user, 4 local machine, 5 users; any other number
// the current user.
RegistryRoot RegistryRootFromNumber(int number);

struct RegistryPath {
  Text key;        // relative to the root; empty for the root itself
  Text valueName;  // empty for the key's default value
};

// Splits at the last backslash; a 0x5C that is the second byte of a two-byte character is no
// backslash. Without one, the whole path names a value directly under the root.
RegistryPath SplitRegistryPath(const Text& path);

// Opens the key (or creates it with the keys above it) and stores value there.
bool WriteRegistryText(int root, const Text& path, const Text& value);

// Deletes the named value; when there is none, deletes the key the whole path names (only when
// it has no subkeys). True when something was deleted.
bool DeleteRegistryItem(int root, const Text& path);

}  // namespace rudiruza
