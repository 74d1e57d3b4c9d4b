// The values the window keeps for the whole run and shares with the operations.
//
// They live on the window's thread. A job takes its own copies when it starts (the worker thread
// never touches this record), so a Browse during a job cannot change that job's target.
#pragma once

#include <vector>

#include "lookup/text.h"

namespace rudiruza {

// The smart-name marker: stands for the file name the service reports.
inline const Text kSmartNameMarker = "\x24\xD6\xC7\xC4\xDC\xC3\xFC\xC3\xFB\x24";  // "$智能命名$"

struct WindowState {
  Text savePath;                 // may hold kSmartNameMarker
  Text resourceId;               // written by NormaliseResourceId
  Text downloadUrl;              // the last job's download address
  std::vector<Text> launchArgs;  // the command-line arguments, without the program
};

}  // namespace rudiruza
