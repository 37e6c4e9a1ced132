#pragma once

#include <string>

// Writes the "markdownlisting" language, one fenced-block context per
// installed language, and returns its directory ("" on failure). A file
// left by an earlier start is reused as it is.
std::string GenerateCodeBlockLanguage(const std::string& directory = "/tmp/quillon.gsv");
