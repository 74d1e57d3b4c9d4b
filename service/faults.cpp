#include "faults.h"

#include <charconv>

namespace rudiruza::service {
namespace {

bool ParseNumber(std::string_view text, std::uint64_t low, std::uint64_t high, std::uint64_t* out) {
  std::uint64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
    return false;
  *out = v;
  return true;
}

constexpr std::uint64_t kMaxBytes = std::uint64_t(1) << 62;

}  // namespace

bool AddFaults(std::string_view text, Faults* faults, std::string* error) {
  while (!text.empty()) {
    auto comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (item.empty()) continue;

    auto eq = item.find('=');
    std::string_view name = item.substr(0, eq);
    bool hasValue = eq != std::string_view::npos;
    std::string_view value = hasValue ? item.substr(eq + 1) : std::string_view();
    std::uint64_t n = 0;
    bool ok = true;
    if (name == "drop") {
      ok = hasValue && ParseNumber(value, 0, kMaxBytes, &n);
      if (ok) faults->dropAfter = n;
    } else if (name == "norange" && !hasValue) {
      faults->noRange = true;
    } else if (name == "nolength" && !hasValue) {
      faults->noLength = true;
    } else if (name == "badlength") {
      ok = hasValue && ParseNumber(value, 1, kMaxBytes, &n);
      if (ok) faults->extraLength = n;
    } else if (name == "rate") {
      ok = hasValue && ParseNumber(value, 1, kMaxBytes, &n);
      if (ok) faults->rate = n;
    } else if (name == "status") {
      // No status that forbids a body: the fault promises an HTML body.
      ok = hasValue && ParseNumber(value, 200, 599, &n) && n != 204 && n != 205 && n != 304;
      if (ok) faults->status = static_cast<int>(n);
    } else if (name == "redirect" && !hasValue) {
      faults->redirect = true;
    } else if (name == "gzip" && !hasValue) {
      faults->gzip = true;
    } else if (name == "delay") {
      ok = hasValue && ParseNumber(value, 0, 600000, &n);
      if (ok) faults->delayMs = static_cast<int>(n);
    } else {
      *error = "unknown fault: " + std::string(item);
      return false;
    }
    if (!ok) {
      *error = "unusable fault value: " + std::string(item);
      return false;
    }
  }
  return true;
}

}  // namespace rudiruza::service
