// Faults a download can be told to show, so that a client's error paths are one line of set-up:
// from the catalogue's fifth column and from "?fault=" on the download address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rudiruza::service {

struct Faults {
  std::optional<std::uint64_t> dropAfter;  // close the connection after this many body bytes
  bool noRange = false;                    // ignore Range, answer 200 with everything
  bool noLength = false;                   // no Content-Length, close-delimited body
  std::uint64_t extraLength = 0;           // announce this many bytes more than are sent
  std::uint64_t rate = 0;                  // bytes a second; 0: as fast as possible
  int status = 0;                          // answer this status with an HTML body; 0: no
  bool redirect = false;                   // one redirect to the same file first
  bool gzip = false;                       // gzip-encoded body
  int delayMs = 0;                         // wait before the first byte
};

// Adds the comma-separated faults of text to faults. False, with a message, for an unknown fault
// or an unusable value; faults is then partly updated.
bool AddFaults(std::string_view text, Faults* faults, std::string* error);

}  // namespace rudiruza::service
