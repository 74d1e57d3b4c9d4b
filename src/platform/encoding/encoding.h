// GB18030 (the program's Text) to and from UTF-8, for the edges: the Qt window and file paths.
#pragma once

#include <string>
#include <string_view>

#include "lookup/text.h"

namespace rudiruza {

// Never fails: bytes that are not valid GB18030 become U+FFFD.
std::string Utf8FromText(std::string_view text);

// Never fails: bytes that are not valid UTF-8 become the GB18030 form of U+FFFD. A text holds
// no zero byte, so a NUL is dropped.
Text TextFromUtf8(std::string_view utf8);

}  // namespace rudiruza
