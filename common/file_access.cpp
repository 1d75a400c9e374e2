#include "common/file_access.h"

std::optional<std::string> readAndClose(std::FILE* file, std::size_t limit) {
  std::string bytes;
  char chunk[16384];
  std::size_t got;
  bool ok = true;
  while (ok && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.append(chunk, got);
    ok = bytes.size() <= limit;
  }
  ok = ok && !std::ferror(file);
  std::fclose(file);
  if (!ok) return std::nullopt;
  return bytes;
}

bool writeAndClose(std::FILE* file, const std::string& bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}
