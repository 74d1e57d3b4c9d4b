// The local file of a transfer. Received bytes are gathered in a large buffer and written in big
// pieces: one write per network chunk would cost more than the network itself.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace rudiruza {

class OutputFile {
 public:
  enum class Mode {
    kCreate,  // create, or empty an existing file
    kAppend,  // keep the contents (create when missing) and write at the end
  };

  // path is UTF-8. Null for an empty path or when the file cannot be opened for writing.
  static std::unique_ptr<OutputFile> Open(const std::string& path, Mode mode,
                                          std::size_t gatherBytes = 1 << 20);

  // Writes what is gathered (a failure there goes unreported) and closes.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Room for the next size bytes (at most the gather size), flushing first when the buffer is
  // too full; null when that flush failed. Fill it, then Commit the count actually stored.
  unsigned char* Space(std::size_t size);
  void Commit(std::size_t count);

  // Everything gathered into the file; false when a write failed. Bytes written before a
  // failure stay in the file; after one, nothing more is written.
  bool Flush();
  // Flush, then close; false when either failed.
  bool Close();

 private:
  OutputFile(int fd, std::size_t gatherBytes);

  int fd_;
  bool failed_ = false;
  std::vector<unsigned char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace rudiruza
