#pragma once

#include <cstddef>
#include <map>

#include "drawing/pen_event.h"

// Pen mode of every input device seen: 0 text, 1 draw, 2 erase, 3 select.
// A device keeps its mode for the life of the window; one seen for the
// first time starts in the mode of its kind.
class CDeviceModes {
public:
  bool Knows(const void* device) const { return modes.count(device) != 0; }
  // A device nobody has seen yet reads as text.
  int ModeOf(const void* device) const;
  void Set(const void* device, int mode) { modes[device] = mode; }
  size_t Size() const { return modes.size(); }
  // First seen in a press: tablets (five axes or more) draw, others type.
  int EnterForPress(const void* device, int axes);
  // First seen in a motion: pens draw, erasers erase, the rest type.
  int EnterForSource(const void* device, EPenSource source);

private:
  std::map<const void*, int> modes;
};
