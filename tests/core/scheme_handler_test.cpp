// The protocol on the Linux desktop: the desktop entry, the user's mimeapps.list, and what the
// real xdg-mime and xdg-open make of them.
#include "browser/scheme_handler.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "browser/browser_menu.h"
#include "core/user_dirs_env.h"
#include "support/test_files.h"

extern char** environ;

namespace rudiruza::test {
namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& bytes,
               fs::perms perms = fs::perms(0644)) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  fs::permissions(path, perms);
}

struct ProgramRun {
  int status = -1;
  std::string out;
};

// Runs argv with exactly the environment env and collects its standard output.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  pid_t pid;
  ProgramRun run;
  int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (rc == 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) run.out.append(buffer, n);
    ::waitpid(pid, &run.status, 0);
  }
  ::close(pipeFds[0]);
  return run;
}

class SchemeHandlerTest : public UserDirsTest {
 protected:
  void SetUp() override {
    UserDirsTest::SetUp();
    if (!fs::exists("/usr/bin/xdg-open") || !fs::exists("/usr/bin/xdg-mime")) {
      GTEST_SKIP() << "xdg-utils is not installed";
    }
    // The registered program: a stand-in that records its arguments, one per line.
    standIn_ = root_ + "/bin/rudiruza";
    WriteFile(standIn_,
              "#!/bin/sh\nprintf '%s\\n' \"$#\" > '" + root_ +
                  "/args'\n"
                  "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> '" +
                  root_ + "/args'; done\n",
              fs::perms(0755));
    // xdg-open's last resort; it must never be reached.
    WriteFile(root_ + "/bin/browser", "#!/bin/sh\necho \"$@\" >> '" + root_ + "/browser'\n",
              fs::perms(0755));
  }

  // Only our folders: no desktop's own settings, no session bus, no system applications.
  std::vector<std::string> ChildEnv(bool display) const {
    std::vector<std::string> env = {
        "PATH=/usr/bin:/bin",
        "HOME=" + root_ + "/home",
        "XDG_CONFIG_HOME=" + root_ + "/config",
        "XDG_DATA_HOME=" + root_ + "/data",
        "XDG_CONFIG_DIRS=" + root_ + "/system-config",
        "XDG_DATA_DIRS=" + root_ + "/system-data",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + root_ + "/no-bus",
        "BROWSER=" + root_ + "/bin/browser",
    };
    if (display) env.push_back("DISPLAY=:0");
    return env;
  }

  std::string QueryDefault(const std::string& mimeType) const {
    return RunProgram({"/usr/bin/xdg-mime", "query", "default", mimeType}, ChildEnv(false)).out;
  }

  std::string standIn_;
};

TEST_F(SchemeHandlerTest, RegistrationMakesOurEntryTheDefaultAndRemovalTakesItAway) {
  const std::string others =
      "[Default Applications]\n"
      "text/html=firefox.desktop\n"
      "x-scheme-handler/rudiruzac=old.desktop\n"
      "\n"
      "[Added Associations]\n"
      "text/plain=gedit.desktop;\n";
  WriteFile(MimeappsListPath(), others);
  ASSERT_TRUE(RegisterProtocol(kProtocolName, standIn_));

  EXPECT_EQ(SchemeHandlerEntryPath(kProtocolName),
            root_ + "/data/applications/rudiruza-rudiruzac.desktop");
  std::string entry = ReadFile(SchemeHandlerEntryPath(kProtocolName));
  EXPECT_NE(entry.find("\nExec=" + standIn_ + " %u\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nNoDisplay=true\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=x-scheme-handler/RudiRuzaC;x-scheme-handler/rudiruzac;\n"),
            std::string::npos)
      << entry;
  EXPECT_EQ(ReadFile(MimeappsListPath()),
            "[Default Applications]\n"
            "text/html=firefox.desktop\n"
            "x-scheme-handler/rudiruzac=rudiruza-rudiruzac.desktop\n"
            "x-scheme-handler/RudiRuzaC=rudiruza-rudiruzac.desktop\n"
            "\n"
            "[Added Associations]\n"
            "text/plain=gedit.desktop;\n");
  EXPECT_EQ(QueryDefault("x-scheme-handler/rudiruzac"), "rudiruza-rudiruzac.desktop\n");
  EXPECT_EQ(QueryDefault("x-scheme-handler/RudiRuzaC"), "rudiruza-rudiruzac.desktop\n");

  UnregisterProtocol(kProtocolName);
  EXPECT_FALSE(fs::exists(SchemeHandlerEntryPath(kProtocolName)));
  EXPECT_EQ(ReadFile(MimeappsListPath()),
            "[Default Applications]\n"
            "text/html=firefox.desktop\n"
            "\n"
            "[Added Associations]\n"
            "text/plain=gedit.desktop;\n");
  EXPECT_EQ(QueryDefault("x-scheme-handler/rudiruzac"), "");
}

