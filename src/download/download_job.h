// The download job: from the query to the finished file, on the worker thread.
#pragma once

#include <functional>
#include <mutex>

#include "lookup/text.h"
#include "platform/window/window_port.h"
#include "platform/window/window_state.h"

namespace rudiruza {

// What a job works on: its own copies, taken on the window's thread when it starts, so a Browse
// or a new address during the job changes only the next one.
struct JobSettings {
  Text savePath;  // the save location as chosen; may hold kSmartNameMarker
  Text resourceId;
  bool linkLaunch = false;  // the program was started with a link: it ends after the download
  // Shows the finished file in the file manager; may be empty.
  std::function<void(const Text& path)> showInFileManager;
};

enum class JobEnding {
  kIdle,         // back to the idle state (also after a failure)
  kStopped,      // stopped by Cancel: nothing further happened
  kExitProgram,  // a link launch finished its download: the program ends
};

struct JobResult {
  JobEnding ending = JobEnding::kIdle;
  Text downloadUrl;  // the service's download address, when it gave one
};

// Serialises the job's visible steps with Cancel: the window takes it while it restores the idle
// state and requests the stop; the job takes it for every step that changes something the user
// sees (a control, a file, a message) and checks the stop request inside it. So once Cancel has
// returned, no step of the job changes anything any more.
class JobGate {
 public:
  std::mutex& Mutex() { return mutex_; }

 private:
  std::mutex mutex_;
};

// The two checks of Start. Shows the message and returns false when a job cannot start.
bool CheckStartConditions(WindowPort& window, const Text& savePath, const Text& resourceId);

// The worker thread's routine. The caller has entered the busy state and installed the thread's
// stop token (ThreadStopScope). The job's last step restores the idle state unless stopped or the
// program is to end.
JobResult RunDownloadJob(WindowPort& window, const JobSettings& settings, JobGate& gate);

// The service's file name made safe for one path component: no "/", no control bytes, never
// empty, "." or "..".
Text SafeFileName(const Text& name);

}  // namespace rudiruza
