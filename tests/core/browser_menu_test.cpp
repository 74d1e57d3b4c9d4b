// Registering the protocol and the context-menu entry, the script page, and their removal.
#include "browser/browser_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "browser/registry_text.h"
#include "browser/run_paths.h"
#include "browser/scheme_handler.h"
#include "browser/script_page.h"
#include "core/user_dirs_env.h"
#include "platform/encoding/encoding.h"
#include "platform/registry/registry.h"
#include "support/fake_window.h"
#include "support/test_files.h"

namespace rudiruza::test {
namespace {

namespace fs = std::filesystem;

constexpr RegistryRoot kClasses = RegistryRoot::kClassesRoot;
constexpr RegistryRoot kUser = RegistryRoot::kCurrentUser;
const Text kMenuExt = "Software\\Microsoft\\Internet Explorer\\MenuExt";

std::string PageFixture() {
  return ReadFile(
      (fs::path(__FILE__).parent_path().parent_path() / "fixtures/rudiruza.htm").string());
}

Text Done() { return TextFromUtf8("注销成功！"); }

class BrowserMenuTest : public UserDirsTest {
 protected:
  void SetUp() override {
    UserDirsTest::SetUp();
    // A folder name in Chinese: the paths go through Text and back to the file system.
    binDir_ = root_ + "/程序";
    fs::create_directories(binDir_);
    exe_ = TextFromUtf8(binDir_ + "/fd");
  }

  Registry Store() const { return Registry(RegistryFile()); }

