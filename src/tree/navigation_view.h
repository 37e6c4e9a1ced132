#pragma once

#include <gtkmm.h>

#include <memory>
#include <string>

#include "tree/navigation_tree_store.h"
#include "tree/tree_files.h"
#include "tree/tree_host.h"

// The sidebar's note tree: reads the notes base into the model, keeps the
// folders' expanded state on disk, and turns edits of the tree into file
// operations. Talks to the window of the open note only through the host
// given to Attach; without one (tests) those calls are skipped.
class CNavigationView {
public:
  CNavigationView();
  CNavigationView(const CNavigationView&) = delete;
  CNavigationView& operator=(const CNavigationView&) = delete;

  void SetBasePath(const std::string& path);
  void Attach(CTreeHost* host, Gtk::TreeView* view);

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
  // Asks for confirmation, closes the open note, then moves the selected
  // note or folder to the trash, or deletes it for good where the file
  // system has no trash.
  void OnDelete();
  // Trashes the row's file or directory, or deletes it `forGood`; the row
  // goes only if that worked.
  bool DeleteRow(const Gtk::TreeModel::iterator& row, bool forGood = false);
  // Moves a row's entry to the folder of `dest` (drag and drop).
  bool MoveRow(const Gtk::TreeModel::Path& source, const Gtk::TreeModel::Path& dest);

  const CNavigationTreeStore::Columns& Columns() const { return columns; }
  Glib::RefPtr<CNavigationTreeStore> Store() const { return store; }
  const std::string& BasePath() const { return base_path; }
  Gtk::Menu& ContextMenu() { return context_menu; }
  // The last refusal or failure shown to the user; null when none.
  Gtk::MessageDialog* ProblemDialog() { return problem_dialog.get(); }

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
  bool OpenNote(const std::string& notePath);
  std::string CurrentNotePath() const;
  // A name the user may give; refusals of a non-empty name are shown.
  bool AcceptName(const std::string& name);
  // Tells the user in a dialog beside the window, without waiting.
  void ShowProblem(const std::string& primary, const std::string& secondary);
  // A failed file operation: a line on standard error and a dialog.
  void ReportFailure(const std::string& what, const std::string& name, const std::string& error);

  CNavigationTreeStore::Columns columns;
  std::string base_path;
  CTreeHost* host = nullptr;
  Gtk::TreeView* tree_view = nullptr;
  Glib::RefPtr<CNavigationTreeStore> store;
  Gtk::Menu context_menu;
  CTreeFiles files;
  std::unique_ptr<Gtk::MessageDialog> problem_dialog;
  sigc::connection editing_started_connection, edited_connection, row_activated_connection,
      test_expand_connection, row_expanded_connection, row_collapsed_connection,
      button_press_connection;
};
