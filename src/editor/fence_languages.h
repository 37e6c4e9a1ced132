#pragma once

#include <set>
#include <string>

// The language names that the opening fences of a text name: the first word
// after three backquotes and optional blanks at the start of a line. Words
// that cannot be a language id are left out.
std::set<std::string> FenceLanguages(const std::string& text);

// Of the named languages, those that are installed and not yet covered.
std::set<std::string> LanguagesToAdd(const std::set<std::string>& named, const std::set<std::string>& covered,
                                     const std::set<std::string>& installed);

// A directory name for the code-block language of exactly these ids: the
// same for the same set, whatever the order it was built in.
std::string ListingDirectoryName(const std::set<std::string>& ids);
