#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Replaces a file with new bytes so that a crash, a full disk or any other
// failure leaves either the old file or the whole new one, never a mix:
// the bytes go to <path>.tmp, are flushed to disk, and only then renamed
// over <path>. The file operations are members so tests can make any of
// them fail.
class CSafeFileWriter {
public:
  std::function<FILE*(const char* path)> open;
  std::function<size_t(const void* data, size_t size, FILE* file)> write;
  std::function<int(FILE* file)> sync;  // flush and fsync
  std::function<int(FILE* file)> close;
  std::function<int(const char* from, const char* to)> rename;

  static CSafeFileWriter System();

  // On failure removes the temporary file, leaves <path> untouched and
  // describes the cause in `error`.
  bool Write(const std::string& path, const std::string& bytes, std::string& error) const;
};
