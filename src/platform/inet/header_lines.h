// Header lines: the caller's block split into lines, and look-ups by name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rudiruza::inet {

// The non-empty lines of a header block, without their line ends. Lines may be separated by
// CR LF or a lone LF.
std::vector<std::string> SplitHeaderLines(std::string_view block);

// Whether line is a header of that name (name compared without regard to case).
bool IsHeader(std::string_view line, std::string_view name);

// The value of the last line of that name (surrounding blanks removed), or empty.
std::string LastHeaderValue(const std::vector<std::string>& lines, std::string_view name);
bool HasHeader(const std::vector<std::string>& lines, std::string_view name);

}  // namespace rudiruza::inet
