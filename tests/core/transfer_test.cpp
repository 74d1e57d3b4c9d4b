// The transfer against the real kavo-service on loopback, with its fault modes.
#include "download/transfer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/tick_clock.h"
#include "platform/encoding/encoding.h"
#include "platform/stop/stop.h"
#include "support/fake_window.h"
#include "support/kavo_service.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

struct Call {
  std::int64_t total, done, elapsedMs, newBytes;
};

// Message texts as UTF-8, for readable failures.
std::vector<std::string> MessageTexts(const FakeWindow& window) {
  std::vector<std::string> texts;
  for (const auto& message : window.Messages()) {
    EXPECT_EQ(Utf8FromText(message.caption), "信息：");
    EXPECT_EQ(message.style, 0);
    texts.push_back(Utf8FromText(message.text));
  }
  return texts;
}

const std::string kSmallId = "1000001";  // 25000 bytes
const std::string kLargeId = "1000002";  // 2.5 MiB: more than one gathered write
const std::string kEmptyId = "1000003";  // 0 bytes

class TransferTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    small_ = new std::string(PatternBytes(25000, 1));
    large_ = new std::string(PatternBytes(2621440 + 123, 2));
    const std::string dir =
        WriteCatalogue(MakeTempDir(), {
                                          {kSmallId, "small", "bin", *small_, ""},
                                          {kLargeId, "large", "bin", *large_, ""},
                                          {kEmptyId, "empty", "bin", "", ""},
                                      });
    KavoService::Options options;
    options.catalogueDir = dir;
    service_ = new KavoService(options);
  }
  static void TearDownTestSuite() {
    delete service_;
    delete small_;
    delete large_;
  }

  void SetUp() override { path_ = MakeTempDir() + "/file.bin.tmp"; }

  // Leaves the first `partial` bytes of the small resource in the file (or, below 0, an old file
  // for a fresh transfer) and fetches it with the faults.
  int RunOnPartial(FakeWindow& window, const char* faults, std::int64_t partial) {
    WriteFile(path_, partial < 0 ? std::string("old") : small_->substr(0, partial));
    return DownloadFile(window, Url(kSmallId, faults), TextFromUtf8(path_), nullptr,
                        std::max<std::int64_t>(partial, 0), partial >= 0);
  }

  // The query value is percent-encoded: the service's query parser splits at every "=".
  static std::string Url(const std::string& id, const std::string& faults = "") {
    std::string encoded;
    for (char c : faults)
      encoded += c == '=' ? std::string("%3D") : c == ',' ? std::string("%2C") : std::string(1, c);
    return service_->FileUrl(id) + (faults.empty() ? "" : "?fault=" + encoded);
  }

  int Download(const std::string& url, std::int64_t offset, bool resume) {
    calls_.clear();
    return DownloadFile(
        window_, url, TextFromUtf8(path_),
        [this](std::int64_t total, std::int64_t done, std::int64_t elapsedMs,
               std::int64_t newBytes) {
          calls_.push_back({total, done, elapsedMs, newBytes});
        },
        offset, resume);
  }

  // Every callback: chunks of 1 to 10240 bytes, counts that agree with each other.
  void ExpectConsistentCalls(std::int64_t total, std::int64_t offset) {
    std::int64_t previous = offset;
    for (const Call& call : calls_) {
      EXPECT_EQ(call.total, total);
      EXPECT_GE(call.done - previous, 1);
      EXPECT_LE(call.done - previous, 10240);
      EXPECT_EQ(call.newBytes, call.done - offset);
      EXPECT_GE(call.elapsedMs, 1);
      previous = call.done;
    }
  }

  static KavoService* service_;
  static std::string* small_;
  static std::string* large_;
  FakeWindow window_;
  std::string path_;
  std::vector<Call> calls_;
};

KavoService* TransferTest::service_ = nullptr;
std::string* TransferTest::small_ = nullptr;
std::string* TransferTest::large_ = nullptr;

TEST_F(TransferTest, FreshDownloadReportsEveryChunk) {
  WriteFile(path_, "old contents that must go");
  ASSERT_EQ(Download(Url(kSmallId), 0, false), 0);
  EXPECT_EQ(ReadFile(path_), *small_);
  EXPECT_TRUE(MessageTexts(window_).empty());
  ASSERT_GE(calls_.size(), 3u);
  ExpectConsistentCalls(25000, 0);
  EXPECT_EQ(calls_.back().done, 25000);
  EXPECT_EQ(calls_.back().newBytes, 25000);
}

TEST_F(TransferTest, ResumeAppendsTheRest) {
  WriteFile(path_, small_->substr(0, 5000));
  ASSERT_EQ(Download(Url(kSmallId), 5000, true), 0);
  EXPECT_EQ(ReadFile(path_), *small_);
  ASSERT_GE(calls_.size(), 2u);
  ExpectConsistentCalls(25000, 5000);
  EXPECT_EQ(calls_.back().done, 25000);
  EXPECT_EQ(calls_.back().newBytes, 20000);
}

