#pragma once

#include <gtk/gtk.h>

#include <set>
#include <unordered_map>
#include <vector>

// Where a few tags toggle within one range of a buffer, found in a single
// sweep. The toolkit's search for one tag's next toggle steps through every
// segment on the way, so walking each tag on its own crosses a long range
// once per tag; over a long note that cost more than the highlighting.
//
// Searches from inside the range answer from the sweep, others ask the
// toolkit. The text must not change while the index is used, and changes
// of a tag must be reported through Changed.
class CToggleIndex {
public:
  CToggleIndex(const std::vector<GtkTextTag*>& tags, const GtkTextIter& start, const GtkTextIter& end);

  // As gtk_text_iter_forward_to_tag_toggle / backward_to_tag_toggle, for a
  // tag not changed since the sweep beyond `at` (forward) or before it.
  bool Forward(GtkTextIter* at, GtkTextTag* tag) const;
  bool Backward(GtkTextIter* at, GtkTextTag* tag) const;
  // False when `tag` surely does not toggle strictly between a and b; true
  // when it may (a change since the sweep may have added or removed one).
  bool MayToggle(GtkTextTag* tag, const GtkTextIter& a, const GtkTextIter& b) const;
  // `tag` was applied to or removed from..to.
  void Changed(GtkTextTag* tag, const GtkTextIter& from, const GtkTextIter& to);

private:
  struct SToggle {
    int offset;
    GtkTextIter at;
  };
  const std::vector<SToggle>* Toggles(GtkTextTag* tag) const;

  GtkTextIter start, end;
  int start_offset, end_offset;
  std::unordered_map<GtkTextTag*, std::vector<SToggle>> toggles;
  std::unordered_map<GtkTextTag*, std::set<int>> changed;
};
