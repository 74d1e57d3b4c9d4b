// The registry store: Windows semantics of keys and values, the file it lives in, and what it
// does with a damaged file or with two writers at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "browser/registry_text.h"
#include "core/user_dirs_env.h"
#include "platform/encoding/encoding.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_format.h"
#include "support/test_files.h"

namespace rudiruza::test {
namespace {

constexpr RegistryRoot kUser = RegistryRoot::kCurrentUser;

class RegistryTest : public UserDirsTest {
 protected:
  void SetUp() override {
    UserDirsTest::SetUp();
    registry_ = Registry(RegistryFile());
  }

  Registry registry_{""};
};

TEST_F(RegistryTest, CreateMakesMissingParentsAndOpenFindsOnlyExistingKeys) {
  EXPECT_FALSE(registry_.OpenKey(kUser, "A\\B"));
  ASSERT_TRUE(registry_.CreateKey(kUser, "A\\B\\C"));
  // Names compare without case; the spelling of the first creation stays.
  EXPECT_TRUE(registry_.OpenKey(kUser, "a\\b"));
  EXPECT_TRUE(registry_.OpenKey(kUser, "A\\b\\c\\"));
  EXPECT_FALSE(registry_.OpenKey(kUser, "A\\B\\D"));
  EXPECT_FALSE(registry_.OpenKey(RegistryRoot::kClassesRoot, "A"));
  ASSERT_TRUE(registry_.CreateKey(kUser, "a\\B\\e"));
  EXPECT_EQ(registry_.SubkeyNames(kUser, "A\\B"), (std::vector<Text>{"C", "e"}));
  EXPECT_EQ(registry_.SubkeyNames(kUser, ""), (std::vector<Text>{"A"}));
}

TEST_F(RegistryTest, DefaultAndNamedValuesAreSeparateAndNamesIgnoreCase) {
  auto key = registry_.CreateKey(kUser, "K");
  ASSERT_TRUE(key);
  EXPECT_TRUE(registry_.SetValue(*key, "", "default"));
  EXPECT_TRUE(registry_.SetValue(*key, "Named", "one"));
  EXPECT_TRUE(registry_.SetValue(*key, "NAMED", "two"));  // the same value
  EXPECT_TRUE(registry_.SetValue(*key, "empty", ""));
  EXPECT_EQ(registry_.QueryValue(kUser, "k", ""), "default");
  EXPECT_EQ(registry_.QueryValue(kUser, "K", "named"), "two");
  EXPECT_EQ(registry_.QueryValue(kUser, "K", "empty"), "");
  EXPECT_EQ(registry_.ValueNames(kUser, "K"), (std::vector<Text>{"", "Named", "empty"}));

  EXPECT_TRUE(registry_.DeleteValue(*key, "named"));
  EXPECT_FALSE(registry_.DeleteValue(*key, "named"));
  EXPECT_FALSE(registry_.DeleteValue(*key, "never"));
  EXPECT_EQ(registry_.QueryValue(kUser, "K", ""), "default");
}

TEST_F(RegistryTest, DeleteKeyIsRefusedWithSubkeysAndTakesTheValues) {
  auto key = registry_.CreateKey(kUser, "P\\Q");
  ASSERT_TRUE(key);
  ASSERT_TRUE(registry_.SetValue(*key, "v", "x"));
  EXPECT_FALSE(registry_.DeleteKey(kUser, "P"));
  EXPECT_FALSE(registry_.DeleteKey(kUser, "P\\Missing"));
  EXPECT_FALSE(registry_.DeleteKey(kUser, ""));  // a root key stays
  EXPECT_TRUE(registry_.DeleteKey(kUser, "p\\q"));
  EXPECT_FALSE(registry_.QueryValue(kUser, "P\\Q", "v"));
  // A handle to a deleted key writes nothing, and recreating the key starts empty.
  EXPECT_FALSE(registry_.SetValue(*key, "v", "y"));
  ASSERT_TRUE(registry_.CreateKey(kUser, "P\\Q"));
  EXPECT_EQ(registry_.ValueNames(kUser, "P\\Q"), std::vector<Text>{});
  EXPECT_TRUE(registry_.DeleteKey(kUser, "P\\Q"));
  EXPECT_TRUE(registry_.DeleteKey(kUser, "P"));
}

TEST(RegistryPaths, KeyPathsSplitAtBackslashesButNotInsideCharacters) {
  const Text trail = TextFromUtf8("乗");  // 0x81 0x5C
  ASSERT_EQ(trail, "\x81\x5C");
  struct Case {
    Text path;
    std::optional<std::vector<Text>> names;
  } cases[] = {
      {"", std::vector<Text>{}},
      {"A", std::vector<Text>{"A"}},
      {"A\\B", std::vector<Text>{"A", "B"}},
      {"A\\B\\", std::vector<Text>{"A", "B"}},
      {"A" + trail + "\\B", std::vector<Text>{"A" + trail, "B"}},
      {"\\A", std::nullopt},
      {"A\\\\B", std::nullopt},
      {Text(255, 'n'), std::vector<Text>{Text(255, 'n')}},
      {Text(256, 'n'), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitKeyPath(c.path), c.names) << c.path;
}

TEST(RegistryPaths, ValuePathsSplitAtTheLastRealBackslash) {
  const Text trail = TextFromUtf8("乗");
  struct Case {
    Text path, key, value;
  } cases[] = {
      {"RudiRuzaC\\", "RudiRuzaC", ""},
      {"RudiRuzaC\\URL Protocol", "RudiRuzaC", "URL Protocol"},
      {"RudiRuzaC\\Shell\\Open\\Command\\", "RudiRuzaC\\Shell\\Open\\Command", ""},
      {"Name", "", "Name"},
      {"K\\" + trail, "K", trail},
      {"K\\A" + trail + "\\", "K\\A" + trail, ""},
      {"A" + trail, "", "A" + trail},
  };
  for (const auto& c : cases) {
    RegistryPath split = SplitRegistryPath(c.path);
    EXPECT_EQ(split.key, c.key) << c.path;
    EXPECT_EQ(split.valueName, c.value) << c.path;
  }
}

TEST_F(RegistryTest, PrimitivesWriteAndDeleteThroughTheWholePath) {
  const Text entry = TextFromUtf8("Kavo-免积分下载乗");
  EXPECT_TRUE(WriteRegistryText(3, "Software\\" + entry + "\\", "page"));
  EXPECT_TRUE(WriteRegistryText(3, "Software\\" + entry + "\\Named", "n"));
  EXPECT_EQ(registry_.QueryValue(kUser, "Software\\" + entry, ""), "page");
  EXPECT_EQ(registry_.SubkeyNames(kUser, "Software"), std::vector<Text>{entry});

  // A value first; the key only when there is no such value, and only without subkeys.
  EXPECT_TRUE(DeleteRegistryItem(3, "Software\\" + entry + "\\Named"));
  EXPECT_FALSE(DeleteRegistryItem(3, "Software"));
  EXPECT_TRUE(DeleteRegistryItem(3, "Software\\" + entry));
  EXPECT_FALSE(DeleteRegistryItem(3, "Software\\" + entry));
  EXPECT_TRUE(DeleteRegistryItem(3, "Software"));

  // A path without a backslash is a value directly under the root.
  EXPECT_TRUE(WriteRegistryText(1, "Top", "t"));
  EXPECT_EQ(registry_.QueryValue(RegistryRoot::kClassesRoot, "", "Top"), "t");
  EXPECT_TRUE(DeleteRegistryItem(1, "Top"));
  EXPECT_FALSE(registry_.QueryValue(RegistryRoot::kClassesRoot, "", "Top"));
}

TEST_F(RegistryTest, RootNumbersPickTheirRoots) {
  struct Case {
    int number;
    RegistryRoot root;
  } cases[] = {{1, RegistryRoot::kClassesRoot}, {2, RegistryRoot::kCurrentConfig},
               {3, RegistryRoot::kCurrentUser}, {4, RegistryRoot::kLocalMachine},
               {5, RegistryRoot::kUsers},       {0, RegistryRoot::kCurrentUser},
               {6, RegistryRoot::kCurrentUser}, {-1, RegistryRoot::kCurrentUser}};
  for (const auto& c : cases) {
    Text key = "Root" + std::to_string(c.number);
    ASSERT_TRUE(WriteRegistryText(c.number, key + "\\", "x")) << c.number;
    EXPECT_EQ(registry_.QueryValue(c.root, key, ""), "x") << c.number;
  }
}

TEST_F(RegistryTest, DefaultFileFollowsTheEnvironment) {
  struct Case {
    std::optional<std::string> explicitFile, configHome;
    std::string expected;
  } cases[] = {
      {"/x/reg", "/cfg", "/x/reg"},
      {std::nullopt, "/cfg", "/cfg/rudiruza/registry"},
      {"", "/cfg", "/cfg/rudiruza/registry"},
      {std::nullopt, "relative", root_ + "/home/.config/rudiruza/registry"},
      {std::nullopt, std::nullopt, root_ + "/home/.config/rudiruza/registry"},
  };
  for (const auto& c : cases) {
    SetEnv("RUDIRUZA_REGISTRY", c.explicitFile);
    SetEnv("XDG_CONFIG_HOME", c.configHome);
    EXPECT_EQ(Registry::DefaultFile(), c.expected);
  }
}

TEST_F(RegistryTest, FileIsReadableTextAndKeepsEveryByte) {
  Text anyByte;
  for (int b = 1; b < 256; ++b) anyByte += static_cast<char>(b);
  const Text chinese = TextFromUtf8("Kavo-免积分下载");
  const Text oddKey = "50%[x]\x81\x5C\xFF\x01";  // escapes in a key name, a lone lead byte
  auto key = registry_.CreateKey(kUser, "Software\\" + chinese + "\\" + oddKey);
  ASSERT_TRUE(key);
  ASSERT_TRUE(registry_.SetValue(*key, "", "\"/opt/rudi ruza/rudiruza\" \"%1\""));
  ASSERT_TRUE(registry_.SetValue(*key, anyByte, anyByte));
  ASSERT_TRUE(registry_.SetValue(*key, "@", chinese + "\\\"\t"));

  Registry again(RegistryFile());
  const Text path = "Software\\" + chinese + "\\" + oddKey;
  EXPECT_EQ(again.QueryValue(kUser, path, ""), "\"/opt/rudi ruza/rudiruza\" \"%1\"");
  EXPECT_EQ(again.QueryValue(kUser, path, anyByte), anyByte);
  EXPECT_EQ(again.QueryValue(kUser, path, "@"), chinese + "\\\"\t");

  std::string file = ReadFile(RegistryFile());
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Kavo-免积分下载]\n"), std::string::npos)
      << file;
  EXPECT_NE(file.find("@=\"\\\"/opt/rudi ruza/rudiruza\\\" \\\"%1\\\"\"\n"), std::string::npos)
      << file;
  EXPECT_NE(file.find("\"@\"=\"Kavo-免积分下载\\\\\\\"\\x09\"\n"), std::string::npos) << file;
  RegistryHive hive;
  EXPECT_EQ(ParseRegistry(file, hive).badLines, 0);
}

TEST_F(RegistryTest, ChangesReplaceTheFileWholeUnderTheLock) {
  auto key = registry_.CreateKey(kUser, "K");
  ASSERT_TRUE(key && registry_.SetValue(*key, "first", "1"));
  // A reader that opened the old file keeps reading it whole: the new one is renamed in.
  std::ifstream oldReader(RegistryFile(), std::ios::binary);
  std::string before = ReadFile(RegistryFile());
  ASSERT_TRUE(registry_.SetValue(*key, "second", "2"));
  std::stringstream seen;
  seen << oldReader.rdbuf();
  EXPECT_EQ(seen.str(), before);

  // Two writers at once lose nothing; without the lock one would overwrite the other's change.
  auto writer = [this](const std::string& prefix) {
    Registry own(RegistryFile());
    for (int i = 0; i < 25; ++i) {
      auto k = own.OpenKey(kUser, "K");
      ASSERT_TRUE(k && own.SetValue(*k, prefix + std::to_string(i), "v"));
    }
  };
  std::thread a(writer, "a");
  std::thread b(writer, "b");
  a.join();
  b.join();
  EXPECT_EQ(registry_.ValueNames(kUser, "K")->size(), 52u);

  // Only the registry and its lock file are left in the folder: no temporary files.
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(RegistryFile()).parent_path())) {
    ++files;
    EXPECT_TRUE(entry.path().filename() == "registry" || entry.path().filename() == "registry.lock")
        << entry.path();
  }
  EXPECT_EQ(files, 2);
}

