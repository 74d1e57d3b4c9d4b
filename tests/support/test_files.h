// Whole-file reads and writes and reproducible file contents for the tests.
#pragma once

#include <cstddef>
#include <string>

namespace rudiruza::test {

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Writes bytes as the whole file, making its folder first.
void WriteFile(const std::string& path, const std::string& bytes);

// size pseudo-random bytes, the same for the same seed.
std::string PatternBytes(std::size_t size, unsigned seed);

}  // namespace rudiruza::test
