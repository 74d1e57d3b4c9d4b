// Runs the real kavo-service for a test: on 127.0.0.1 with a free port, on a catalogue the test
// writes, stopped when the object goes.
#pragma once

#include <sys/types.h>
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
  // The download address of a catalogue entry, as the service's answer page gives it.
  std::string FileUrl(const std::string& id) const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace rudiruza::test
