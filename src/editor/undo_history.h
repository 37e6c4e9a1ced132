#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

// One object character (U+FFFC) of a stretch of text: a drawing, a bare
// anchor the editor put in front of a checkbox or image, or the character
// itself typed as text.
struct SUndoObject {
  enum Kind { LITERAL, ANCHOR, DRAWING } kind = LITERAL;
  std::string link;  // a drawing's storage link
};

// Text that an undo step takes away or puts back. Offsets and lengths
// count characters; every object is one.
struct SUndoContent {
  std::string text;                  // UTF-8, U+FFFC for each object
  std::vector<SUndoObject> objects;  // one per U+FFFC, in order
  int length = 0;
};

// A change inside an object (a drawing's strokes) that leaves the text as
// it is. The editor knows what it holds.
struct SObjectEdit {
  virtual ~SObjectEdit() = default;
};

struct SUndoRecord {
  // Inserted at `offset`, or deleted from it.
  bool insert = true;
  int offset = 0;
  // Characters the record covers in the buffer: an insertion's range may
  // have gained or lost the editor's anchors since; a deletion's content.
  int length = 0;
  SUndoContent content;
  // Set for an edit of the object at `offset`; the text stays.
  std::shared_ptr<SObjectEdit> edit;
};

// The undo and redo steps of one buffer, as plain offsets. A step is what
// one user action changed; typing a word is merged into one step. The
// editor adds and erases anchors that are no edit of the user's: the
// history moves its records past them, so each step still undoes exactly
// its own text.
class CUndoHistory {
public:
  using Step = std::vector<SUndoRecord>;

  void SetMaxSteps(int steps);  // < 0: no limit
  void BeginAction();
  void EndAction();
  void Inserted(int offset, const SUndoContent& content);
  void Deleted(int offset, const SUndoContent& content);
  void Edited(int offset, std::shared_ptr<SObjectEdit> edit);
  // An object character came or went outside the history.
  void ObjectInserted(int offset) { Object(offset, 1); }
  void ObjectErased(int offset) { Object(offset, -1); }
  // The next edit starts a new step (the cursor moved).
  void Break() { mergeable = false; }
  void Clear();

  bool CanUndo() const { return !undo.empty(); }
  bool CanRedo() const { return !redo.empty(); }
  // The step to undo (its records are undone last first) or redo (first
  // first); the caller may update the records' content as it applies them,
  // then calls Undone or Redone.
  Step& NextUndo() { return undo.back(); }
  Step& NextRedo() { return redo.back(); }
  void Undone();
  void Redone();

  const std::deque<Step>& UndoSteps() const { return undo; }

private:
  void Record(SUndoRecord record);
  void Object(int offset, int delta);
  bool Merge(const Step& step);
  void Trim();

  std::deque<Step> undo, redo;
  Step open;
  int depth = 0;
  int max_steps = -1;
  bool mergeable = false;
};