TEST_F(TransferTest, LargeFileCrossesGatheredWrites) {
  ASSERT_EQ(Download(Url(kLargeId), 0, false), 0);
  EXPECT_TRUE(ReadFile(path_) == *large_);
  WriteFile(path_, large_->substr(0, 1500000));
  ASSERT_EQ(Download(Url(kLargeId), 1500000, true), 0);
  EXPECT_TRUE(ReadFile(path_) == *large_);
}

TEST_F(TransferTest, EmptyBody) {
  ASSERT_EQ(Download(Url(kEmptyId), 0, false), 0);
  EXPECT_TRUE(std::filesystem::exists(path_));
  EXPECT_EQ(ReadFile(path_), "");
  EXPECT_TRUE(calls_.empty());
  EXPECT_TRUE(MessageTexts(window_).empty());
}

TEST_F(TransferTest, NoContentLength) {
  ASSERT_EQ(Download(Url(kSmallId, "nolength"), 0, false), 0);
  EXPECT_EQ(ReadFile(path_), *small_);
  ExpectConsistentCalls(0, 0);
  WriteFile(path_, small_->substr(0, 5000));
  ASSERT_EQ(Download(Url(kSmallId, "nolength"), 5000, true), 0);
  EXPECT_EQ(ReadFile(path_), *small_);
  ExpectConsistentCalls(5000, 5000);
}

// Fault modes after which the file is still the whole resource, from scratch and resumed.
TEST_F(TransferTest, FaultsThatStillGiveTheWholeFile) {
  struct Row {
    const char* faults;
    std::int64_t partial;  // bytes already in the file; -1: a fresh transfer over an old file
  };
  const Row rows[] = {
      {"norange", 5000},  // a 200 to a resume starts the file over
      {"gzip", -1},
      {"gzip", 5000},  // an encoded range cannot continue the file: fetched
                       // whole
      {"gzip,nolength", -1},
      {"redirect", -1},
      {"redirect", 5000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.faults) + " partial " + std::to_string(row.partial));
    FakeWindow window;
    EXPECT_EQ(RunOnPartial(window, row.faults, row.partial), 0);
    EXPECT_TRUE(ReadFile(path_) == *small_);
    EXPECT_TRUE(MessageTexts(window).empty());
  }
}

// Failures: one message, and the file keeps exactly what it held plus what arrived.
TEST_F(TransferTest, FailuresKeepWhatArrived) {
  struct Row {
    const char* faults;
    std::int64_t partial;  // as above
    const char* message;
    std::size_t keptBytes;  // the file afterwards: this prefix of the resource (or "old")
  };
  const Row rows[] = {
      {"drop=3000", -1, "读文件出错!", 3000},
      {"drop=3000", 5000, "读文件出错!", 8000},
      {"badlength=100", -1, "读文件出错!", 25000},  // the body ends short of its length
      {"status=404", -1, "不能打开该URL!", 0},      // nothing written, old file untouched
      {"status=500", 5000, "不能打开该URL!", 5000},
      {"status=403,nolength", 5000, "不能打开该URL!", 5000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.faults) + " partial " + std::to_string(row.partial));
    FakeWindow window;
    EXPECT_EQ(RunOnPartial(window, row.faults, row.partial), -1);
    EXPECT_EQ(MessageTexts(window), std::vector<std::string>{row.message});
    const std::string kept = ReadFile(path_);
    if (row.keptBytes == 0) {
      EXPECT_EQ(kept, "old");
    } else {
      EXPECT_EQ(kept.size(), row.keptBytes);
      EXPECT_TRUE(kept == small_->substr(0, row.keptBytes));
    }
  }
}

TEST_F(TransferTest, BrokenGzipBodyIsAReadFailure) {
  EXPECT_EQ(Download(Url(kSmallId, "gzip,drop=2000"), 0, false), -1);
  EXPECT_EQ(MessageTexts(window_), std::vector<std::string>{"读文件出错!"});
  const std::string kept = ReadFile(path_);
  EXPECT_LT(kept.size(), small_->size());
  EXPECT_TRUE(kept == small_->substr(0, kept.size()));
}

TEST_F(TransferTest, BrokenTransferResumesToTheWholeFile) {
  ASSERT_EQ(Download(Url(kSmallId, "drop=7000"), 0, false), -1);
  ASSERT_EQ(ReadFile(path_).size(), 7000u);
  ASSERT_EQ(Download(Url(kSmallId, "drop=7000"), 7000, true), -1);
  ASSERT_EQ(ReadFile(path_).size(), 14000u);
  ASSERT_EQ(Download(Url(kSmallId), 14000, true), 0);
  EXPECT_TRUE(ReadFile(path_) == *small_);
}

TEST_F(TransferTest, ResumeOfACompleteFile) {
  // The server has nothing after the end (416, "bytes */25000"): already complete.
  WriteFile(path_, *small_);
  EXPECT_EQ(Download(Url(kSmallId), 25000, true), 0);
  EXPECT_TRUE(ReadFile(path_) == *small_);
  EXPECT_TRUE(calls_.empty());
  EXPECT_TRUE(MessageTexts(window_).empty());
  // A partial file longer than the resource is no partial file of it.
  WriteFile(path_, *small_ + "extra");
  EXPECT_EQ(Download(Url(kSmallId), 25005, true), -1);
  EXPECT_EQ(MessageTexts(window_), std::vector<std::string>{"不能打开该URL!"});
  EXPECT_EQ(ReadFile(path_).size(), 25005u);
}

