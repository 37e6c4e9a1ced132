#pragma once

#include <gtkmm.h>

#include <string>

#include "tree/navigation_tree_store.h"

class CMainWindow;

// The sidebar's note tree: reads the notes base into the model, keeps the
// folders' expanded state on disk, and turns edits of the tree into file
// operations. Talks to the main window only through the pointer given to
// Attach; without a window (tests) those calls are skipped.
class CNavigationView {
public:
  CNavigationView();
  CNavigationView(const CNavigationView&) = delete;
  CNavigationView& operator=(const CNavigationView&) = delete;

  void SetBasePath(const std::string& path);
  void Attach(CMainWindow* window, Gtk::TreeView* view);

  // Walking the tree (actions "next-note" and "prev-note").
  void NextNote();
  void PreviousNote();
  // Selects the row of a note path, loading and expanding folders on the way.
  void SelectPath(const Glib::ustring& notePath);

  std::string RowPath(const Gtk::TreeModel::const_iterator& row) const;
  // Reads notes base + `folder` into the children of `parent`, or into the
  // top level when `parent` is not set.
  void Populate(const std::string& folder, const Gtk::TreeModel::iterator& parent);
  void AddNewEntryRow(const Gtk::TreeModel::iterator& folder);
  void ReparentChildren(const std::string& folder, const Gtk::TreeNodeChildren& children);
  void FollowOpenNote(const std::string& oldPath, const std::string& newPath);
  int CompareRows(const Gtk::TreeModel::iterator& a, const Gtk::TreeModel::iterator& b);

  bool OnTestExpandRow(const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path& path);
  void OnRowExpanded(const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path& path);
  void OnRowCollapsed(const Gtk::TreeModel::iterator& row, const Gtk::TreeModel::Path& path);

  void OnRowActivated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn* column);
  void RenderName(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& row);
  void OnEditingStarted(Gtk::CellEditable* editable, const Glib::ustring& path);
  void OnNameEdited(const Glib::ustring& path, const Glib::ustring& text);
  bool OnButtonPress(GdkEventButton* event);
  // Asks for confirmation, then deletes the selected note or folder.
  void OnDelete();
  // Deletes the row's file or directory; the row goes only if that worked.
  bool DeleteRow(const Gtk::TreeModel::iterator& row);
  // Moves a row's entry to the folder of `dest` (drag and drop).
  bool MoveRow(const Gtk::TreeModel::Path& source, const Gtk::TreeModel::Path& dest);

  const CNavigationTreeStore::Columns& Columns() const { return columns; }
  Glib::RefPtr<CNavigationTreeStore> Store() const { return store; }
  const std::string& BasePath() const { return base_path; }
  Gtk::Menu& ContextMenu() { return context_menu; }

private:
  void RenameRow(const Gtk::TreeModel::iterator& row, const std::string& name);
  Gtk::TreeModel::iterator InsertBefore(const Gtk::TreeModel::iterator& entry, const std::string& name,
                                        const char* ext, int type);
  void CreateFolder(const Gtk::TreeModel::iterator& entry, const std::string& name);
  void CreateNote(const Gtk::TreeModel::iterator& entry, const std::string& name);
  void SetExpandAttribute(const Gtk::TreeModel::iterator& folder, const char* value);
  void ExpandAndSelect(const Gtk::TreeNodeChildren& rows);
  // The view's cursor row; empty when there is none.
  Gtk::TreeModel::Path CursorPath() const;
  void MoveCursorAndActivate(const Gtk::TreeModel::Path& path);
  // False when the window kept the open note (its changes could not be saved).
  bool OpenDocument(const std::string& notePath);
  std::string CurrentNotePath() const;

  CNavigationTreeStore::Columns columns;
  std::string base_path;
  CMainWindow* window = nullptr;
  Gtk::TreeView* tree_view = nullptr;
  Glib::RefPtr<CNavigationTreeStore> store;
  Gtk::Menu context_menu;
  sigc::connection editing_started_connection, edited_connection, row_activated_connection,
      test_expand_connection, row_expanded_connection, row_collapsed_connection,
      button_press_connection;
};
