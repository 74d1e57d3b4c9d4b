#include "support/kavo_service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

using Clock = std::chrono::steady_clock;

// Sanitizer builds start slowly; a healthy service prints its line within milliseconds.
constexpr auto kStartLimit = std::chrono::seconds(30);
constexpr auto kStopLimit = std::chrono::seconds(10);

// Reads one line from fd, waiting at most until deadline. Empty on time-out or end of file.
std::string ReadLine(int fd, Clock::time_point deadline) {
  std::string line;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return std::string();
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char c;
    ssize_t n = read(fd, &c, 1);
    if (n <= 0) return std::string();
    if (c == '\n') return line;
    line += c;
  }
}

bool Answers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

std::string WriteCatalogue(const std::string& dir, const std::vector<CatalogueEntry>& entries) {
  namespace fs = std::filesystem;
  fs::create_directories(fs::path(dir) / "files");
  std::ofstream manifest(fs::path(dir) / "catalogue.tsv", std::ios::binary | std::ios::trunc);
  manifest << "# written by the test\n";
  for (const CatalogueEntry& e : entries) {
    std::string relative = "files/" + e.id + ".bin";
    std::ofstream(fs::path(dir) / relative, std::ios::binary | std::ios::trunc) << e.content;
    manifest << e.id << '\t' << e.name << '\t' << e.type << '\t' << relative;
    if (!e.faults.empty()) manifest << '\t' << e.faults;
    manifest << '\n';
  }
  return dir;
}

KavoService::KavoService() : KavoService(Options{}) {}

KavoService::KavoService(Options options) { Start(options); }

void KavoService::Start(const Options& options) {
  catalogueDir_ = options.catalogueDir;
  if (catalogueDir_.empty()) catalogueDir_ = WriteCatalogue(MakeTempDir(), {});
  logPath_ = MakeTempDir() + "/kavo-service.log";

  std::vector<std::string> args = {KavoServiceBinary(), "--listen", "127.0.0.1:0", "--catalogue",
                                   catalogueDir_};
  if (!options.fixedCaptcha.empty()) {
    args.push_back("--fixed-captcha");
    args.push_back(options.fixedCaptcha);
  }
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  int log = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(log, 0);
  pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    dup2(out[1], STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(log);
  ASSERT_GT(pid_, 0) << "cannot start " << args[0];

  std::string line = ReadLine(out[0], Clock::now() + kStartLimit);
  close(out[0]);
  const std::string prefix = "listening http://127.0.0.1:";
  if (line.compare(0, prefix.size(), prefix) == 0) port_ = std::atoi(line.c_str() + prefix.size());
  ASSERT_GT(port_, 0) << "kavo-service did not start; first line: \"" << line << "\"\n"
                      << LogText();
  auto deadline = Clock::now() + kStartLimit;
  while (!Answers(port_)) {
    ASSERT_LT(Clock::now(), deadline) << "kavo-service does not answer on port " << port_;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

KavoService::~KavoService() {
  int code = Stop();
  if (code != 0 && code != -2) ADD_FAILURE() << "kavo-service ended with " << code;
  if (::testing::Test::HasFailure() && !logPath_.empty())
    std::fprintf(stderr, "--- kavo-service log ---\n%s--- end of log ---\n", LogText().c_str());
}

int KavoService::Stop(int signal) {
  if (pid_ <= 0) return -2;  // never started, or already stopped
  kill(pid_, signal);
  int status = 0;
  auto deadline = Clock::now() + kStopLimit;
  pid_t done = 0;
  while ((done = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  int code = -1;
  if (done == pid_) {
    code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  } else {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  return code;
}

std::string KavoService::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::string KavoService::FileUrl(const std::string& id) const { return BaseUrl() + "d/" + id; }

std::string KavoService::LogText() const {
  std::ifstream in(logPath_, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace rudiruza::test
