#pragma once

#include <string>

// Decodes "%XX" escapes of a link target. A "%" that starts no number is
// dropped, and so is an escape of the zero byte; the result is bytes, not
// necessarily valid UTF-8.
std::string PercentDecode(const std::string& text);
