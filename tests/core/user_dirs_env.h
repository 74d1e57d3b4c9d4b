// A test fixture that gives each test its own home, XDG folders and registry file in a fresh
// temporary folder, and puts the environment back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/test_paths.h"

namespace rudiruza::test {

class UserDirsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = MakeTempDir();
    ASSERT_FALSE(root_.empty());
    SetEnv("HOME", root_ + "/home");
    SetEnv("XDG_CONFIG_HOME", root_ + "/config");
    SetEnv("XDG_DATA_HOME", root_ + "/data");
    SetEnv("RUDIRUZA_REGISTRY", RegistryFile());
  }

  void TearDown() override {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        ::unsetenv(it->first.c_str());
      }
    }
  }

  // Sets a variable for this test only; nullopt unsets it.
  void SetEnv(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

  std::string RegistryFile() const { return root_ + "/config/rudiruza/registry"; }

  std::string root_;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace rudiruza::test
