#pragma once

#include <string>

// What the note tree needs from the window that shows the open note.
class CTreeHost {
public:
  virtual ~CTreeHost() = default;

  // Opens the note at a note path, after saving the open one; the empty
  // path closes it. False when the open note stays open (its edit could
  // not be saved) or nothing was opened.
  virtual bool OpenNote(const std::string& notePath) = 0;
  // Records that the open note now lives at `notePath` (renamed or
  // moved); the editor is not reloaded.
  virtual void RenameOpenNote(const std::string& notePath) = 0;
  // The note the editor saves to; empty when none is open.
  virtual const std::string& OpenNotePath() const = 0;
  // The note the tree selects: the open note, or during start-up the one
  // about to be opened.
  virtual const std::string& CurrentNotePath() const = 0;
};
