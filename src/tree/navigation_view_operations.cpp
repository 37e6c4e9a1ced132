// The sidebar's behaviour: set-up, walking, and file operations by editing.
#include <cstdio>
#include <memory>

#include "tree/navigation_view.h"
#include "tree/tree_rules.h"

namespace {
bool IsFolderType(int type) { return type == ROW_FOLDER || type == ROW_FOLDER_UNLOADED; }

std::string Quoted(const std::string& name) { return "\u201c" + name + "\u201d"; }
}  // namespace

void CNavigationView::Attach(CTreeHost* h, Gtk::TreeView* view) {
  host = h;
  tree_view = view;
  tree_view->get_selection()->set_mode(Gtk::SELECTION_BROWSE);
  tree_view->set_size_request(200, -1);
  tree_view->set_headers_visible(false);
  tree_view->set_enable_tree_lines(true);
  tree_view->set_model(store);
  tree_view->set_activate_on_single_click(true);

  tree_view->enable_model_drag_source(Gdk::MODIFIER_MASK, Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
  tree_view->enable_model_drag_dest(Gdk::ACTION_COPY | Gdk::ACTION_MOVE);
  tree_view->set_reorderable(true);

  auto column = Gtk::manage(new Gtk::TreeViewColumn("Name"));
  auto renderer = Gtk::manage(new Gtk::CellRendererText());
  column->pack_start(*renderer);
  column->set_cell_data_func(*renderer, sigc::mem_fun(*this, &CNavigationView::RenderName));
  tree_view->append_column(*column);

  editing_started_connection =
      renderer->signal_editing_started().connect(sigc::mem_fun(*this, &CNavigationView::OnEditingStarted));
  edited_connection = renderer->signal_edited().connect(sigc::mem_fun(*this, &CNavigationView::OnNameEdited));
  row_activated_connection =
      tree_view->signal_row_activated().connect(sigc::mem_fun(*this, &CNavigationView::OnRowActivated));
  test_expand_connection =
      tree_view->signal_test_expand_row().connect(sigc::mem_fun(*this, &CNavigationView::OnTestExpandRow));
  row_expanded_connection =
      tree_view->signal_row_expanded().connect(sigc::mem_fun(*this, &CNavigationView::OnRowExpanded));
  row_collapsed_connection =
      tree_view->signal_row_collapsed().connect(sigc::mem_fun(*this, &CNavigationView::OnRowCollapsed));
  button_press_connection = tree_view->signal_button_press_event().connect(
      sigc::mem_fun(*this, &CNavigationView::OnButtonPress), false);

  // Initial load: folders reopen as they were left.
  Populate("", Gtk::TreeModel::iterator());
  ExpandAndSelect(store->children());
  Gtk::TreeModel::Row top = *store->append();
  top[columns.type] = ROW_NEW_ENTRY;
  top[columns.name] = "+";
  top[columns.dir] = "/";

  auto item = Gtk::manage(new Gtk::MenuItem("_Delete", true));
  item->signal_activate().connect(sigc::mem_fun(*this, &CNavigationView::OnDelete));
  context_menu.append(*item);
  context_menu.accelerate(*tree_view);
  context_menu.show_all();
}

void CNavigationView::RenderName(Gtk::CellRenderer* renderer, const Gtk::TreeModel::iterator& row) {
  auto text = static_cast<Gtk::CellRendererText*>(renderer);
  text->property_text() = Glib::ustring((*row)[columns.name]);
  text->property_editable() = true;
}

bool CNavigationView::OnButtonPress(GdkEventButton* event) {
  if (event->type == GDK_BUTTON_PRESS && event->button == 3)
    context_menu.popup_at_pointer(reinterpret_cast<GdkEvent*>(event));
  return false;
}

void CNavigationView::OnRowActivated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*) {
  printf("activate row\n");
  fflush(stdout);
  auto it = store->get_iter(path);
  if (it && (*it)[columns.type] == ROW_NOTE) OpenNote(RowPath(it));
}

void CNavigationView::MoveCursorAndActivate(const Gtk::TreeModel::Path& path) {
  if (!store->get_iter(path)) return;
  tree_view->set_cursor(path);
  tree_view->row_activated(path, *tree_view->get_column(0));
}

Gtk::TreeModel::Path CNavigationView::CursorPath() const {
  Gtk::TreeModel::Path cursor;
  Gtk::TreeViewColumn* column = nullptr;
  if (tree_view) tree_view->get_cursor(cursor, column);
  return cursor;
}

