// The registry file: UTF-8 text in the manner of a .reg export, so that a person can read it.
//
//   [HKEY_CLASSES_ROOT\RudiRuzaC\Shell]
//   @="default value"
//   "URL Protocol"=""
//
// Every key has its own section, an empty one too. Names and values are Text (GB18030); each
// character that has an exact UTF-8 twin is written as UTF-8, every other byte escaped, so that
// any byte survives: in quoted strings \\, \" and \xHH, in key names %HH.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry/registry_tree.h"

namespace rudiruza {

std::string FormatRegistry(const RegistryHive& hive);

struct RegistryParse {
  int badLines = 0;      // lines that were not understood and left out
  int firstBadLine = 0;  // 1-based; 0 when none
};

// Reads what it understands into hive and counts the rest; never fails.
RegistryParse ParseRegistry(std::string_view file, RegistryHive& hive);

}  // namespace rudiruza
