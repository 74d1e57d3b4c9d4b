#include "download/transfer_request.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace rudiruza {
namespace {

constexpr std::string_view kHeaderBlock =
    "Accept: */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

std::optional<std::int64_t> ParseCount(std::string_view digits) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value < 0) return {};
  return value;
}

// From "bytes FIRST-LAST/SIZE" or "bytes */SIZE": FIRST, or SIZE for the second form (the
// unsatisfied range of a 416). Nothing when the value has neither form.
struct ContentRange {
  std::optional<std::int64_t> first;
  std::optional<std::int64_t> size;
};

ContentRange ParseContentRange(std::string_view value) {
  ContentRange range;
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  constexpr std::string_view kUnit = "bytes ";
  if (value.size() < kUnit.size()) return range;
  for (std::size_t i = 0; i < kUnit.size(); ++i) {
    if ((value[i] | 0x20) != (kUnit[i] | 0x20)) return range;
  }
  value.remove_prefix(kUnit.size());
  const std::size_t slash = value.find('/');
  if (slash == std::string_view::npos) return range;
  const std::string_view span = value.substr(0, slash);
  std::string_view size = value.substr(slash + 1);
  while (!size.empty() && size.back() == ' ') size.remove_suffix(1);
  range.size = ParseCount(size);
  if (span != "*") {
    const std::size_t dash = span.find('-');
    if (dash != std::string_view::npos) range.first = ParseCount(span.substr(0, dash));
  }
  return range;
}

}  // namespace

Text DownloadHeaders(std::int64_t offset, bool resume) {
  Text headers(kHeaderBlock);
  if (resume) headers += "\r\nRange:bytes=" + std::to_string(offset) + "-";
  return headers;
}

Text AgentName(std::uint32_t ticks) {
  return "Agent" + std::to_string(static_cast<std::int32_t>(ticks));
}

AnswerUse ClassifyAnswer(int status, const Text& contentRange, const Text& contentEncoding,
                         std::int64_t offset, bool resume) {
  if (!resume) return status >= 400 ? AnswerUse::kRefused : AnswerUse::kWrite;
  if (status == 416) {
    // Asked for the bytes after the end: the partial file already holds everything.
    const ContentRange range = ParseContentRange(contentRange);
    if (range.size && !range.first && *range.size == offset) return AnswerUse::kAlreadyComplete;
  }
  if (status >= 400) return AnswerUse::kRefused;
  if (status != 206) return AnswerUse::kWrite;  // the whole resource: start the file over
  // A range of an encoded body is a range of the encoded bytes, which no decoder can start
  // in the middle of; a range that starts elsewhere would leave a gap or an overlap.
  const bool encoded = !contentEncoding.empty() && contentEncoding != "identity";
  const ContentRange range = ParseContentRange(contentRange);
  if (encoded || !range.first || *range.first != offset) return AnswerUse::kRequestWhole;
  return AnswerUse::kAppend;
}

}  // namespace rudiruza
