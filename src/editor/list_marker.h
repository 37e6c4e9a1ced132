#pragma once

#include <string>

// The item marker that starts a line, as list continuation sees it.
struct ListMarker {
  enum Kind { NONE, NUMBERED, BULLET, QUOTE } kind = NONE;
  std::string next;  // what the following line starts with
};

// `prefix` is the line's indentation and its first word with the blank or
// line break after it ("  12.\t", "- ", "> ").
ListMarker ParseListMarker(const std::string& prefix);
