#pragma once

#include <set>
#include <string>

// Writes the "markdownlisting" language with one fenced-block context for
// each of `ids` that is an installed, visible language, into a directory of
// its own below `root`, named after the set; returns that directory ("" on
// failure). A file left there by an earlier start is reused as it is.
std::string GenerateCodeBlockLanguage(const std::set<std::string>& ids, const std::string& root = "/tmp/quillon.gsv");

// The ids of the installed languages that are not hidden.
const std::set<std::string>& InstalledLanguages();
