#pragma once

#include <gdkmm/cursor.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>
#include <json/json.h>

#include <string>

#include "app/background_save.h"
#include "app/note_sync.h"
#include "app/note_export.h"
#include "app/safe_file_writer.h"
#include "editor/notebook.h"
#include "tree/navigation_view.h"
#include "tree/tree_host.h"

// The one top-level window: sidebar, editor, search bar and pen toolbar.
class CMainWindow : public Gtk::ApplicationWindow, public CTreeHost {
public:
  explicit CMainWindow(const Glib::RefPtr<Gtk::Application>& application);
  ~CMainWindow() override;

  // Dispatcher behind the menu check items, window actions and colours.
  void OnAction(const std::string& name, int kind, int value);
  void OnLinkActivated(const Glib::ustring& target);

  // Opening and saving notes. OpenDocument is false when it refused to
  // leave the open note because its changes could not be saved.
  bool OpenDocument(const std::string& notePath);
  // Saves now, after any save still being written; false when the
  // editor's changes are not on disk.
  bool SaveDocument();
  void SetActiveDocument(const std::string& notePath);
  // One autosave decision at wall-clock time `now` (microseconds); the
  // file is written in the background.
  bool AutosaveTick(gint64 now);
  bool SaveInProgress() const { return background_save.Busy(); }
  // Waits for the save being written and takes in its result.
  void FinishSave() { background_save.Finish(); }
  // Compares the open note with its file, as a reported change of the
  // file does: reloads it, or keeps both versions when both changed.
  void CheckNoteOnDisk();

  // Exports the open note to the name chosen in the export dialog, with
  // its PDF filter selected or not.
  void ExportTo(const std::string& chosen, bool pdfFilter);
  CNoteExport& NoteExport() { return note_export; }

  void LoadConfig();
  void SaveConfig();

  // Pen colours of the configuration (numbered from 1).
  void ReadColor(int n, float& r, float& g, float& b);
  void WriteColor(int n, float r, float g, float b);
  void WriteColorRules();

  // What the note tree asks of the window.
  bool OpenNote(const std::string& notePath) override;
  void RenameOpenNote(const std::string& notePath) override { SetActiveDocument(notePath); }
  const std::string& OpenNotePath() const override { return open_note_path; }
  const std::string& CurrentNotePath() const override { return current_note_path; }
  const std::string& ConfigPath() const { return config_path; }
  const std::string& DefaultNotesPath() const { return default_notes_path; }
  const std::string& ResourcePath() const { return resource_path; }
  // The notes base the window started with; a new one in the
  // configuration waits for the next start.
  const std::string& NotesBase() const { return notes_base; }
  Json::Value& Config() { return config; }
  CNotebook& Notebook() { return notebook; }
  CNavigationView& NavigationView() { return navigation; }
  Gtk::SearchBar& SearchBar() { return search_bar; }
  Gtk::SearchEntry& SearchEntry() { return search_entry; }
  Gtk::ScrolledWindow& Sidebar() { return sidebar; }
  Gtk::CheckMenuItem& HideSidebarItem() { return hide_sidebar_item; }
  Gtk::CheckMenuItem& FullRenderingItem() { return full_rendering_item; }
  Gtk::MenuBar& MenuBar() { return menu_bar; }
  Gtk::HeaderBar& HeaderBar() { return header_bar; }
  bool UsesHeaderBar() const { return use_headerbar; }
  Glib::RefPtr<Gtk::Builder> ToolbarBuilder() { return toolbar_builder; }
  Gtk::Toolbar* Toolbar() { return toolbar; }
  Glib::RefPtr<Gdk::Cursor> PenCursor(int mode) { return pen_cursors[mode]; }
  // How notes reach the disk; tests make its steps fail.
  CSafeFileWriter& NoteWriter() { return note_writer; }
  // Shown while the open note cannot be saved, and after a conflict copy
  // was made (which it offers to open).
  Gtk::InfoBar& SaveErrorBar() { return save_error_bar; }
  Gtk::InfoBar& ConflictBar() { return conflict_bar; }
  const std::string& ConflictCopyPath() const { return conflict_copy_path; }

private:
  void DetectPaths();
  void BuildMenu();
  void BuildHeaderBar();
  void BuildToolbar();
  void ConnectSearch();
  void OpenPreferences();
  void ExportCurrent();
  bool OnColorButtonPress(GdkEventButton* event, int n);
  bool OnPenDevice(GdkEventMotion* event);
  bool OnDelete(GdkEventAny* event);
  std::string NoteFile(const std::string& notePath);
  void ReplaceText(const std::string& text);
  // Reads the note into the buffer, keeping the cursor's line when
  // `keepLine`; false when the file cannot be read.
  bool LoadNote(const std::string& notePath, bool keepLine);
  // Whether the editor holds other text than the note's file had when it
  // was last read or written, `changeTime` being its last change time.
  bool EditorChanged(gint64 changeTime) const;
  // One save: the decision against the disk, then the write, in the
  // background or at once. `leaving` when the note is about to be closed.
  bool SaveNote(bool background, bool leaving);
  void OnNoteSaved(const CSafeFileWriter::SResult& result, const std::shared_ptr<const std::string>& bytes,
                   gint64 pending, bool conflict, bool leaving, bool background);
  void WatchOpenNote();
  void OnNoteFileEvent(const Glib::RefPtr<Gio::File>&, const Glib::RefPtr<Gio::File>&,
                       Gio::FileMonitorEvent event);
  void BuildInfoBars();
  void ShowSaveError(const std::string& cause, bool refused);
  void HideSaveError();
  void ShowConflict(const std::string& copyPath);
  void OnSaveErrorResponse(int response);
  void OnConflictResponse(int response);
  bool ConfirmCloseWithoutSaving();
  void ShowSearchResult(bool found);
  void SearchNext();
  void SearchPrevious();

