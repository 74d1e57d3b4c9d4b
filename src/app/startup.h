// The window's first moments: the first captcha when it has been created, and on its first
// activation the default folder, the save location, the arguments and a link launch.
#pragma once

#include <vector>

#include "lookup/text.h"

namespace rudiruza {

class MainWindow;

// The command-line arguments as texts (the process's arguments without the program).
std::vector<Text> LaunchArgsFrom(int argc, char** argv);

// Runs once, when the window first becomes active. A link launch (any argument) asks where to
// save; when the user cancels, the program ends with exit code 0.
void OnFirstActivation(MainWindow& window, const std::vector<Text>& launchArgs);

}  // namespace rudiruza
