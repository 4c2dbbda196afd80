#include "app/file_access.h"

#include <cstdio>

namespace rcon {

// Read with C's streams: C++'s file streams would bring their whole locale machinery into the
// program for this one read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char block[4096];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return text;
}

}  // namespace rcon
