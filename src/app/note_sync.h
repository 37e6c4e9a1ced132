#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

// Keeping the open note and its file on disk in step when other programs
// (a sync tool, git) change the file behind the editor's back.
namespace note_sync {

// What tells one version of a file from another without reading it.
struct SFileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long mtime_ns = 0;

  bool operator==(const SFileIdentity& other) const;
  bool operator!=(const SFileIdentity& other) const { return !(*this == other); }
};

// The identity of the file at `path`, following links; not `exists` when
// there is none.
SFileIdentity ReadIdentity(const std::string& path);
SFileIdentity IdentityOf(int fd);

enum class EAction {
  kNothing,   // leave editor and disk as they are
  kWrite,     // write the editor's text to the note
  kReload,    // read the note into the editor again; write nothing
  kConflict,  // keep both: the editor's text goes to a conflict copy
};

// `known` is the file as last read or written, `disk` the file now;
// `editorChanged` whether the editor changed since then. `saving` when the
// editor is about to save, not when only a change on disk was reported.
EAction Decide(const SFileIdentity& known, const SFileIdentity& disk, bool editorChanged, bool saving);

// The note path of the conflict copy of `notePath` made at local time
// `when`: "/a/Idea.md" becomes "/a/Idea (conflict 2026-01-31 09.05).md".
// `attempt` > 1 adds a number for when that name is taken.
std::string ConflictNotePath(const std::string& notePath, const std::tm& when, int attempt = 1);

}  // namespace note_sync
