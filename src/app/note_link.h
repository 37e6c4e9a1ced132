#pragma once

#include <string>

// How a clicked link target is interpreted.
namespace note_link {

// The URI scheme of `target`, or "" when it has none.
std::string Scheme(const std::string& target);

// Resolves a target against the folder of the open note, or against the
// root when it begins with "/". Both are paths in a tree whose root is the
// notes base, so the result always begins with "/" and ".." never climbs
// above the root.
std::string Resolve(const std::string& openNotePath, const std::string& target);

}  // namespace note_link
