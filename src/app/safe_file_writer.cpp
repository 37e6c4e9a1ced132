#include "app/safe_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string Describe(const char* what, const std::string& path) {
  return std::string(what) + " '" + path + "': " + std::strerror(errno ? errno : EIO);
}

void SyncDirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  // The rename is already done; a directory that cannot be synced only
  // weakens the guarantee against power loss, so it is not an error.
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

CSafeFileWriter CSafeFileWriter::System() {
  CSafeFileWriter writer;
  writer.open = [](const char* path) { return std::fopen(path, "wb"); };
  writer.write = [](const void* data, size_t size, FILE* file) { return std::fwrite(data, 1, size, file); };
  writer.sync = [](FILE* file) {
    if (std::fflush(file) != 0) return -1;
    return ::fsync(fileno(file));
  };
  writer.close = [](FILE* file) { return std::fclose(file); };
  writer.rename = [](const char* from, const char* to) { return std::rename(from, to); };
  return writer;
}

bool CSafeFileWriter::Write(const std::string& path, const std::string& bytes, std::string& error) const {
  const std::string temp = path + ".tmp";
  errno = 0;
  FILE* file = open(temp.c_str());
  if (!file) {
    error = Describe("cannot create", temp);
    return false;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    errno = 0;
    size_t wrote = write(bytes.data() + done, bytes.size() - done, file);
    if (wrote == 0) {
      error = Describe("cannot write", temp);
      ok = false;
    }
    done += wrote;
  }
  if (ok) {
    errno = 0;
    if (sync(file) != 0) {
      error = Describe("cannot flush", temp);
      ok = false;
    }
  }
  errno = 0;
  if (close(file) != 0 && ok) {
    error = Describe("cannot close", temp);
    ok = false;
  }
  if (ok) {
    errno = 0;
    if (rename(temp.c_str(), path.c_str()) != 0) {
      error = Describe("cannot replace", path);
      ok = false;
    }
  }
  if (!ok) {
    std::remove(temp.c_str());
    return false;
  }
  SyncDirectoryOf(path);
  return true;
}