void CNavigationView::NextNote() {
  Gtk::TreeModel::Path cursor = CursorPath();
  if (cursor.empty()) return;
  if (tree_view->row_expanded(cursor)) {
    cursor.down();
    MoveCursorAndActivate(cursor);
    return;
  }
  // Next sibling, else the parent's next sibling, and so on upwards.
  for (Gtk::TreeModel::Path level = cursor; !level.empty(); level.up()) {
    Gtk::TreeModel::Path candidate = level;
    candidate.next();
    if (store->get_iter(candidate)) {
      MoveCursorAndActivate(candidate);
      return;
    }
  }
}

void CNavigationView::PreviousNote() {
  Gtk::TreeModel::Path target = CursorPath();
  if (target.empty()) return;
  if (target.prev()) {
    // Into the deepest last row shown under the previous sibling.
    while (tree_view->row_expanded(target)) {
      const auto count = store->get_iter(target)->children().size();
      target.down();
      for (size_t i = 1; i < count; ++i) target.next();
    }
  } else if (target.size() >= 2) {
    target.up();
  }
  MoveCursorAndActivate(target);
}

void CNavigationView::SelectPath(const Glib::ustring& notePath) {
  if (!tree_view) return;
  const std::string target = notePath;
  auto rows = store->children();
  for (auto it = rows.begin(); it != rows.end();) {
    const std::string rowPath = RowPath(it);
    if (!PathLeadsTo(rowPath, target)) {
      ++it;
      continue;
    }
    if (rowPath == target) {
      tree_view->get_selection()->select(it);
      return;
    }
    if (!IsFolderType((*it)[columns.type])) {
      ++it;
      continue;
    }
    // Expanding loads an unread folder through OnTestExpandRow.
    tree_view->expand_row(store->get_path(it), false);
    rows = it->children();
    it = rows.begin();
  }
}

void CNavigationView::OnEditingStarted(Gtk::CellEditable* editable, const Glib::ustring&) {
  auto entry = dynamic_cast<Gtk::Entry*>(editable);
  if (entry && entry->get_text() == "+") entry->set_text("");
}

void CNavigationView::OnNameEdited(const Glib::ustring& path, const Glib::ustring& text) {
  auto it = store->get_iter(path);
  if (!it) return;
  const std::string name = text;
  if ((*it)[columns.type] != ROW_NEW_ENTRY)
    RenameRow(it, name);
  else if (!name.empty() && name.back() == '/')
    CreateFolder(it, name.substr(0, name.size() - 1));
  else
    CreateNote(it, name);
}

bool CNavigationView::AcceptName(const std::string& name) {
  if (name.empty()) return false;
  if (IsHiddenName(name)) {
    ShowProblem("Names cannot begin with \u201c.\u201d",
                "Notes and folders whose names begin with a dot are not shown in the sidebar, so " + Quoted(name) +
                    " would vanish from it.");
    return false;
  }
  if (!IsUsableName(name)) {
    ShowProblem("Names cannot contain \u201c/\u201d",
                "To make a note inside a folder, use the \u201c+\u201d row in that folder.");
    return false;
  }
  return true;
}

void CNavigationView::ShowProblem(const std::string& primary, const std::string& secondary) {
  if (!tree_view) return;
  auto* parent = dynamic_cast<Gtk::Window*>(tree_view->get_toplevel());
  if (parent)
    problem_dialog = std::make_unique<Gtk::MessageDialog>(*parent, primary, false, Gtk::MESSAGE_ERROR, Gtk::BUTTONS_OK);
  else
    problem_dialog = std::make_unique<Gtk::MessageDialog>(primary, false, Gtk::MESSAGE_ERROR, Gtk::BUTTONS_OK);
  problem_dialog->set_secondary_text(secondary, false);
  // Not run modally: the tree's edit goes on, and OK only closes it.
  problem_dialog->signal_response().connect([this](int) { problem_dialog->hide(); });
  problem_dialog->show();
}

void CNavigationView::ReportFailure(const std::string& what, const std::string& name, const std::string& error) {
  std::fprintf(stderr, "Error: Could not %s %s: %s\n", what.c_str(), name.c_str(), error.c_str());
  ShowProblem("Could not " + what + " " + Quoted(name), error);
}

