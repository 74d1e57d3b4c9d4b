#include "download/progress.h"

#include <algorithm>
#include <cmath>

#include "lookup/text.h"
#include "platform/encoding/encoding.h"

namespace rudiruza {
namespace {

// Texts in GB18030, converted once.
struct Units {
  Text kilobytes = "KB\r\n";
  Text secondsUsed = TextFromUtf8("秒\r\n");
  Text speed = "KB/s\r\n";
  Text hours = TextFromUtf8("时");
  Text minutes = TextFromUtf8("分");
  Text seconds = TextFromUtf8("秒");
};

const Units& GetUnits() {
  static const Units units;
  return units;
}

Text Kilobytes(std::int64_t bytes) {
  return NumberToText(RoundNumber(static_cast<double>(bytes) / 1024, 2)) + GetUnits().kilobytes;
}

// "H时M分S秒", or empty when there is nothing sensible to show: a speed that rounds to 0, or
// more received than announced (which includes "no size announced").
Text RemainingTime(std::int64_t total, std::int64_t done, double speed) {
  if (!(speed > 1e-7) || done > total) return Text();
  // Whole seconds, truncated; kept in a double rather than 32 bits so that huge files at a
  // crawl still read sensibly.
  const double left = std::trunc(static_cast<double>(total - done) / 1024 / speed);
  const Units& units = GetUnits();
  return NumberToText(IntegerQuotient(left, 3600)) + units.hours +
         NumberToText(Remainder(IntegerQuotient(left, 60), 60)) + units.minutes +
         NumberToText(Remainder(left, 60)) + units.seconds;
}

int BarPosition(std::int64_t total, std::int64_t done) {
  if (total <= 0) return 0;
  const double position =
      std::trunc(static_cast<double>(done) * 10000 / static_cast<double>(total));
  return static_cast<int>(std::clamp(position, 0.0, 10000.0));
}

}  // namespace

void ShowProgress(WindowPort& window, std::int64_t total, std::int64_t done, std::int64_t elapsedMs,
                  std::int64_t newBytes) {
  window.SetText("标签_大小", Kilobytes(total));
  window.SetText("标签_下载", Kilobytes(done));
  window.SetText("标签_时间", NumberToText(IntegerQuotient(static_cast<double>(elapsedMs), 1000)) +
                                  GetUnits().secondsUsed);
  // Left to right, as the display has always computed it: bytes per ms scaled to KB/s.
  const double speed =
      elapsedMs > 0
          ? RoundNumber(
                static_cast<double>(newBytes) * 1000 / 1024 / static_cast<double>(elapsedMs), 2)
          : 0.0;
  window.SetText("标签_速度", NumberToText(speed) + GetUnits().speed);
  const Text remaining = RemainingTime(total, done, speed);
  if (!remaining.empty()) window.SetText("标签_速度1", remaining);
  window.SetPosition("进度条1", BarPosition(total, done));
}

}  // namespace rudiruza