TEST_F(SchemeHandlerTest, XdgOpenStartsTheRegisteredProgramWithTheWholeUrl) {
  RegisterBrowserMenuFor(standIn_);
  // As typed, and as a browser hands it over: the scheme in lower case, a slash added.
  for (std::string url : {"RudiRuzaC://[<url>]http://host/1234567[<url>]",
                          "rudiruzac://[<url>]http://host/1234567?a=1&b=2[<url>]/"}) {
    fs::remove(root_ + "/args");
    ProgramRun run = RunProgram({"/usr/bin/xdg-open", url}, ChildEnv(true));
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << url;
    EXPECT_EQ(ReadFile(root_ + "/args"), "1\n[" + url + "]\n");
  }
  EXPECT_FALSE(fs::exists(root_ + "/browser"));

  UnregisterProtocol(kProtocolName);
  fs::remove(root_ + "/args");
  RunProgram({"/usr/bin/xdg-open", "rudiruzac://[<url>]x[<url>]"}, ChildEnv(true));
  EXPECT_FALSE(fs::exists(root_ + "/args"));
}

TEST(SchemeHandlerParts, MimeappsEditsKeepEveryoneElsesLines) {
  const std::string ours = "rudiruza-rudiruzac.desktop";
  const std::string type = "x-scheme-handler/rudiruzac";
  struct Case {
    std::string before, afterSet, afterRemove;
  } cases[] = {
      {"", "[Default Applications]\n" + type + "=" + ours + "\n", ""},
      {"[Added Associations]\na/b=x.desktop;\n",
       "[Added Associations]\na/b=x.desktop;\n\n[Default Applications]\n" + type + "=" + ours +
           "\n",
       "[Added Associations]\na/b=x.desktop;\n"},
      {"[Default Applications]\na/b=x.desktop\n\n[Other]\nk=v\n",
       "[Default Applications]\na/b=x.desktop\n" + type + "=" + ours + "\n\n[Other]\nk=v\n",
       "[Default Applications]\na/b=x.desktop\n\n[Other]\nk=v\n"},
      // The removal takes only our name out of a list someone else extended.
      {"[Default Applications]\n" + type + "=" + ours + ";other.desktop;\n",
       "[Default Applications]\n" + type + "=" + ours + "\n", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SetMimeDefault(c.before, type, ours), c.afterSet) << c.before;
    EXPECT_EQ(RemoveMimeDefault(c.afterSet, type, ours), c.afterRemove) << c.before;
  }
  EXPECT_EQ(RemoveMimeDefault("[Default Applications]\n" + type + "=" + ours + ";other.desktop;\n",
                              type, ours),
            "[Default Applications]\n" + type + "=other.desktop;\n");
}

TEST(SchemeHandlerParts, ExecQuotesOnlyWhatNeedsIt) {
  struct Case {
    std::string path, exec;
  } cases[] = {
      {"/opt/rudiruza/rudiruza", "/opt/rudiruza/rudiruza"},
      {"/opt/程序/rudiruza", "/opt/程序/rudiruza"},
      {"/opt/my apps/rudiruza", "\"/opt/my apps/rudiruza\""},
      {"/opt/a\"b$c`d\\e/x", "\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e/x\""},
      {"/opt/100%/x", "\"/opt/100%%/x\""},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopExecArgument(c.path), c.exec) << c.path;
}

}  // namespace
}  // namespace rudiruza::test
