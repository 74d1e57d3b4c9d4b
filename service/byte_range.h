// The one byte range a download answers: "Range: bytes=N-", "bytes=N-M" or "bytes=-S", spaces
// allowed around the parts.
#pragma once

#include <cstdint>
#include <string>

namespace rudiruza::service {

struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

enum class RangeRequest {
  Whole,          // no Range header, several ranges, or one we do not understand: the whole file
  Satisfiable,    // answer 206 with range
  Unsatisfiable,  // answer 416: the start is at or past the end
};

RangeRequest ParseRange(const std::string& header, std::uint64_t size, ByteRange* range);

}  // namespace rudiruza::service
