#include "app/safe_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

std::string Describe(const char* what, const std::string& path) {
  return std::string(what) + " '" + path + "': " + std::strerror(errno ? errno : EIO);
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

void SyncDirectoryOf(const std::string& path) {
  int fd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  // The rename is already done; a directory that cannot be synced only
  // weakens the guarantee against power loss, so it is not an error.
  ::fsync(fd);
  ::close(fd);
}

// Copies the user extended attributes of `from` to the open file `fd`;
// false when one of them could not be copied.
bool CopyUserAttributes(const std::string& from, int fd) {
  ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return size == 0 || errno == ENOTSUP;
  std::vector<char> names(size_t(size) + 1);
  size = ::listxattr(from.c_str(), names.data(), names.size());
  if (size < 0) return false;
  bool ok = true;
  for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
    if (std::strncmp(name, "user.", 5) != 0) continue;
    ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
    if (length < 0) {
      ok = false;
      continue;
    }
    std::vector<char> value(size_t(length) + 1);
    length = ::getxattr(from.c_str(), name, value.data(), value.size());
    if (length < 0 || ::fsetxattr(fd, name, value.data(), size_t(length), 0) != 0) ok = false;
  }
  return ok;
}

int RenameNew(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // File systems without RENAME_NOREPLACE: a hard link cannot replace either.
  if (::link(from, to) != 0) return -1;
  ::unlink(from);
  return 0;
}

}  // namespace

std::string ResolveLinks(const std::string& start) {
  std::string path = start;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || size_t(n) >= sizeof target) return path;
    std::string link(target, size_t(n));
    path = link[0] == '/' ? link : DirectoryOf(path) + "/" + link;
  }
  return path;
}

CSafeFileWriter CSafeFileWriter::System() {
  CSafeFileWriter writer;
  writer.open = [](const char* path) -> FILE* {
    // Not even a link made at the name since it was checked is followed.
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return file;
  };
  writer.write = [](const void* data, size_t size, FILE* file) { return std::fwrite(data, 1, size, file); };
  writer.sync = [](FILE* file) {
    if (std::fflush(file) != 0) return -1;
    return ::fsync(fileno(file));
  };
  writer.close = [](FILE* file) { return std::fclose(file); };
  writer.rename = [](const char* from, const char* to) { return std::rename(from, to); };
  writer.rename_new = RenameNew;
  return writer;
}

CSafeFileWriter::SResult CSafeFileWriter::Replace(const std::string& path, const std::string& bytes,
                                                  const SOptions& options) const {
  SResult result;
  const std::string target = ResolveLinks(path);
  const std::string temp = target + ".tmp";
  const std::string like = options.like.empty() ? target : ResolveLinks(options.like);
  struct stat old;
  const bool hadFile = ::stat(like.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  // A link left at the temporary name is removed, never followed.
  struct stat planted;
  if (::lstat(temp.c_str(), &planted) == 0 && S_ISLNK(planted.st_mode)) ::unlink(temp.c_str());
  errno = 0;
  FILE* file = open(temp.c_str());
  if (!file) {
    result.error = Describe("cannot create", temp);
    return result;
  }
  bool ok = true;
  if (hadFile) {
    int fd = fileno(file);
    struct stat made;
    // Owner first: changing it may clear mode bits. Only a privileged
    // process may give a file away, so failing that is expected.
    if (::fstat(fd, &made) == 0 && (made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      int kept = ::fchown(fd, uid_t(-1), old.st_gid);  // at least the group, where we belong to it
      (void)kept;
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) result.warning = Describe("cannot keep the mode of", target);
    if (!CopyUserAttributes(like, fd)) result.warning = Describe("cannot keep the attributes of", target);
  }
  size_t done = 0;
  while (ok && done < bytes.size()) {
    errno = 0;
    size_t wrote = write(bytes.data() + done, bytes.size() - done, file);
    if (wrote == 0) {
      result.error = Describe("cannot write", temp);
      ok = false;
    }
    done += wrote;
  }
  if (ok) {
    errno = 0;
    if (sync(file) != 0) {
      result.error = Describe("cannot flush", temp);
      ok = false;
    }
  }
  if (ok) result.written = note_sync::IdentityOf(fileno(file));
  errno = 0;
  if (close(file) != 0 && ok) {
    result.error = Describe("cannot close", temp);
    ok = false;
  }
  if (ok && options.check && note_sync::ReadIdentity(target) != options.expected) {
    result.changed = true;
    result.error = "'" + target + "' was changed by another program";
    ok = false;
  }
  if (ok) {
    errno = 0;
    if ((options.exclusive ? rename_new : rename)(temp.c_str(), target.c_str()) != 0) {
      result.exists = options.exclusive && errno == EEXIST;
      result.error = Describe(result.exists ? "already there:" : "cannot replace", target);
      ok = false;
    }
  }
  if (!ok) {
    std::remove(temp.c_str());
    result.written = {};
    return result;
  }
  SyncDirectoryOf(target);
  result.ok = true;
  return result;
}

bool CSafeFileWriter::Write(const std::string& path, const std::string& bytes, std::string& error) const {
  SResult result = Replace(path, bytes, SOptions());
  if (!result.ok) error = result.error;
  return result.ok;
}
