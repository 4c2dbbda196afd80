#include <sys/stat.h>

#include "app/file_access.h"

namespace rcon {

bool OthersMayRead(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

}  // namespace rcon
