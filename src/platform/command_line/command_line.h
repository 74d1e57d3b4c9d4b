// Splitting a whole command line into arguments, and the address inside a protocol link.
#pragma once

#include <vector>

#include "lookup/text.h"

namespace rudiruza {

// The arguments of a command line, without the program's own path. Quotes group, spaces and
// control bytes separate, "" is an empty argument, a backslash is an ordinary byte, and the
// second byte of a two-byte character never ends an argument.
std::vector<Text> SplitCommandLine(const Text& commandLine);

// The marker around the address in a protocol link: "RudiRuzaC://[<url>]ADDRESS[<url>]".
inline const Text kLinkMarker = "[<url>]";

// The address between the first two markers, or the empty text.
Text LinkAddress(const Text& argument);

}  // namespace rudiruza
