#pragma once

#include <gtksourceview/gtksource.h>

#include <functional>

#include "editor/undo_history.h"

// The source buffer's undo manager. The toolkit's own one records the
// editor's anchors as text and loses its place when they come and go; this
// one records the user's edits in a CUndoHistory, carries its steps past
// the anchors, and puts drawings and anchors back as they were.
class CUndoManager {
public:
  struct Hooks {
    // The range's text and objects.
    std::function<SUndoContent(const GtkTextIter& start, const GtkTextIter& end)> capture;
    // Puts content back at the offset; the characters it took.
    std::function<int(int offset, const SUndoContent& content)> insert;
  };

  CUndoManager(GtkSourceBuffer* buffer, Hooks hooks);
  ~CUndoManager();
  CUndoManager(const CUndoManager&) = delete;
  CUndoManager& operator=(const CUndoManager&) = delete;

  // Runs an edit of the editor's own that the user should not undo; the
  // object characters it inserts or erases are carried past by the history.
  void Unrecorded(const std::function<void()>& edit);
  // Runs a paste: the drawings it anchors belong to the user's step, so
  // undoing the paste takes them away with its text.
  void Pasting(const std::function<void()>& edit);
  // True while an undo or redo changes the buffer.
  bool Replaying() const { return replaying; }

  bool CanUndo() const { return history.CanUndo(); }
  bool CanRedo() const { return history.CanRedo(); }
  void Undo();
  void Redo();
  void BeginNotUndoable() { ++not_undoable; }
  void EndNotUndoable();

private:
  static void OnInsertText(GtkTextBuffer*, GtkTextIter* at, gchar* text, gint bytes, gpointer self);
  static void OnDeleteRange(GtkTextBuffer*, GtkTextIter* start, GtkTextIter* end, gpointer self);
  static void OnInsertAnchor(GtkTextBuffer*, GtkTextIter* at, GtkTextChildAnchor*, gpointer self);
  static void OnBeginAction(GtkTextBuffer*, gpointer self);
  static void OnEndAction(GtkTextBuffer*, gpointer self);
  static void OnMarkSet(GtkTextBuffer*, GtkTextIter*, GtkTextMark* mark, gpointer self);
  bool Recording() const { return !replaying && not_undoable == 0 && !unrecorded; }
  // Runs a change of the history and tells the toolkit what changed.
  void Notify(bool couldUndo, bool couldRedo);
  void PlaceCursor(int offset);

  GtkTextBuffer* buffer;
  GObject* object;  // the toolkit's side of the manager
  Hooks hooks;
  CUndoHistory history;
  int not_undoable = 0;
  bool replaying = false;
  bool unrecorded = false;
  bool pasting = false;
  std::vector<gulong> handlers;
};
