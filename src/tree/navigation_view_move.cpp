// Moving a note or folder to another folder by drag and drop.
#include <cstdio>

#include "tree/navigation_view.h"

bool CNavigationView::MoveRow(const Gtk::TreeModel::Path& source, const Gtk::TreeModel::Path& dest) {
  auto from = store->get_iter(source);
  if (!from) return false;
  const std::string oldPath = RowPath(from);

  Glib::ustring dir = "/";
  Gtk::TreeModel::iterator parent;
  if (dest.size() > 1) {
    Gtk::TreeModel::Path parentPath = dest;
    parentPath.up();
    parent = store->get_iter(parentPath);
    if (!parent) return false;
    dir = RowPath(parent) + "/";
  }
  const std::string newPath = dir + Glib::ustring((*from)[columns.name]) + Glib::ustring((*from)[columns.ext]);
  printf("Move: %s -> %s\n", oldPath.c_str(), newPath.c_str());
  fflush(stdout);

  std::string error;
  if (!files.Move(oldPath, newPath, error)) {
    printf("Failed to move: %s\n", error.c_str());
    fflush(stdout);
    // A drop back into its own folder only asks for another order, which
    // the sort order decides: nothing to tell the user.
    if (newPath != oldPath) ReportFailure("move", Glib::ustring((*from)[columns.name]), error);
    return false;
  }
  (*from)[columns.dir] = dir;
  FollowOpenNote(oldPath, newPath);
  const int type = (*from)[columns.type];
  const bool folder = type == ROW_FOLDER || type == ROW_FOLDER_UNLOADED;

  // A folder not read yet finds the entry itself when it is first expanded;
  // a row added now would show the entry twice.
  if (parent && (*parent)[columns.type] == ROW_FOLDER_UNLOADED) {
    if (folder) ReparentChildren(newPath, from->children());
    store->erase(from);
    return true;
  }

  Gtk::TreeModel::iterator to;
  if (!dest.empty() && dest.back() > 0) {
    Gtk::TreeModel::Path previous = dest;
    previous.prev();
    auto after = store->get_iter(previous);
    if (!after) {
      printf("Failed to get insertion point for %s! Navigation view may now be inconsistent.\n",
             previous.to_string().c_str());
      fflush(stdout);
      return false;
    }
    to = store->insert_after(after);
  } else {
    to = parent ? store->prepend(parent->children()) : store->prepend();
  }
  Gtk::TreeModel::Row row = *to;
  row[columns.name] = Glib::ustring((*from)[columns.name]);
  row[columns.dir] = Glib::ustring((*from)[columns.dir]);
  row[columns.ext] = Glib::ustring((*from)[columns.ext]);
  row[columns.order] = Glib::ustring((*from)[columns.order]);
  row[columns.expanded] = int((*from)[columns.expanded]);
  row[columns.type] = type;

  if (folder) {
    ReparentChildren(newPath, from->children());
    store->erase(from);
    row[columns.type] = ROW_FOLDER_UNLOADED;
    AddNewEntryRow(to);
    if (row[columns.expanded] == 1 && tree_view) tree_view->expand_row(store->get_path(to), false);
  } else {
    store->erase(from);
    row[columns.type] = ROW_NOTE;
    if (tree_view) tree_view->get_selection()->select(to);
  }
  return true;
}
