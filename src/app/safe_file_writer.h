#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/note_sync.h"

// Replaces a file with new bytes so that a crash, a full disk or any other
// failure leaves either the old file or the whole new one, never a mix:
// the bytes go to <path>.tmp, are flushed to disk, and only then renamed
// over <path>. The new file keeps the old one's mode, owner (where the
// process may set it) and user extended attributes; a symbolic link is
// written through, the temporary file beside its target. The file
// operations are members so tests can make any of them fail.
class CSafeFileWriter {
public:
  std::function<FILE*(const char* path)> open;
  std::function<size_t(const void* data, size_t size, FILE* file)> write;
  std::function<int(FILE* file)> sync;  // flush and fsync
  std::function<int(FILE* file)> close;
  std::function<int(const char* from, const char* to)> rename;
  // Like rename, but fails with EEXIST rather than replace `to`.
  std::function<int(const char* from, const char* to)> rename_new;

  static CSafeFileWriter System();

  struct SOptions {
    // Replace only while the file is still this one (checked right
    // before the rename), so a change made meanwhile is never lost.
    bool check = false;
    note_sync::SFileIdentity expected;
    // Make a new file; never replace one.
    bool exclusive = false;
    // Take mode, owner and attributes from this file instead of the one
    // replaced (for a new file made beside another).
    std::string like;
  };
  struct SResult {
    bool ok = false;
    bool changed = false;  // the file was not `expected` any more: nothing replaced
    bool exists = false;   // exclusive, and the name was taken
    note_sync::SFileIdentity written;  // the new file, when ok
    std::string error;
    std::string warning;  // written, but something of the old file's could not be kept
  };

  SResult Replace(const std::string& path, const std::string& bytes, const SOptions& options) const;

  // On failure removes the temporary file, leaves <path> untouched and
  // describes the cause in `error`.
  bool Write(const std::string& path, const std::string& bytes, std::string& error) const;
};

// The file a path finally names once symbolic links are followed (the
// path itself when it is not a link; a dangling link's missing target).
std::string ResolveLinks(const std::string& path);
