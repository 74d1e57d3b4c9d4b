// Shows a file in the user's file manager.
#pragma once

#include "lookup/text.h"

namespace rudiruza {

// Asks the desktop's file manager to show the file selected (org.freedesktop.FileManager1
// over D-Bus, waiting at most a second); without one, opens the file's folder. Failures are
// silent. Callable from any thread.
void ShowInFileManager(const Text& path);

}  // namespace rudiruza
