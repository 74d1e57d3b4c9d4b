#include "platform/encoding/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace rudiruza {
namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One converter per direction and thread: opening one costs far more than a short conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts input; every undecodable byte becomes replacement.
  std::string Run(std::string_view input, std::string_view replacement) {
    std::string out;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (inLeft > 0) {
      char* outPtr = out.data() + written;
      std::size_t outLeft = out.size() - written;
      std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      written = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
      } else {  // EILSEQ or EINVAL (a sequence cut off at the end): replace one byte, go on
        if (out.size() - written < replacement.size()) out.resize(out.size() * 2 + 16);
        std::copy(replacement.begin(), replacement.end(), out.begin() + written);
        written += replacement.size();
        ++in;
        --inLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    out.resize(written);
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string Utf8FromText(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  thread_local Converter converter("UTF-8", "GB18030");
  return converter.Run(text, "\xEF\xBF\xBD");
}

Text TextFromUtf8(std::string_view utf8) {
  Text out;
  if (IsAscii(utf8)) {
    out.assign(utf8);
  } else {
    thread_local Converter converter("GB18030", "UTF-8");
    out = converter.Run(utf8, "\x84\x31\xA4\x37");
  }
  out.erase(std::remove(out.begin(), out.end(), '\0'), out.end());
  return out;
}

}  // namespace rudiruza
