#pragma once

#include <cstddef>
#include <string>

// Where a drawing's storage link stands in note text: "![](ql:", a payload
// of decimal digits, "," and base64 characters, then ")". Any other text
// that begins with "![](ql:" (prose about drawings, a link cut short) is
// text and stays as it stands.
struct SDrawingLink {
  size_t start = 0;    // of "![](ql:"
  size_t payload = 0;  // first byte of the payload
  size_t close = 0;    // the closing ")"
};

// The first drawing link that begins at or after `from`; false when none.
bool FindDrawingLink(const std::string& text, size_t from, SDrawingLink& link);
