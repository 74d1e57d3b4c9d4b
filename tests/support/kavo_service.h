// Runs the real kavo-service for a test: on 127.0.0.1 with a free port, on a catalogue the test
// writes, stopped (SIGTERM, then waited for) when the object goes. Its stderr log goes to a file
// (LogText), shown on the test's output when the test has failed. The service also ends if the
// thread that started it ends (PR_SET_PDEATHSIG), so that a crashed test leaves none behind.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

namespace rudiruza::test {

struct CatalogueEntry {
  std::string id;       // seven digits
  std::string name;     // UTF-8, without the type
  std::string type;     // e.g. "rar"
  std::string content;  // the file's bytes
  std::string faults;   // the manifest's fifth column, e.g. "drop=1000,norange"; may be empty
};

// Writes catalogue.tsv and the files into dir (created if missing); returns dir.
std::string WriteCatalogue(const std::string& dir, const std::vector<CatalogueEntry>& entries);

class KavoService {
 public:
  struct Options {
    std::string catalogueDir;           // empty: an empty catalogue in a temporary folder
    std::string fixedCaptcha = "ABCD";  // empty: real captchas
    std::vector<std::string> extraArgs;
  };

  // Starts the service and waits until it answers. Test failures (gtest) if it cannot start.
  explicit KavoService(Options options);
  KavoService();
  ~KavoService();
  KavoService(const KavoService&) = delete;
  KavoService& operator=(const KavoService&) = delete;

  int Port() const { return port_; }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT/"
  // The download address of a catalogue entry, as the service's answer page gives it (unless
  // extraArgs move the base with --base-url).
  std::string FileUrl(const std::string& id) const;
  // The catalogue folder the service reads (the temporary one when none was given).
  const std::string& CatalogueDir() const { return catalogueDir_; }
  // Everything the service has written to stderr so far: one line per request.
  std::string LogText() const;
  // The service's process id (-1 once stopped).
  pid_t Pid() const { return pid_; }
  // Stops the service with signal (SIGTERM or SIGINT) and waits for it; its exit code, or 128 +
  // the signal that ended it, or -1 if it had to be killed, or -2 if it was not running. The
  // destructor does this (and fails the test unless the code is 0) if no test did.
  int Stop(int signal = SIGTERM);

 private:
  void Start(const Options& options);  // gtest assertions need a function returning void

  pid_t pid_ = -1;
  int port_ = 0;
  std::string catalogueDir_;
  std::string logPath_;
};

}  // namespace rudiruza::test