TEST_F(RegistryTest, DamagedFileIsReportedOnceReadAsFarAsPossibleAndKept) {
  const std::string damaged =
      "stray value line\n"
      "\"orphan\"=\"before any key\"\n"
      "[HKEY_CURRENT_USER\\Good]\n"
      "@=\"kept\"\n"
      "\"bad escape\"=\"\\q\"\n"
      "\"unterminated\n"
      "[HKEY_NOWHERE\\X]\n"
      "@=\"lost with its key\"\n"
      "[HKEY_CURRENT_USER\\Good\\Sub]\n"
      "\"v\"=\"\xC3\x28 not UTF-8\"\n"
      "\"w\"=\"also kept\"\n";
  WriteFile(RegistryFile(), damaged);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(registry_.QueryValue(kUser, "Good", ""), "kept");
  EXPECT_EQ(registry_.QueryValue(kUser, "Good\\Sub", "w"), "also kept");
  EXPECT_FALSE(registry_.OpenKey(kUser, "X"));
  auto key = registry_.OpenKey(kUser, "Good");
  ASSERT_TRUE(key && registry_.SetValue(*key, "new", "n"));
  std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find(RegistryFile()), std::string::npos) << report;
  EXPECT_EQ(report.find("rudiruza:"), report.rfind("rudiruza:")) << "reported more than once";

  // The change wrote a clean file and kept the damaged bytes beside it.
  EXPECT_EQ(ReadFile(RegistryFile() + ".damaged"), damaged);
  RegistryHive hive;
  EXPECT_EQ(ParseRegistry(ReadFile(RegistryFile()), hive).badLines, 0);
  EXPECT_EQ(registry_.QueryValue(kUser, "Good", "new"), "n");
}