  std::string binDir_;
  Text exe_;
};

TEST_F(BrowserMenuTest, RegistrationWritesTheFourValuesAndThePage) {
  RegisterBrowserMenuFor(exe_);
  Registry store = Store();
  const Text page = TextFromUtf8(binDir_ + "/rudiruza.htm");

  EXPECT_EQ(store.QueryValue(kClasses, "RudiRuzaC", ""), "URL:RudiRuzaC Protocol");
  EXPECT_EQ(store.QueryValue(kClasses, "RudiRuzaC", "URL Protocol"), "");
  EXPECT_EQ(store.QueryValue(kClasses, "RudiRuzaC\\Shell\\Open\\Command", ""),
            "\"" + exe_ + "\" \"%1\"");
  EXPECT_EQ(store.QueryValue(kUser, kMenuExt + "\\" + MenuEntryName(), ""), page);
  // Nothing else: Shell and Open are bare keys, every other key holds just its values.
  EXPECT_EQ(store.SubkeyNames(kClasses, ""), std::vector<Text>{"RudiRuzaC"});
  EXPECT_EQ(store.ValueNames(kClasses, "RudiRuzaC"), (std::vector<Text>{"", "URL Protocol"}));
  EXPECT_EQ(store.ValueNames(kClasses, "RudiRuzaC\\Shell"), std::vector<Text>{});
  EXPECT_EQ(store.ValueNames(kClasses, "RudiRuzaC\\Shell\\Open"), std::vector<Text>{});
  EXPECT_EQ(store.ValueNames(kClasses, "RudiRuzaC\\Shell\\Open\\Command"), std::vector<Text>{""});
  EXPECT_EQ(store.ValueNames(kUser, kMenuExt + "\\" + MenuEntryName()), std::vector<Text>{""});
  EXPECT_EQ(store.SubkeyNames(kUser, kMenuExt + "\\" + MenuEntryName()), std::vector<Text>{});

  EXPECT_EQ(ReadFile(binDir_ + "/rudiruza.htm"), PageFixture());
  EXPECT_TRUE(fs::exists(SchemeHandlerEntryPath(kProtocolName)));
}

TEST_F(BrowserMenuTest, RegisteringTwiceEqualsOnceAndFollowsAMovedProgram) {
  auto snapshot = [&] {
    return ReadFile(RegistryFile()) + ReadFile(binDir_ + "/rudiruza.htm") +
           ReadFile(SchemeHandlerEntryPath(kProtocolName)) + ReadFile(MimeappsListPath());
  };
  RegisterBrowserMenuFor(exe_);
  std::string once = snapshot();
  RegisterBrowserMenuFor(exe_);
  EXPECT_EQ(snapshot(), once);

  fs::create_directories(root_ + "/moved");
  RegisterBrowserMenuFor(TextFromUtf8(root_ + "/moved/fd"));
  Registry store = Store();
  EXPECT_EQ(store.QueryValue(kClasses, "RudiRuzaC\\Shell\\Open\\Command", ""),
            "\"" + root_ + "/moved/fd\" \"%1\"");
  EXPECT_EQ(store.QueryValue(kUser, kMenuExt + "\\" + MenuEntryName(), ""),
            root_ + "/moved/rudiruza.htm");
  EXPECT_EQ(ReadFile(root_ + "/moved/rudiruza.htm"), PageFixture());
}

TEST_F(BrowserMenuTest, UnregistrationRemovesEveryTraceButThePage) {
  RegisterBrowserMenuFor(exe_);
  FakeWindow window;
  UnregisterBrowserMenu(window);

  Registry store = Store();
  EXPECT_FALSE(store.OpenKey(kClasses, "RudiRuzaC"));
  EXPECT_EQ(store.SubkeyNames(kUser, kMenuExt), std::vector<Text>{});
  EXPECT_FALSE(fs::exists(SchemeHandlerEntryPath(kProtocolName)));
  EXPECT_EQ(ReadFile(binDir_ + "/rudiruza.htm"), PageFixture());
  ASSERT_EQ(window.Messages().size(), 1u);
  EXPECT_EQ(window.Messages()[0].text, Done());
  EXPECT_EQ(window.Messages()[0].caption, Done());
  EXPECT_EQ(window.Messages()[0].style, kMessageOk);
}

TEST_F(BrowserMenuTest, UnregisteringWithoutARegistrationDeletesNothingAndStillTellsSuccess) {
  FakeWindow first;
  UnregisterBrowserMenu(first);
  EXPECT_FALSE(fs::exists(root_ + "/config"));  // not even an empty registry
  EXPECT_EQ(first.Messages().size(), 1u);

  ASSERT_TRUE(WriteRegistryText(3, kMenuExt + "\\Other entry\\", "other page"));
  std::string before = ReadFile(RegistryFile());
  FakeWindow window;
  UnregisterBrowserMenu(window);
  EXPECT_EQ(ReadFile(RegistryFile()), before);
  ASSERT_EQ(window.Messages().size(), 1u);
  EXPECT_EQ(window.Messages()[0].text, Done());
}

TEST_F(BrowserMenuTest, UnregistrationStopsAtAKeyItCannotDelete) {
  // Another program's subkey keeps the protocol key and its two values.
  RegisterBrowserMenuFor(exe_);
  ASSERT_TRUE(WriteRegistryText(1, "RudiRuzaC\\DefaultIcon\\", "icon"));
  EXPECT_FALSE(UnregisterProtocol(kProtocolName));
  Registry store = Store();
  EXPECT_EQ(store.SubkeyNames(kClasses, "RudiRuzaC"), std::vector<Text>{"DefaultIcon"});
  EXPECT_EQ(store.QueryValue(kClasses, "RudiRuzaC", ""), "URL:RudiRuzaC Protocol");
  EXPECT_EQ(store.QueryValue(kClasses, "RudiRuzaC", "URL Protocol"), "");
  EXPECT_FALSE(fs::exists(SchemeHandlerEntryPath(kProtocolName)));

  // A missing Command key stops it before Open and Shell; the menu entry still goes.
  RegisterBrowserMenuFor(exe_);
  ASSERT_TRUE(DeleteRegistryItem(1, "RudiRuzaC\\Shell\\Open\\Command"));
  FakeWindow window;
  UnregisterBrowserMenu(window);
  store = Store();
  EXPECT_TRUE(store.OpenKey(kClasses, "RudiRuzaC\\Shell\\Open"));
  EXPECT_EQ(store.SubkeyNames(kUser, kMenuExt), std::vector<Text>{});
  EXPECT_EQ(window.Messages().size(), 1u);
}

TEST_F(BrowserMenuTest, FailuresAreSilentAndTheOtherStepsStillRun) {
  // No registry can be written: the page is still written.
  std::ofstream(root_ + "/plain-file") << "x";
  SetEnv("RUDIRUZA_REGISTRY", root_ + "/plain-file/registry");
  RegisterBrowserMenuFor(exe_);
  EXPECT_EQ(ReadFile(binDir_ + "/rudiruza.htm"), PageFixture());
  EXPECT_FALSE(fs::exists(SchemeHandlerEntryPath(kProtocolName)));
  FakeWindow window;
  UnregisterBrowserMenu(window);
  EXPECT_EQ(window.Messages().size(), 1u);

  // The page cannot be written: the menu entry still points to where it would be.
  SetEnv("RUDIRUZA_REGISTRY", RegistryFile());
  RegisterBrowserMenuFor(TextFromUtf8(root_ + "/missing/fd"));
  EXPECT_FALSE(fs::exists(root_ + "/missing"));
  EXPECT_EQ(Store().QueryValue(kUser, kMenuExt + "\\" + MenuEntryName(), ""),
            root_ + "/missing/rudiruza.htm");
}

TEST_F(BrowserMenuTest, TheButtonRegistersThisExecutableAndShowsNothing) {
  FakeWindow window;
  RegisterBrowserMenu(window);
  EXPECT_TRUE(window.Messages().empty());
  EXPECT_EQ(Store().QueryValue(kClasses, "RudiRuzaC\\Shell\\Open\\Command", ""),
            "\"" + ExePath() + "\" \"%1\"");
  EXPECT_EQ(Store().QueryValue(kUser, kMenuExt + "\\" + MenuEntryName(), ""), ScriptPagePath());
  EXPECT_EQ(ReadFile(Utf8FromText(ScriptPagePath())), PageFixture());
  fs::remove(Utf8FromText(ScriptPagePath()));
}

TEST(ScriptPage, IsTheTemplateWithTheProtocolNameIn) {
  Text page = ScriptPage(kProtocolName);
  EXPECT_EQ(PageTemplate().size(), 1754u);
  EXPECT_EQ(page.size(), 1756u);
  EXPECT_EQ(page, PageFixture());
  EXPECT_TRUE(page.ends_with("\r\n</html>"));
  EXPECT_NE(page.find("iframe.src = \"RudiRuzaC://[<url>]\"&L&\"[<url>]\"\r\n"), Text::npos);
  EXPECT_EQ(page.find("RudiRuzaCC"), Text::npos);
}

TEST(RunPaths, ComeFromTheExecutablesRealPath) {
  std::string self = fs::canonical("/proc/self/exe").string();
  EXPECT_EQ(ExePath(), TextFromUtf8(self));
  EXPECT_EQ(RunDirectory(), TextFromUtf8(fs::path(self).parent_path().string()));
  EXPECT_EQ(ScriptPagePath(), RunDirectory() + "/rudiruza.htm");

  const Text trail = TextFromUtf8("乗");  // its second byte is 0x5C, a backslash elsewhere
  struct Case {
    Text exe, runDirectory, page;
  } cases[] = {
      {"/opt/tools/fd", "/opt/tools", "/opt/tools/rudiruza.htm"},
      {"/fd", "", "/rudiruza.htm"},
      {"/opt/" + trail + "\\x/fd", "/opt/" + trail + "\\x", "/opt/" + trail + "\\x/rudiruza.htm"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunDirectoryOf(c.exe), c.runDirectory) << c.exe;
    EXPECT_EQ(ScriptPagePathIn(RunDirectoryOf(c.exe)), c.page) << c.exe;
  }
}

}  // namespace
}  // namespace rudiruza::test
