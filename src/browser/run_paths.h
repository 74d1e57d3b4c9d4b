// Where the program lives: its executable file, the folder that holds it, and the script page
// written next to it. Computed afresh on each call.
#pragma once

#include "lookup/text.h"

namespace rudiruza {

// The executable's real path (/proc/self/exe) as Text; empty when it cannot be read.
Text ExePath();
// The folder that holds the executable, without a trailing slash ("" for an executable in "/").
Text RunDirectory();
// RunDirectory() + "/rudiruza.htm"; empty when the executable's path is unknown.
Text ScriptPagePath();

// The folder part of an executable path: everything before its last slash.
Text RunDirectoryOf(const Text& exePath);
Text ScriptPagePathIn(const Text& runDirectory);

}  // namespace rudiruza
