// The transfer's request on the wire, and answers that kavo-service does not give: sizes past
// 32 bits, ranges that do not fit the partial file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "download/transfer.h"
#include "platform/encoding/encoding.h"
#include "support/capture_server.h"
#include "support/fake_window.h"
#include "support/test_paths.h"

namespace rudiruza::test {
namespace {

const std::string kBlock =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

struct Call {
  std::int64_t total, done, elapsedMs, newBytes;
};

std::string ReadTail(const std::string& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(-static_cast<std::streamoff>(count), std::ios::end);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The requests without their Cookie line: the process shares one cookie store, and other tests
// in this process may have left a cookie for 127.0.0.1.
std::vector<std::string> WithoutCookies(std::vector<std::string> requests) {
  for (std::string& request : requests) {
    const std::size_t start = request.find("\r\nCookie: ");
    if (start == std::string::npos) continue;
    request.erase(start, request.find("\r\n", start + 2) - start);
  }
  return requests;
}

class TransferWireTest : public ::testing::Test {
 protected:
  int Download(std::int64_t offset, bool resume) {
    return DownloadFile(
        window_, server_.Url("/d/1234567"), path_,
        [this](std::int64_t total, std::int64_t done, std::int64_t elapsedMs,
               std::int64_t newBytes) {
          calls_.push_back({total, done, elapsedMs, newBytes});
        },
        offset, resume);
  }
  std::string Request(const std::string& extra) const {
    return "GET /d/1234567 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_.Port()) + "\r\n" +
           kBlock + extra + "\r\n\r\n";
  }

  CaptureServer server_;
  FakeWindow window_;
  std::string path_ = MakeTempDir() + "/file.tmp";
  std::vector<Call> calls_;
};

TEST_F(TransferWireTest, HeaderBlockFreshAndResumed) {
  server_.SetDefault(Answer(200, "whole"));
  ASSERT_EQ(Download(777, false), 0);  // no range without a resume, whatever the offset
  ASSERT_EQ(Download(0, true), 0);
  ASSERT_EQ(Download(123456, true), 0);
  const std::vector<std::string> expected = {Request(""), Request("\r\nRange:bytes=0-"),
                                             Request("\r\nRange:bytes=123456-")};
  EXPECT_EQ(WithoutCookies(server_.Requests()), expected);
}

TEST_F(TransferWireTest, ResumePastFourGigabytes) {
  // A sparse partial file of 5 000 000 000 bytes.
  std::ofstream(path_, std::ios::binary).put('x');
  std::filesystem::resize_file(path_, 5000000000);
  server_.Queue(
      Answer(206, "0123456789", {"Content-Range: bytes 5000000000-5000000009/5000000010"}));
  ASSERT_EQ(Download(5000000000, true), 0);
  EXPECT_EQ(WithoutCookies(server_.Requests()).at(0), Request("\r\nRange:bytes=5000000000-"));
  EXPECT_EQ(std::filesystem::file_size(path_), 5000000010u);
  EXPECT_EQ(ReadTail(path_, 10), "0123456789");
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].total, 5000000010);
  EXPECT_EQ(calls_[0].done, 5000000010);
  EXPECT_EQ(calls_[0].newBytes, 10);
}

TEST_F(TransferWireTest, LengthPastFourGigabytesThenBrokenConnection) {
  CannedResponse answer = Answer(200, "0123456789", {"Content-Length: 6000000000"});
  answer.contentLength = false;
  server_.Queue(answer);
  EXPECT_EQ(Download(0, false), -1);
  ASSERT_EQ(window_.Messages().size(), 1u);
  EXPECT_EQ(Utf8FromText(window_.Messages()[0].text), "读文件出错!");
  ASSERT_FALSE(calls_.empty());
  EXPECT_EQ(calls_.back().total, 6000000000);
  EXPECT_EQ(calls_.back().done, 10);
  EXPECT_EQ(ReadTail(path_, 10), "0123456789");
}

// A 206 that cannot continue the partial file: the whole resource is asked for again.
TEST_F(TransferWireTest, UnusableRangeAnswerAsksForTheWhole) {
  const std::vector<std::vector<std::string>> answers = {
      {"Content-Range: bytes 0-4/10"},                            // starts elsewhere
      {"Content-Range: bytes 5-9/10", "Content-Encoding: gzip"},  // an encoded range
  };
  for (const auto& headers : answers) {
    SCOPED_TRACE(headers[0]);
    CaptureServer server;
    server.Queue(Answer(206, "ABCDE", headers));
    server.Queue(Answer(200, "0123456789"));
    std::ofstream(path_, std::ios::binary) << "01234";
    FakeWindow window;
    ASSERT_EQ(DownloadFile(window, server.Url("/d/1"), path_, nullptr, 5, true), 0);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("\r\nRange:bytes=5-\r\n"), std::string::npos);
    EXPECT_EQ(requests[1].find("Range"), std::string::npos);
    std::ifstream in(path_, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "0123456789");
  }
}

}  // namespace
}  // namespace rudiruza::test
