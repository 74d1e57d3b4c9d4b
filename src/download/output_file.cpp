#include "download/output_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace rudiruza {

std::unique_ptr<OutputFile> OutputFile::Open(const std::string& path, Mode mode,
                                             std::size_t gatherBytes) {
  if (path.empty()) return nullptr;
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::kCreate ? O_TRUNC : O_APPEND);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  return std::unique_ptr<OutputFile>(new OutputFile(fd, gatherBytes));
}

OutputFile::OutputFile(int fd, std::size_t gatherBytes) : fd_(fd), buffer_(gatherBytes) {}

OutputFile::~OutputFile() { Close(); }

unsigned char* OutputFile::Space(std::size_t size) {
  if (size > buffer_.size()) return nullptr;
  if (buffer_.size() - used_ < size && !Flush()) return nullptr;
  return buffer_.data() + used_;
}

void OutputFile::Commit(std::size_t count) { used_ += count; }

bool OutputFile::Flush() {
  if (failed_ || fd_ < 0) return false;
  std::size_t written = 0;
  while (written < used_) {
    const ssize_t n = ::write(fd_, buffer_.data() + written, used_ - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  used_ = 0;
  return true;
}

bool OutputFile::Close() {
  if (fd_ < 0) return !failed_;
  const bool flushed = Flush();
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!closed) failed_ = true;
  return flushed && closed;
}

}  // namespace rudiruza
