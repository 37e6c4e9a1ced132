#include "editor/percent_decode.h"

#include <cstdio>

std::string PercentDecode(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  size_t p = 0;
  for (;;) {
    size_t percent = text.find('%', p);
    if (percent == std::string::npos) {
      result.append(text, p, std::string::npos);
      break;
    }
    result.append(text, p, percent - p);
    // At most the two characters after the "%": scanning a copy keeps
    // sscanf from skipping blanks into the text beyond them.
    std::string digits = text.substr(percent + 1, 2);
    unsigned value = 0;
    int consumed = 0;
    if (std::sscanf(digits.c_str(), "%02X%n", &value, &consumed) == 1 && consumed > 0 && (value & 0xFF) != 0)
      result += char(value & 0xFF);
    p = percent + size_t(consumed) + 1;
    if (p >= text.size()) break;
  }
  return result;
}
