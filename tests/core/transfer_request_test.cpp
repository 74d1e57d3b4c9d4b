#include "download/transfer_request.h"

#include <gtest/gtest.h>

namespace rudiruza::test {
namespace {

const Text kBlock =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

TEST(DownloadHeaders, FreshBlockAndRangeLine) {
  EXPECT_EQ(DownloadHeaders(0, false), kBlock);
  EXPECT_EQ(DownloadHeaders(0, false).size(), 156u);
  EXPECT_EQ(DownloadHeaders(777, false), kBlock);  // no range without a resume
  EXPECT_EQ(DownloadHeaders(123456, true), kBlock + "\r\nRange:bytes=123456-");
  EXPECT_EQ(DownloadHeaders(123456, true).size(), 177u);
  EXPECT_EQ(DownloadHeaders(0, true).size(), 172u);
  EXPECT_EQ(DownloadHeaders(5000000000, true), kBlock + "\r\nRange:bytes=5000000000-");
}

TEST(AgentName, UptimeAsSigned32Bit) {
  EXPECT_EQ(AgentName(0), "Agent0");
  EXPECT_EQ(AgentName(86400000), "Agent86400000");
  EXPECT_EQ(AgentName(0x7FFFFFFF), "Agent2147483647");
  EXPECT_EQ(AgentName(0x80000000), "Agent-2147483648");
  EXPECT_EQ(AgentName(0xFFFFFFFF), "Agent-1");
}

TEST(ClassifyAnswer, StatusRangeAndEncoding) {
  struct Row {
    int status;
    const char* contentRange;
    const char* encoding;
    std::int64_t offset;
    bool resume;
    AnswerUse expected;
  };
  const Row rows[] = {
      {200, "", "", 0, false, AnswerUse::kWrite},
      {200, "", "gzip", 0, false, AnswerUse::kWrite},
      {204, "", "", 0, false, AnswerUse::kWrite},
      {404, "", "", 0, false, AnswerUse::kRefused},
      {500, "", "", 0, false, AnswerUse::kRefused},
      // Resume: only a range starting at the offset, unencoded, continues the file.
      {206, "bytes 5000-24999/25000", "", 5000, true, AnswerUse::kAppend},
      {206, "BYTES 5000-24999/*", "identity", 5000, true, AnswerUse::kAppend},
      {206, "bytes 5000000000-5999999999/6000000000", "", 5000000000, true, AnswerUse::kAppend},
      {206, "bytes 0-24999/25000", "", 5000, true, AnswerUse::kRequestWhole},
      {206, "bytes 5000-24999/25000", "gzip", 5000, true, AnswerUse::kRequestWhole},
      {206, "", "", 5000, true, AnswerUse::kRequestWhole},
      {206, "garbage", "", 5000, true, AnswerUse::kRequestWhole},
      {200, "", "", 5000, true, AnswerUse::kWrite},
      {200, "", "gzip", 5000, true, AnswerUse::kWrite},
      // Nothing after the end of a complete partial file.
      {416, "bytes */25000", "", 25000, true, AnswerUse::kAlreadyComplete},
      {416, "bytes */6000000000", "", 6000000000, true, AnswerUse::kAlreadyComplete},
      {416, "bytes */25000", "", 30000, true, AnswerUse::kRefused},
      {416, "", "", 25000, true, AnswerUse::kRefused},
      {416, "bytes */25000", "", 0, false, AnswerUse::kRefused},
      {404, "", "", 5000, true, AnswerUse::kRefused},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ClassifyAnswer(row.status, row.contentRange, row.encoding, row.offset, row.resume),
              row.expected)
        << row.status << " [" << row.contentRange << "] [" << row.encoding << "] " << row.offset
        << (row.resume ? " resume" : " fresh");
  }
}

}  // namespace
}  // namespace rudiruza::test
