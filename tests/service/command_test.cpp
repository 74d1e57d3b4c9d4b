// The command line: help, refusals with exit code 2, clean ends on signals, the request log, and
// the sample catalogue that README's main job serves.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "http_client.h"
#include "service_test_util.h"
#include "support/kavo_service.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

struct RunResult {
  int code = -1;
  std::string out, err;
};

// Runs kavo-service with args to its end (it must end within 60 s).
RunResult RunService(const std::vector<std::string>& args) {
  std::string dir = MakeTempDir();
  std::string outPath = dir + "/out", errPath = dir + "/err";
  std::vector<std::string> all = {KavoServiceBinary()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out);
  close(err);
  RunResult run;
  int status = 0;
  for (int i = 0; i < 6000 && waitpid(pid, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (waitpid(pid, &status, WNOHANG) == 0 && kill(pid, SIGKILL) == 0) waitpid(pid, &status, 0);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  run.out = slurp(outPath);
  run.err = slurp(errPath);
  return run;
}

std::string CatalogueWith(const std::string& manifest) {
  std::string dir = MakeTempDir();
  std::ofstream(dir + "/catalogue.tsv") << manifest;
  std::ofstream(dir + "/a.bin") << "a";
  std::ofstream(std::filesystem::path(dir).parent_path() / "outside.bin") << "secret";
  std::filesystem::create_symlink("/etc/hostname", dir + "/link.bin");
  return dir;
}

TEST(ServiceCommand, HelpExplainsEveryOption) {
  RunResult run = RunService({"--help"});
  EXPECT_EQ(run.code, 0);
  for (const char* word :
       {"--listen", "--catalogue", "--base-url", "--fixed-captcha", "--make-sample",
        "--captcha-life", "--expose-answers", "drop=N", "norange", "nolength", "badlength=N",
        "rate=N", "status=CODE", "redirect", "gzip", "delay=MS", "catalogue.tsv"})
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

TEST(ServiceCommand, UnusableArgumentsEndWithOneLineAndCode2) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--listen"},
      {"--listen", "nonsense"},
      {"--listen", "127.0.0.1:99999"},
      {"--listen", "no.such.host.invalid:0"},
      {"--catalogue", "/nonexistent/folder"},
      {"--catalogue", MakeTempDir()},  // no catalogue.tsv
      {"--base-url", "ftp://x/"},
      {"--base-url", "http://x:1/no-slash"},
      {"--base-url", "http://x/\"><b>/"},
      {"--fixed-captcha", ""},
      {"--captcha-life", "-5"},
      {"--catalogue", CatalogueWith("123\ta\tbin\ta.bin\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\tmissing.bin\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\t../outside.bin\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\t/etc/hostname\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\tlink.bin\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\ta.bin\n1234567\tb\tbin\ta.bin\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\ta.bin\tbogus=1\n")},
      {"--catalogue", CatalogueWith("1234567\ta<b>\tbin\ta.bin\n")},
      {"--catalogue", CatalogueWith("1234567\ta\tbin\n")},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    SCOPED_TRACE(shown);
    RunResult run = RunService(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("kavo-service: ", 0), 0u) << run.err;
  }
}

TEST(ServiceCommand, BusyPortIsRefused) {
  KavoService first;
  RunResult run = RunService({"--listen", "127.0.0.1:" + std::to_string(first.Port())});
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find("cannot listen"), std::string::npos) << run.err;
}

TEST(ServiceCommand, EndsCleanlyOnSigintAndSigtermEvenMidTransfer) {
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    KavoService::Options options;
    options.catalogueDir =
        WriteCatalogue(MakeTempDir(), {{"1000001", "slow", "bin", std::string(100000, 'x'), ""}});
    KavoService service(options);
    // A transfer that would take minutes, and a connection kept open.
    std::thread slow([&] {
      HttpClient client;
      HttpOptions quick;
      quick.timeoutMs = 5000;
      client.Fetch(service.FileUrl("1000001") + "?fault=rate=1000", quick);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(service.Stop(signal), 0);
    slow.join();
    EXPECT_NE(service.LogText().find("stopped"), std::string::npos);
  }
}

TEST(ServiceCommand, LogsOneLinePerRequest) {
  KavoService::Options options;
  options.catalogueDir =
      WriteCatalogue(MakeTempDir(), {{"1234567", "a", "bin", std::string(5000, 'x'), ""}});
  KavoService service(options);
  HttpClient client;
  client.Fetch(service.FileUrl("1234567"));
  HttpOptions range;
  range.headers = {"Range: bytes=1000-"};
  client.Fetch(service.FileUrl("1234567"), range);
  client.Post(service.BaseUrl(), "kavo_id=1234567&token=ABCD");
  client.Fetch(service.BaseUrl() + "nothing%0Ahere");
  // A line is written just after its answer has gone out: wait for the last one.
  std::string log;
  for (int i = 0; i < 500 && log.find("%0Ahere 404") == std::string::npos; ++i) {
    if (i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    log = service.LogText();
  }
  EXPECT_NE(log.find("\nGET /d/1234567 200 5000 "), std::string::npos) << log;
  EXPECT_NE(log.find("\nGET /d/1234567 206 4000 "), std::string::npos) << log;
  EXPECT_NE(log.find("\nPOST / 200 "), std::string::npos) << log;
  // An encoded line break stays inside its line.
  EXPECT_NE(log.find("\nGET /nothing%0Ahere 404 "), std::string::npos) << log;
  EXPECT_EQ(log.find("\nhere"), std::string::npos) << log;
}

// Writes about 170 MB; kept because README's main job depends on it, and it takes about a second.
TEST(ServiceCommand, SampleCatalogueServesWhatItLists) {
  std::string dir = MakeTempDir() + "/sample";
  RunResult made = RunService({"--make-sample", dir});
  ASSERT_EQ(made.code, 0) << made.err;
  KavoService::Options options;
  options.catalogueDir = dir;
  KavoService service(options);
  HttpClient client;
  struct Expected {
    const char* id;
    const char* name;
    std::uintmax_t minSize;
  };
  for (const Expected& e :
       {Expected{"1000001", "readme", 100}, Expected{"1000002", "工具包 2.0", 3000000},
        Expected{"1000004", "big sample", 100000000}}) {
    SCOPED_TRACE(e.id);
    auto page = client.Post(service.BaseUrl(), std::string("kavo_id=") + e.id + "&token=ABCD");
    EXPECT_EQ(Between(page.body, Gbk("文件名称：") + kRowStart, "</div>"), Gbk(e.name));
    HttpOptions head;
    head.method = "HEAD";
    auto answer = client.Fetch(service.FileUrl(e.id), head);
    EXPECT_GE(std::stoull(answer.Header("Content-Length")), e.minSize);
  }
  // Deterministic content: the same bytes every time it is written.
  auto first =
      client.Fetch(service.FileUrl("1000002"), HttpOptions{"GET", "", {"Range: bytes=0-63"}});
  std::string again = MakeTempDir() + "/again";
  ASSERT_EQ(RunService({"--make-sample", again}).code, 0);
  std::ifstream in(again + "/files/1000002.rar", std::ios::binary);
  std::string head(64, '\0');
  in.read(head.data(), 64);
  EXPECT_EQ(first.body, head);
  std::filesystem::remove_all(dir);
  std::filesystem::remove_all(again);
}

}  // namespace
}  // namespace rudiruza::test
