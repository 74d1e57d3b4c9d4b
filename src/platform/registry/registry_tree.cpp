#include "platform/registry/registry_tree.h"

#include <algorithm>

namespace rudiruza {
namespace {

constexpr const char* kRootNames[kRegistryRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG",
                                                        "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                                        "HKEY_USERS"};

constexpr std::size_t kMaxKeyNameBytes = 255;

unsigned char FoldAscii(unsigned char b) {
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

}  // namespace

const char* RegistryRootName(RegistryRoot root) { return kRootNames[static_cast<int>(root)]; }

std::optional<RegistryRoot> RegistryRootFromName(const Text& name) {
  for (int i = 0; i < kRegistryRootCount; ++i) {
    if (SameRegistryName(name, kRootNames[i])) return static_cast<RegistryRoot>(i);
  }
  return std::nullopt;
}

bool SameRegistryName(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80) {
      // A two-byte character: its second byte may look like a letter but has no case.
      if (x != y || i + 1 >= a.size()) return x == y;
      ++i;
      if (a[i] != b[i]) return false;
      continue;
    }
    if (FoldAscii(x) != FoldAscii(y)) return false;
  }
  return true;
}

std::optional<std::vector<Text>> SplitKeyPath(const Text& path) {
  std::vector<Text> names;
  if (path.empty()) return names;
  Text current;
  for (std::size_t i = 0; i < path.size(); ++i) {
    auto b = static_cast<unsigned char>(path[i]);
    if (b >= 0x80) {
      current.push_back(path[i]);
      if (i + 1 < path.size()) current.push_back(path[++i]);
      continue;
    }
    if (b != '\\') {
      current.push_back(path[i]);
      continue;
    }
    if (current.empty()) return std::nullopt;  // leading or doubled backslash
    names.push_back(std::move(current));
    current.clear();
  }
  if (!current.empty()) names.push_back(std::move(current));
  for (const Text& name : names) {
    if (name.size() > kMaxKeyNameBytes) return std::nullopt;
  }
  return names;
}

RegistryNode* RegistryNode::FindSubkey(const Text& key) {
  for (RegistryNode& sub : subkeys) {
    if (SameRegistryName(sub.name, key)) return &sub;
  }
  return nullptr;
}

const RegistryNode* RegistryNode::FindSubkey(const Text& key) const {
  return const_cast<RegistryNode*>(this)->FindSubkey(key);
}

const Text* RegistryNode::FindValue(const Text& valueName) const {
  for (const auto& [name, data] : values) {
    if (SameRegistryName(name, valueName)) return &data;
  }
  return nullptr;
}

RegistryNode* RegistryHive::Find(RegistryRoot root, const std::vector<Text>& path) {
  RegistryNode* node = &Root(root);
  for (const Text& name : path) {
    node = node->FindSubkey(name);
    if (node == nullptr) return nullptr;
  }
  return node;
}

const RegistryNode* RegistryHive::Find(RegistryRoot root, const std::vector<Text>& path) const {
  return const_cast<RegistryHive*>(this)->Find(root, path);
}

RegistryNode& RegistryHive::Create(RegistryRoot root, const std::vector<Text>& path) {
  RegistryNode* node = &Root(root);
  for (const Text& name : path) {
    RegistryNode* sub = node->FindSubkey(name);
    if (sub == nullptr) {
      node->subkeys.push_back(RegistryNode{name, {}, {}});
      sub = &node->subkeys.back();
    }
    node = sub;
  }
  return *node;
}

void SetRegistryValue(RegistryNode& key, const Text& name, const Text& data) {
  for (auto& [existing, value] : key.values) {
    if (SameRegistryName(existing, name)) {
      value = data;
      return;
    }
  }
  key.values.emplace_back(name, data);
}

bool DeleteRegistryValue(RegistryNode& key, const Text& name) {
  auto it = std::find_if(key.values.begin(), key.values.end(),
                         [&](const auto& value) { return SameRegistryName(value.first, name); });
  if (it == key.values.end()) return false;
  key.values.erase(it);
  return true;
}

bool DeleteRegistryKey(RegistryHive& hive, RegistryRoot root, const std::vector<Text>& path) {
  if (path.empty()) return false;
  RegistryNode* parent = hive.Find(root, std::vector<Text>(path.begin(), path.end() - 1));
  if (parent == nullptr) return false;
  auto it = std::find_if(
      parent->subkeys.begin(), parent->subkeys.end(),
      [&](const RegistryNode& sub) { return SameRegistryName(sub.name, path.back()); });
  if (it == parent->subkeys.end() || !it->subkeys.empty()) return false;
  parent->subkeys.erase(it);
  return true;
}

}  // namespace rudiruza
