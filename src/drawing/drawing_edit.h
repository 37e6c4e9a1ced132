#pragma once

#include <utility>
#include <vector>

#include "drawing/stroke.h"
#include "editor/undo_history.h"

// What one pen gesture changed in one drawing, so that undo can take it
// back and redo can make it again: strokes removed (eraser, deletion of a
// selection), or strokes added after the drawing was moved and resized.
struct SDrawingEdit : SObjectEdit {
  // Removed strokes with the index each had when it was removed, in order.
  std::vector<std::pair<int, CStroke>> removed;
  // Added at the end, in the drawing's coordinates.
  std::vector<CStroke> added;
  // Size before and after; the strokes that were there moved by shift.
  int old_width = 0, old_height = 0, new_width = 0, new_height = 0;
  float shift_x = 0, shift_y = 0;
  // The strokes before a shift: moving points back and forth in single
  // precision would not give the same bits.
  std::vector<CStroke> before;
};