  std::string open_note_path;
  std::string current_note_path;
  bool read_only_note = false;  // opened with bytes it cannot write back
  CSafeFileWriter note_writer = CSafeFileWriter::System();
  std::string notes_base;
  // The note's file as last read or written, with its bytes and the
  // editor's last change time at that moment.
  note_sync::SFileIdentity note_identity;
  std::shared_ptr<const std::string> synced_bytes;
  gint64 synced_change_time = 0;
  std::string save_error;  // why the last save failed; empty when it worked
  bool save_again = false, check_again = false;  // asked for while a save was written
  CBackgroundSave background_save;
  Glib::RefPtr<Gio::FileMonitor> note_monitor;
  sigc::connection note_check_connection;
  std::string conflict_copy_path;
  Gtk::InfoBar save_error_bar, conflict_bar;
  Gtk::Label save_error_label, conflict_label;
  sigc::connection close_connection, autosave_connection;
  sigc::connection first_open;  // the note named by the configuration, once shown
  Gtk::HBox main_box{false, 0};
  std::string config_path, default_notes_path, resource_path;
  Json::Value config;
  Gtk::ScrolledWindow sidebar;
  Gtk::TreeView tree_view;
  CNavigationView navigation;
  Gtk::VBox editor_column{false, 0};
  CNoteExport note_export;
  Gtk::ScrolledWindow editor_scroll;
  CNotebook notebook;
  Glib::RefPtr<Gsv::Buffer> source_buffer;
  Glib::RefPtr<Gdk::Cursor> pen_cursors[4];
  Gtk::SearchBar search_bar;
  Gtk::SearchEntry search_entry;
  Glib::RefPtr<Gtk::Builder> toolbar_builder;
  Glib::RefPtr<Gtk::CssProvider> color_provider;
  Gtk::Toolbar* toolbar = nullptr;
  bool use_headerbar = false;
  Gtk::HeaderBar header_bar;
  Gtk::MenuButton menu_button;
  Gtk::Menu app_menu;
  Gtk::MenuItem preferences_item{"Preferences"};
  Gtk::SeparatorMenuItem separator_item;
  Gtk::CheckMenuItem hide_sidebar_item{"Hide sidebar"};
  Gtk::CheckMenuItem full_rendering_item{"Full markdown rendering"};
  Gtk::MenuItem export_item{"Export current"};
  Gtk::VBox outer_box{false, 0};
  Gtk::MenuBar menu_bar;
  Gtk::MenuItem view_item{"View"};
};
