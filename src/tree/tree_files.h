#pragma once

#include <string>
#include <utility>

// The note tree's changes on disk, made through GIO and never through a
// shell, so every name reaches the file system exactly as the user typed
// it. Paths are note paths ("/Work/Ideas.md") below the notes base. Each
// operation returns whether it worked and, when not, the file system's
// reason in `error`; none ever replaces an entry that exists.
class CTreeFiles {
public:
  explicit CTreeFiles(std::string base = "") : base(std::move(base)) {}
  void SetBase(const std::string& path) { base = path; }
  std::string FilePath(const std::string& notePath) const { return base + notePath; }

  // Renames or moves a note or folder with its extended attributes; a
  // symbolic link moves as the link.
  bool Move(const std::string& from, const std::string& to, std::string& error) const;
  bool MakeFolder(const std::string& notePath, std::string& error) const;
  // Creates an empty note; fails when anything of that name exists.
  bool CreateNote(const std::string& notePath, std::string& error) const;

  // Whether the entry can go to the desktop's trash, from where the user
  // can restore it. Some file systems have none.
  bool CanTrash(const std::string& notePath) const;
  bool Trash(const std::string& notePath, std::string& error) const;
  // Deletes for good, a folder with everything in it. Symbolic links are
  // removed themselves, never followed.
  bool Delete(const std::string& notePath, std::string& error) const;

private:
  std::string base;
};
