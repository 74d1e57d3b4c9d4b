// Whole-file reads and crash-safe whole-file writes, for small files the program keeps itself.
#pragma once

#include <string>
#include <string_view>

namespace rudiruza {

enum class ReadResult { kRead, kMissing, kFailed };

// path: UTF-8. kMissing when there is no such file.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes);

// Writes a temporary file next to path, flushes it to disk and renames it over path: a reader
// sees the old bytes or the new ones, never a mixture, whatever happens on the way. The file
// gets exactly the given mode.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, int mode = 0600);

// Creates the folders above path that are missing.
bool MakeParentDirs(const std::string& path);

}  // namespace rudiruza