TEST(RegistryFormat, AnyBytesParseWithoutHarm) {
  std::mt19937 random(7);
  const std::string pieces[] = {"[HKEY_USERS\\", "]",    "\n",   "\"", "@=", "=", "\\x", "%", "\\",
                                "\xE5",          "\xFF", "\r\n", "a",  "[",  "\0"};
  for (int round = 0; round < 300; ++round) {
    std::string file;
    int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) {
      file += random() % 3 == 0 ? std::string(1, static_cast<char>(random()))
                                : pieces[random() % std::size(pieces)];
    }
    RegistryHive hive;
    ParseRegistry(file, hive);
    RegistryHive again;
    EXPECT_EQ(ParseRegistry(FormatRegistry(hive), again).badLines, 0) << file;
    EXPECT_EQ(FormatRegistry(again), FormatRegistry(hive));
  }
}

TEST_F(RegistryTest, UnwritableFileMakesCallsFailQuietly) {
  // A plain file where the registry's folder should be: nothing can be created there.
  WriteFile(root_ + "/blocked", "x");
  Registry blocked(root_ + "/blocked/registry");
  EXPECT_FALSE(blocked.CreateKey(kUser, "K"));
  EXPECT_FALSE(blocked.OpenKey(kUser, "K"));
  // A folder where the file should be: it cannot be read, so nothing is overwritten.
  std::filesystem::create_directories(root_ + "/dir/registry");
  Registry unreadable(root_ + "/dir/registry");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(unreadable.CreateKey(kUser, "K"));
  EXPECT_FALSE(unreadable.QueryValue(kUser, "K", ""));
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "/dir/registry"));
}

}  // namespace
}  // namespace rudiruza::test
