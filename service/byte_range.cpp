#include "byte_range.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace rudiruza::service {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Digits only; nothing for empty text, a sign or an overflow.
std::optional<std::uint64_t> Number(std::string_view s) {
  std::uint64_t v = 0;
  if (s.empty()) return std::nullopt;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace

RangeRequest ParseRange(const std::string& header, std::uint64_t size, ByteRange* range) {
  std::string_view h = Trim(header);
  auto eq = h.find('=');
  if (eq == std::string_view::npos || Trim(h.substr(0, eq)) != "bytes") return RangeRequest::Whole;
  std::string_view ranges = Trim(h.substr(eq + 1));
  if (ranges.find(',') != std::string_view::npos) return RangeRequest::Whole;
  auto dash = ranges.find('-');
  if (dash == std::string_view::npos) return RangeRequest::Whole;
  std::string_view from = Trim(ranges.substr(0, dash));
  std::string_view to = Trim(ranges.substr(dash + 1));

  if (from.empty()) {  // the last S bytes
    auto suffix = Number(to);
    if (!suffix) return RangeRequest::Whole;
    if (*suffix == 0 || size == 0) return RangeRequest::Unsatisfiable;
    range->first = *suffix >= size ? 0 : size - *suffix;
    range->last = size - 1;
    return RangeRequest::Satisfiable;
  }
  auto first = Number(from);
  if (!first) return RangeRequest::Whole;
  std::optional<std::uint64_t> last;
  if (!to.empty()) {
    last = Number(to);
    if (!last || *last < *first) return RangeRequest::Whole;
  }
  if (*first >= size) return RangeRequest::Unsatisfiable;
  range->first = *first;
  range->last = last && *last < size ? *last : size - 1;
  return RangeRequest::Satisfiable;
}

}  // namespace rudiruza::service
