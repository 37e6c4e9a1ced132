#include "app/note_sync.h"

#include <sys/stat.h>

#include <cstdio>

namespace note_sync {

namespace {

SFileIdentity FromStat(const struct stat& st) {
  SFileIdentity id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.mtime_ns = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
  return id;
}

}  // namespace

bool SFileIdentity::operator==(const SFileIdentity& other) const {
  if (exists != other.exists) return false;
  if (!exists) return true;
  return device == other.device && inode == other.inode && size == other.size && mtime_ns == other.mtime_ns;
}

SFileIdentity ReadIdentity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  return FromStat(st);
}

SFileIdentity IdentityOf(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return {};
  return FromStat(st);
}

EAction Decide(const SFileIdentity& known, const SFileIdentity& disk, bool editorChanged, bool saving) {
  if (disk == known) return saving ? EAction::kWrite : EAction::kNothing;
  if (!disk.exists) {
    // Gone from disk: the editor's own change may bring it back, but a note
    // the user did not touch is not made again.
    return saving && editorChanged ? EAction::kWrite : EAction::kNothing;
  }
  return editorChanged ? EAction::kConflict : EAction::kReload;
}

std::string ConflictNotePath(const std::string& notePath, const std::tm& when, int attempt) {
  size_t slash = notePath.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = notePath, ext = ".md";
  if (notePath.size() - nameStart > 3 && notePath.compare(notePath.size() - 3, 3, ".md") == 0)
    stem = notePath.substr(0, notePath.size() - 3);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d.%02d", when.tm_year + 1900, when.tm_mon + 1, when.tm_mday,
                when.tm_hour, when.tm_min);
  std::string name = stem + " (conflict " + stamp;
  if (attempt > 1) name += " " + std::to_string(attempt);
  return name + ")" + ext;
}

}  // namespace note_sync
