#pragma once

#include <glibmm/ustring.h>

#include <string>

// Plain rules of the note tree, kept free of widgets so they can be
// checked without a display.

// Dot files and dot folders (".images" among them) stay out of the tree.
bool IsHiddenName(const std::string& name);

// A file is a note when the first ".md" in its name ends the name;
// `stem` then receives the name without it.
bool IsNoteName(const std::string& name, std::string* stem = nullptr);

// The key a row sorts by: its order key when it has one, else its name.
const Glib::ustring& SortKey(const Glib::ustring& order, const Glib::ustring& name);

// Collation of two sort keys; never 0, so equal keys have no fixed order.
int CompareSortKeys(const Glib::ustring& a, const Glib::ustring& b);

// True when the note path `target` lies at or below the row path `row`.
// A folder /Work contains /Work/x.md but not /Workshop/x.md.
bool PathLeadsTo(const std::string& row, const std::string& target);

// A name the user may give to a note or folder: not empty and without "/".
bool IsUsableName(const std::string& name);
