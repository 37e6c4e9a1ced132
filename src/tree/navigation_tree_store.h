#pragma once

#include <gtkmm.h>

class CNavigationView;

// Kinds of rows in the note tree (the `type` column).
enum {
  ROW_NOTE = 0,
  ROW_FOLDER_UNLOADED = 1,
  ROW_FOLDER = 2,
  ROW_NEW_ENTRY = 3,
};

// The sidebar's model. Drag and drop questions are answered from the row
// kinds; the drop itself is handed to the owning view, which moves files.
class CNavigationTreeStore : public Gtk::TreeStore {
public:
  class Columns : public Gtk::TreeModelColumnRecord {
  public:
    Columns() {
      add(name);
      add(dir);
      add(ext);
      add(order);
      add(type);
      add(expanded);
    }
    Gtk::TreeModelColumn<Glib::ustring> name;   // display name, "+" on new-entry rows
    Gtk::TreeModelColumn<Glib::ustring> dir;    // note path of the folder, ending in "/"
    Gtk::TreeModelColumn<Glib::ustring> ext;    // ".md" on notes
    Gtk::TreeModelColumn<Glib::ustring> order;  // "xattr::qlorder", empty when absent
    Gtk::TreeModelColumn<int> type;             // ROW_*
    Gtk::TreeModelColumn<int> expanded;         // 1 when the folder is to be shown expanded
  };

  static Glib::RefPtr<CNavigationTreeStore> create(const Columns& columns, CNavigationView* owner);

protected:
  CNavigationTreeStore(const Columns& columns, CNavigationView* owner);

  bool row_draggable_vfunc(const Gtk::TreeModel::Path& path) const override;
  bool row_drop_possible_vfunc(const Gtk::TreeModel::Path& dest,
                               const Gtk::SelectionData& selection_data) const override;
  bool drag_data_received_vfunc(const Gtk::TreeModel::Path& dest,
                                const Gtk::SelectionData& selection_data) override;

private:
  // The kind of the row at `path`, or -1 when there is none.
  int RowType(const Gtk::TreeModel::Path& path) const;

  const Columns* columns;
  CNavigationView* owner;
};
