#include "tree/tree_rules.h"

bool IsHiddenName(const std::string& name) { return !name.empty() && name[0] == '.'; }

bool IsNoteName(const std::string& name, std::string* stem) {
  static const std::string suffix = ".md";
  const auto at = name.find(suffix);
  if (at == std::string::npos || at + suffix.size() != name.size()) return false;
  if (stem) *stem = name.substr(0, at);
  return true;
}

const Glib::ustring& SortKey(const Glib::ustring& order, const Glib::ustring& name) {
  return order.empty() ? name : order;
}

int CompareSortKeys(const Glib::ustring& a, const Glib::ustring& b) {
  return a.compare(b) < 0 ? -1 : 1;
}

bool PathLeadsTo(const std::string& row, const std::string& target) {
  if (target.compare(0, row.size(), row) != 0) return false;
  return target.size() == row.size() || target[row.size()] == '/';
}

bool IsUsableName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos;
}
