#include "tree/navigation_view.h"

#include <cstdio>
#include <vector>

#include "tree/tree_rules.h"

namespace {
const char* const kScanAttributes = "standard::name,standard::type,xattr::qlorder,xattr::qlexpand";
}

CNavigationView::CNavigationView() : store(CNavigationTreeStore::create(columns, this)) {
  store->set_sort_func(columns.name, sigc::mem_fun(*this, &CNavigationView::CompareRows));
  store->set_sort_column(columns.name, Gtk::SORT_ASCENDING);
}

void CNavigationView::SetBasePath(const std::string& path) {
  base_path = path;
  files.SetBase(path);
}

std::string CNavigationView::RowPath(const Gtk::TreeModel::const_iterator& row) const {
  return Glib::ustring((*row)[columns.dir]) + Glib::ustring((*row)[columns.name]) +
         Glib::ustring((*row)[columns.ext]);
}

void CNavigationView::Populate(const std::string& folder, const Gtk::TreeModel::iterator& parent) {
  struct Entry {
    std::string name, order;
    bool directory;
    bool expanded;
  };
  // The whole directory is read before any row is made, so a failing scan
  // leaves the level as it was.
  std::vector<Entry> entries;
  try {
    auto directory = Gio::File::create_for_path(base_path + folder);
    auto enumerator = directory->enumerate_children(kScanAttributes, Gio::FILE_QUERY_INFO_NONE);
    while (auto info = enumerator->next_file()) {
      entries.push_back({info->get_name(), info->get_attribute_as_string("xattr::qlorder"),
                         info->get_file_type() == Gio::FILE_TYPE_DIRECTORY,
                         !info->get_attribute_string("xattr::qlexpand").empty()});
    }
  } catch (const Glib::Error& error) {
    printf("Gio error when expanding directory: %s\n", error.what().c_str());
    fflush(stdout);
    return;
  }

  const Glib::ustring dir = folder + "/";
  for (const Entry& entry : entries) {
    if (IsHiddenName(entry.name)) continue;
    std::string stem;
    if (!entry.directory && !IsNoteName(entry.name, &stem)) continue;
    auto it = parent ? store->prepend(parent->children()) : store->prepend();
    Gtk::TreeModel::Row row = *it;
    row[columns.name] = entry.directory ? entry.name : stem;
    row[columns.dir] = dir;
    row[columns.ext] = entry.directory ? "" : ".md";
    row[columns.order] = entry.order;
    if (entry.directory) {
      row[columns.type] = ROW_FOLDER_UNLOADED;
      AddNewEntryRow(it);
      row[columns.expanded] = entry.expanded ? 1 : 0;
    } else {
      row[columns.type] = ROW_NOTE;
    }
  }
}

void CNavigationView::AddNewEntryRow(const Gtk::TreeModel::iterator& folder) {
  auto it = store->append(folder->children());
  Gtk::TreeModel::Row row = *it;
  row[columns.type] = ROW_NEW_ENTRY;
  row[columns.name] = "+";
  row[columns.dir] = Glib::ustring((*folder)[columns.dir]) + Glib::ustring((*folder)[columns.name]) + "/";
}

void CNavigationView::ReparentChildren(const std::string& folder, const Gtk::TreeNodeChildren& children) {
  for (auto it = children.begin(); it != children.end(); ++it) {
    const std::string oldPath = RowPath(it);
    (*it)[columns.dir] = folder + "/";
    FollowOpenNote(oldPath, RowPath(it));
    const int type = (*it)[columns.type];
    if (type == ROW_FOLDER || type == ROW_FOLDER_UNLOADED)
      ReparentChildren(folder + "/" + Glib::ustring((*it)[columns.name]), it->children());
  }
}

// By path prefix, so an open note deep inside a renamed or moved folder
// follows it even where the tree never read that part of the folder.
void CNavigationView::FollowOpenNote(const std::string& oldPath, const std::string& newPath) {
  if (!host) return;
  const std::string open = host->OpenNotePath();
  if (!open.empty() && PathLeadsTo(oldPath, open)) host->RenameOpenNote(newPath + open.substr(oldPath.size()));
}

int CNavigationView::CompareRows(const Gtk::TreeModel::iterator& a, const Gtk::TreeModel::iterator& b) {
  if ((*b)[columns.type] == ROW_NEW_ENTRY) return -1;
  if ((*a)[columns.type] == ROW_NEW_ENTRY) return 1;
  const Glib::ustring orderA = (*a)[columns.order], nameA = (*a)[columns.name];
  const Glib::ustring orderB = (*b)[columns.order], nameB = (*b)[columns.name];
  return CompareSortKeys(SortKey(orderA, nameA), SortKey(orderB, nameB));
}

void CNavigationView::SetExpandAttribute(const Gtk::TreeModel::iterator& folder, const char* value) {
  // Errors (no user xattrs, vanished folder) are left to the toolkit's
  // handling of exceptions in signal handlers.
  Gio::File::create_for_path(base_path + RowPath(folder))
      ->set_attribute_string("xattr::qlexpand", value, Gio::FILE_QUERY_INFO_NONE);
}

bool CNavigationView::OnTestExpandRow(const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path&) {
  if ((*row)[columns.type] == ROW_FOLDER_UNLOADED) {
    Populate(RowPath(row), row);
    (*row)[columns.type] = ROW_FOLDER;
  }
  SetExpandAttribute(row, "1");
  (*row)[columns.expanded] = 1;
  return false;
}

void CNavigationView::OnRowExpanded(const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path&) {
  ExpandAndSelect(row->children());
}

void CNavigationView::OnRowCollapsed(const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path&) {
  SetExpandAttribute(row, "");
  (*row)[columns.expanded] = 0;
}

// Re-expands the folders stored as expanded and selects the current note.
// Expanding a folder runs OnRowExpanded for it, one level further down.
void CNavigationView::ExpandAndSelect(const Gtk::TreeNodeChildren& rows) {
  if (!tree_view) return;
  const std::string current = CurrentNotePath();
  for (auto it = rows.begin(); it != rows.end(); ++it) {
    if ((*it)[columns.expanded] == 1) tree_view->expand_row(store->get_path(it), false);
    if (!current.empty() && RowPath(it) == current) tree_view->get_selection()->select(it);
  }
}

bool CNavigationView::OpenNote(const std::string& notePath) { return !host || host->OpenNote(notePath); }

std::string CNavigationView::CurrentNotePath() const { return host ? host->CurrentNotePath() : std::string(); }
