#include "tree/navigation_tree_store.h"

#include <cstdio>

#include "tree/navigation_view.h"

Glib::RefPtr<CNavigationTreeStore> CNavigationTreeStore::create(const Columns& columns,
                                                                CNavigationView* owner) {
  return Glib::RefPtr<CNavigationTreeStore>(new CNavigationTreeStore(columns, owner));
}

CNavigationTreeStore::CNavigationTreeStore(const Columns& columns, CNavigationView* owner)
    : Gtk::TreeStore(columns), columns(&columns), owner(owner) {}

int CNavigationTreeStore::RowType(const Gtk::TreeModel::Path& path) const {
  // The toolkit's get_iter is not const, though it changes nothing.
  auto it = const_cast<CNavigationTreeStore*>(this)->get_iter(path);
  return it ? int((*it)[columns->type]) : -1;
}

bool CNavigationTreeStore::row_draggable_vfunc(const Gtk::TreeModel::Path& path) const {
  const int type = RowType(path);
  return type >= 0 && type != ROW_NEW_ENTRY;
}

bool CNavigationTreeStore::row_drop_possible_vfunc(const Gtk::TreeModel::Path& dest,
                                                   const Gtk::SelectionData&) const {
  // Nothing goes after a "+" row: it stays last.
  if (!dest.empty() && dest.back() > 0) {
    Gtk::TreeModel::Path previous = dest;
    previous.prev();
    if (RowType(previous) == ROW_NEW_ENTRY) return false;
  }
  if (dest.size() > 1) {
    Gtk::TreeModel::Path parent = dest;
    parent.up();
    const int type = RowType(parent);
    return type == ROW_FOLDER_UNLOADED || type == ROW_FOLDER;
  }
  return true;
}

bool CNavigationTreeStore::drag_data_received_vfunc(const Gtk::TreeModel::Path& dest,
                                                    const Gtk::SelectionData& selection_data) {
  Gtk::TreeModel::Path source;
  if (!Gtk::TreeModel::Path::get_from_selection_data(selection_data, source)) return false;
  printf("drag data received: %s\n", source.to_string().c_str());
  fflush(stdout);
  if (owner) owner->MoveRow(source, dest);
  // MoveRow already removed the source row; the view must not delete it again.
  return false;
}
