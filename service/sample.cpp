#include "sample.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace rudiruza::service {
namespace fs = std::filesystem;
namespace {

struct SampleFile {
  const char* id;
  const char* name;
  const char* type;
  const char* file;
  std::uint64_t size;
  const char* faults;
};

// Sizes chosen to show different things: a tiny text, a medium file that finishes at once, a
// file big enough to watch, one at a walking pace, one that breaks off to show resuming.
constexpr std::uint64_t kMiB = 1024 * 1024;
const SampleFile kFiles[] = {
    {"1000001", "readme", "txt", "files/1000001.txt", 0, ""},
    {"1000002", "工具包 2.0", "rar", "files/1000002.rar", 3 * kMiB + 12345, ""},
    {"1000003", "sample archive", "zip", "files/1000003.zip", 20 * kMiB, ""},
    {"1000004", "big sample", "bin", "files/1000004.bin", 128 * kMiB, ""},
    {"1000005", "slow sample", "dat", "files/1000005.dat", 8 * kMiB, "rate=1048576"},
    {"1000006", "broken sample", "dat", "files/1000006.dat", 12 * kMiB, "drop=5000000"},
};

const char* kReadme =
    "kavo-service sample catalogue\n"
    "\n"
    "1000001  readme.txt           this text\n"
    "1000002  工具包 2.0.rar        3 MiB + 12345 bytes, Chinese name with a space\n"
    "1000003  sample archive.zip   20 MiB\n"
    "1000004  big sample.bin       128 MiB\n"
    "1000005  slow sample.dat      8 MiB, served at 1 MiB/s\n"
    "1000006  broken sample.dat    12 MiB, every answer breaks off after 5000000 bytes\n"
    "\n"
    "Every binary file is the splitmix64 stream seeded with its ID, as little-endian 64-bit\n"
    "words, cut to its size.\n";

// splitmix64: fast, deterministic, incompressible enough to make transfers honest.
std::uint64_t NextWord(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

bool WriteGenerated(const fs::path& path, std::uint64_t seed, std::uint64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  std::vector<unsigned char> buffer(kMiB);
  std::uint64_t state = seed;
  std::uint64_t left = size;
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<std::uint64_t>(left, buffer.size()));
    for (size_t i = 0; i < n; i += 8) {
      std::uint64_t w = NextWord(state);
      for (size_t b = 0; b < 8 && i + b < n; ++b)
        buffer[i + b] = static_cast<unsigned char>(w >> (8 * b));
    }
    out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
  return static_cast<bool>(out.flush());
}

}  // namespace

bool MakeSample(const std::string& dir, std::string* error) {
  std::error_code ec;
  fs::path root(dir);
  fs::create_directories(root / "files", ec);
  if (ec) {
    *error = "cannot create " + (root / "files").string() + ": " + ec.message();
    return false;
  }
  std::ofstream manifest(root / "catalogue.tsv", std::ios::binary | std::ios::trunc);
  manifest << "# kavo-service sample catalogue: ID, name, type, path, faults\n";
  for (const SampleFile& f : kFiles) {
    fs::path path = root / f.file;
    bool ok = f.size == 0 ? static_cast<bool>(std::ofstream(path, std::ios::binary) << kReadme)
                          : WriteGenerated(path, std::stoull(f.id), f.size);
    if (!ok) {
      *error = "cannot write " + path.string();
      return false;
    }
    manifest << f.id << '\t' << f.name << '\t' << f.type << '\t' << f.file;
    if (*f.faults) manifest << '\t' << f.faults;
    manifest << '\n';
  }
  if (!manifest.flush()) {
    *error = "cannot write " + (root / "catalogue.tsv").string();
    return false;
  }
  return true;
}

}  // namespace rudiruza::service
