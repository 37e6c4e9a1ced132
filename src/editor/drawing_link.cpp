#include "editor/drawing_link.h"

namespace {

const char kOpening[] = "![](ql:";
const size_t kOpeningLength = sizeof kOpening - 1;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBase64(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '+' || c == '/' || c == '=';
}

// The ")" that closes a payload starting at `at`, or npos when the text
// there is no payload.
size_t PayloadEnd(const std::string& text, size_t at) {
  size_t p = at;
  while (p < text.size() && IsDigit(text[p])) ++p;
  if (p == at || p == text.size() || text[p] != ',') return std::string::npos;
  ++p;
  while (p < text.size() && IsBase64(text[p])) ++p;
  return p < text.size() && text[p] == ')' ? p : std::string::npos;
}

}  // namespace

bool FindDrawingLink(const std::string& text, size_t from, SDrawingLink& link) {
  for (size_t q = text.find(kOpening, from); q != std::string::npos; q = text.find(kOpening, q + 1)) {
    const size_t close = PayloadEnd(text, q + kOpeningLength);
    if (close == std::string::npos) continue;
    link = {q, q + kOpeningLength, close};
    return true;
  }
  return false;
}