void CNavigationView::RenameRow(const Gtk::TreeModel::iterator& it, const std::string& name) {
  const std::string dir = Glib::ustring((*it)[columns.dir]);
  const std::string ext = Glib::ustring((*it)[columns.ext]);
  const std::string oldName = Glib::ustring((*it)[columns.name]);
  if (name == oldName || !AcceptName(name)) return;
  const std::string oldPath = RowPath(it);
  std::string error;
  // Never onto an existing entry: that would replace a note or swallow
  // the folder.
  if (!files.Move(oldPath, dir + name + ext, error)) return ReportFailure("rename", oldName, error);
  (*it)[columns.name] = name;
  FollowOpenNote(oldPath, RowPath(it));
  if ((*it)[columns.type] != ROW_NOTE) ReparentChildren(dir + name, it->children());
}

// A new row beside a new-entry row; the sort order then places it.
Gtk::TreeModel::iterator CNavigationView::InsertBefore(const Gtk::TreeModel::iterator& entry,
                                                       const std::string& name, const char* ext, int type) {
  const Glib::ustring dir = (*entry)[columns.dir];
  auto it = store->insert(entry);
  Gtk::TreeModel::Row row = *it;
  row[columns.name] = name;
  row[columns.dir] = dir;
  row[columns.ext] = ext;
  row[columns.type] = type;
  return it;
}

void CNavigationView::CreateFolder(const Gtk::TreeModel::iterator& entry, const std::string& name) {
  const std::string dir = Glib::ustring((*entry)[columns.dir]);
  std::string error;
  if (!AcceptName(name)) return;
  if (!files.MakeFolder(dir + name, error)) return ReportFailure("create the folder", name, error);
  auto it = InsertBefore(entry, name, "", ROW_FOLDER);
  AddNewEntryRow(it);
  if (!tree_view) return;
  tree_view->expand_row(store->get_path(it), false);
  tree_view->set_cursor(store->get_path(it));
}

void CNavigationView::CreateNote(const Gtk::TreeModel::iterator& entry, const std::string& name) {
  const std::string dir = Glib::ustring((*entry)[columns.dir]);
  std::string error;
  if (!AcceptName(name)) return;
  // Exclusive: a second row for an existing file would go stale on its
  // first rename.
  if (!files.CreateNote(dir + name + ".md", error)) return ReportFailure("create the note", name, error);
  auto it = InsertBefore(entry, name, ".md", ROW_NOTE);
  if (tree_view) tree_view->set_cursor(store->get_path(it));
  OpenNote(RowPath(it));
}

void CNavigationView::OnDelete() {
  if (!tree_view) return;
  auto it = tree_view->get_selection()->get_selected();
  if (!it || (*it)[columns.type] == ROW_NEW_ENTRY) return;
  const bool folder = IsFolderType((*it)[columns.type]);
  const Glib::ustring name = (*it)[columns.name];
  const bool trash = files.CanTrash(RowPath(it));
  const Glib::ustring primary = (folder ? "Delete FOLDER " : "Delete note ") + name + "?";
  const char* secondary =
      trash ? (folder ? "The folder and every note in it go to the trash, from where they can be restored."
                      : "The note goes to the trash, from where it can be restored.")
            : (folder ? "This file system has no trash: the folder and every note in it will be deleted for good."
                      : "This file system has no trash: the note will be deleted for good.");
  const auto kind = folder || !trash ? Gtk::MESSAGE_WARNING : Gtk::MESSAGE_QUESTION;
  auto* parent = dynamic_cast<Gtk::Window*>(tree_view->get_toplevel());
  std::unique_ptr<Gtk::MessageDialog> dialog;
  if (parent)
    dialog = std::make_unique<Gtk::MessageDialog>(*parent, primary, false, kind, Gtk::BUTTONS_OK_CANCEL);
  else
    dialog = std::make_unique<Gtk::MessageDialog>(primary, false, kind, Gtk::BUTTONS_OK_CANCEL);
  dialog->set_secondary_text(secondary, false);
  // Cancel is what Return does: nothing goes without a deliberate choice.
  dialog->set_default_response(Gtk::RESPONSE_CANCEL);
  if (dialog->run() != Gtk::RESPONSE_OK) return;
  dialog->hide();
  // The open note is closed first; an edit that cannot be saved keeps it
  // open, and then nothing is deleted.
  if (!OpenNote("")) return;
  DeleteRow(it, !trash);
}

bool CNavigationView::DeleteRow(const Gtk::TreeModel::iterator& it, bool forGood) {
  const int type = (*it)[columns.type];
  if (type == ROW_NEW_ENTRY) return false;
  const std::string notePath = RowPath(it);
  std::string error;
  if (forGood ? !files.Delete(notePath, error) : !files.Trash(notePath, error)) {
    ReportFailure("delete", Glib::ustring((*it)[columns.name]), error);
    return false;
  }
  store->erase(it);
  return true;
}