TEST_F(TransferTest, LocalFileFailures) {
  const std::string dir = MakeTempDir();
  struct Row {
    std::string path;
    const char* message;
  };
  const Row rows[] = {
      {"", "不能打开本地的文件!"},
      {dir + "/missing/file.tmp", "不能打开本地的文件!"},
      {dir, "不能打开本地的文件!"},  // a folder
      {"/dev/full", "写文件出错!"},  // every write fails: no space left
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    FakeWindow window;
    EXPECT_EQ(DownloadFile(window, Url(kSmallId), TextFromUtf8(row.path), nullptr, 0, false), -1);
    EXPECT_EQ(MessageTexts(window), std::vector<std::string>{row.message});
  }
}

TEST_F(TransferTest, LocalPathIsConvertedFromTheProgramsEncoding) {
  const std::string path = MakeTempDir() + "/资料 文件.rar.tmp";
  ASSERT_EQ(DownloadFile(window_, Url(kSmallId), TextFromUtf8(path), nullptr, 0, false), 0);
  EXPECT_TRUE(ReadFile(path) == *small_);
}

// A loopback port that nobody listens on: one the system just handed out and took back.
int UnusedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

TEST_F(TransferTest, UnreachableServer) {
  const int port = UnusedPort();
  ASSERT_NE(port, 0);
  EXPECT_EQ(Download("http://127.0.0.1:" + std::to_string(port) + "/d/" + kSmallId, 0, false), -1);
  EXPECT_EQ(MessageTexts(window_), std::vector<std::string>{"不能打开该URL!"});
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(TransferTest, StopEndsTheTransferPromptlyKeepingEveryByte) {
  // 20000 bytes a second: the whole file would take more than a second.
  std::int64_t lastDone = 0;
  std::atomic<bool> started{false};
  int result = 0;
  std::chrono::steady_clock::time_point stopAt;
  std::jthread worker([&](std::stop_token token) {
    ThreadStopScope scope(token);
    result = DownloadFile(
        window_, Url(kSmallId, "rate=20000"), TextFromUtf8(path_),
        [&](std::int64_t, std::int64_t done, std::int64_t, std::int64_t) {
          lastDone = done;
          started = true;
        },
        0, false);
  });
  for (int i = 0; i < 400 && !started; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(started);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  stopAt = std::chrono::steady_clock::now();
  worker.request_stop();
  worker.join();
  const auto took = std::chrono::steady_clock::now() - stopAt;
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(MessageTexts(window_).empty());
  EXPECT_LT(lastDone, 25000);
  const std::string kept = ReadFile(path_);
  EXPECT_EQ(static_cast<std::int64_t>(kept.size()), lastDone);
  EXPECT_TRUE(kept == small_->substr(0, kept.size()));
  // Well within a second; the design aims at 100 ms, which a loaded machine may miss.
  EXPECT_LT(took, std::chrono::milliseconds(1000));
}

TEST_F(TransferTest, StopWhileWaitingForTheAnswer) {
  std::jthread worker([&](std::stop_token token) {
    ThreadStopScope scope(token);
    EXPECT_EQ(
        DownloadFile(window_, Url(kSmallId, "delay=5000"), TextFromUtf8(path_), nullptr, 0, false),
        -1);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto stopAt = std::chrono::steady_clock::now();
  worker.request_stop();
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::milliseconds(1000));
  EXPECT_TRUE(MessageTexts(window_).empty());
}

// A counter that advances a fixed step at every reading.
class SteppingTicks : public TickSource {
 public:
  SteppingTicks(std::uint32_t first, std::uint32_t step) : next_(first), step_(step) {}
  std::uint32_t Now() override {
    const std::uint32_t now = next_;
    next_ += step_;
    return now;
  }

 private:
  std::uint32_t next_, step_;
};

TEST_F(TransferTest, ElapsedTimeAcrossTheCounterWrap) {
  struct Row {
    std::uint32_t first, step;
  };
  // Readings: the agent name, the start, then one after each chunk.
  for (const Row row : {Row{0xFFFFFFF0u, 8}, Row{0x7FFFFFF0u, 8}, Row{0xFFFFFFFFu, 0}}) {
    SCOPED_TRACE(row.first);
    SteppingTicks ticks(row.first, row.step);
    ScopedTickSource scope(ticks);
    ASSERT_EQ(Download(Url(kSmallId), 0, false), 0);
    ASSERT_FALSE(calls_.empty());
    for (std::size_t i = 0; i < calls_.size(); ++i) {
      // A difference of 0 shows as 10.
      const std::int64_t expected =
          row.step == 0 ? 10 : static_cast<std::int64_t>(row.step) * (i + 1);
      EXPECT_EQ(calls_[i].elapsedMs, expected) << "call " << i;
    }
  }
}

}  // namespace
}  // namespace rudiruza::test
