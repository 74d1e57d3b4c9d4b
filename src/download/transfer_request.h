// The download request and how its answer is taken: the extra header lines, the agent name, and
// what a status and Content-Range mean for the local file.
#pragma once

#include <cstdint>

#include "lookup/text.h"

namespace rudiruza {

// The extra header lines of a download, without a CR LF after the last one; a resume adds
// "Range:bytes=OFFSET-".
Text DownloadHeaders(std::int64_t offset, bool resume);

// "Agent" and the uptime counter read as a signed 32-bit number.
Text AgentName(std::uint32_t ticks);

enum class AnswerUse {
  kWrite,            // write the body from byte 0: create or empty the file
  kAppend,           // the body continues the partial file at its end
  kRequestWhole,     // the body cannot continue the partial file: ask again without a range
  kAlreadyComplete,  // nothing left to fetch; the partial file is the whole resource
  kRefused,          // an error answer: write nothing
};

// What to do with an answer to a fresh request (resume false) or to a resume from offset.
// contentRange is the Content-Range header's value, contentEncoding the encoding applied to
// the body (lower case, empty for none).
AnswerUse ClassifyAnswer(int status, const Text& contentRange, const Text& contentEncoding,
                         std::int64_t offset, bool resume);

}  // namespace rudiruza
