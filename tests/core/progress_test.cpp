#include "download/progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/encoding/encoding.h"
#include "support/fake_window.h"

namespace rudiruza::test {
namespace {

constexpr const char* kKeep = "(earlier)";

struct Row {
  std::int64_t total, done, elapsedMs, newBytes;
  // Texts in UTF-8 without their CR LF ending; remaining == kKeep: the label keeps its text.
  const char* size;
  const char* downloaded;
  const char* used;
  const char* speed;
  const char* remaining;
  int position;
};

const Row kRows[] = {
    // The display's worked examples.
    {1536000, 512000, 4000, 512000, "1500KB", "500KB", "4秒", "125KB/s", "0时0分8秒", 3333},
    {1000000, 10240, 10, 10240, "976.56KB", "10KB", "0秒", "1000KB/s", "0时0分0秒", 102},
    {10485760, 3145728, 60000, 1048576, "10240KB", "3072KB", "60秒", "17.07KB/s", "0时6分59秒",
     3000},
    {100000000, 1024, 1000, 1024, "97656.25KB", "1KB", "1秒", "1KB/s", "27时7分35秒", 0},
    {25000, 25000, 2500, 25000, "24.41KB", "24.41KB", "2秒", "9.77KB/s", "0时0分0秒", 10000},
    {2000000, 1000, 20000, 5, "1953.13KB", "0.98KB", "20秒", "0KB/s", kKeep, 5},
    // Rounding of small sizes, truncated seconds, hour and minute boundaries.
    {5, 6, 1999, 1023, "0KB", "0.01KB", "1秒", "0.5KB/s", kKeep, 10000},
    {1023, 0, 1000, 1024, "1KB", "0KB", "1秒", "1KB/s", "0时0分0秒", 0},
    {3686400, 0, 1000, 1024, "3600KB", "0KB", "1秒", "1KB/s", "1时0分0秒", 0},
    {3685376, 0, 1000, 1024, "3599KB", "0KB", "1秒", "1KB/s", "0时59分59秒", 0},
    // No size announced: size 0, bar 0, remaining time left as it was.
    {0, 30720, 100, 30720, "0KB", "30KB", "0秒", "300KB/s", kKeep, 0},
    // More received than announced: the bar stops at its end.
    {20000, 25000, 1000, 25000, "19.53KB", "24.41KB", "1秒", "24.41KB/s", kKeep, 10000},
    // Beyond 32 bits: a 4.66 GB file past its 4 GiB mark.
    {5000000000, 4294967297, 100000, 4294967297, "4882812.5KB", "4194304KB", "100秒",
     "41943.04KB/s", "0时0分16秒", 8589},
    // A terabyte at the slowest speed shown: more seconds than 32 bits hold.
    {1099511627776, 0, 100000, 1024, "1073741824KB", "0KB", "100秒", "0.01KB/s",
     "29826161时46分40秒", 0},
};

TEST(ShowProgress, WritesLabelsAndBarForEachRow) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::to_string(row.total) + " " + std::to_string(row.done) + " " +
                 std::to_string(row.elapsedMs) + " " + std::to_string(row.newBytes));
    FakeWindow window;
    window.SetText("标签_速度1", TextFromUtf8(kKeep));
    ShowProgress(window, row.total, row.done, row.elapsedMs, row.newBytes);
    EXPECT_EQ(Utf8FromText(window.GetText("标签_大小")), std::string(row.size) + "\r\n");
    EXPECT_EQ(Utf8FromText(window.GetText("标签_下载")), std::string(row.downloaded) + "\r\n");
    EXPECT_EQ(Utf8FromText(window.GetText("标签_时间")), std::string(row.used) + "\r\n");
    EXPECT_EQ(Utf8FromText(window.GetText("标签_速度")), std::string(row.speed) + "\r\n");
    EXPECT_EQ(Utf8FromText(window.GetText("标签_速度1")), row.remaining);
    EXPECT_EQ(window.GetPosition("进度条1"), row.position);
  }
}

TEST(ShowProgress, WritesInDisplayOrderAndSkipsRemainingWhenSpeedRoundsToZero) {
  FakeWindow window;
  window.ClearLog();
  ShowProgress(window, 2000000, 1000, 20000, 5);
  const auto log = window.Log();
  ASSERT_EQ(log.size(), 5u);
  const char* order[] = {"标签_大小=", "标签_下载=", "标签_时间=", "标签_速度=", "进度条1="};
  for (std::size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i].rfind(order[i], 0), 0u) << log[i];
}

}  // namespace
}  // namespace rudiruza::test
