#pragma once

#include <gdkmm/cursor.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>
#include <json/json.h>

#include <string>

#include "app/safe_file_writer.h"
#include "editor/notebook.h"
#include "tree/navigation_view.h"

// The one top-level window: sidebar, editor, search bar and pen toolbar.
class CMainWindow : public Gtk::ApplicationWindow {
public:
  explicit CMainWindow(const Glib::RefPtr<Gtk::Application>& application);
  ~CMainWindow() override;

  // Dispatcher behind the menu check items, window actions and colours.
  void OnAction(const std::string& name, int kind, int value);
  void OnLinkActivated(const Glib::ustring& target);

  // Opening and saving notes.
  void OpenDocument(const std::string& notePath);
  bool SaveDocument();
  void SetActiveDocument(const std::string& notePath);
  // One autosave decision at wall-clock time `now` (microseconds).
  bool AutosaveTick(gint64 now);

  void LoadConfig();
  void SaveConfig();

  // Pen colours of the configuration (numbered from 1).
  void ReadColor(int n, float& r, float& g, float& b);
  void WriteColor(int n, float r, float g, float b);
  void WriteColorRules();

  const std::string& OpenNotePath() const { return open_note_path; }
  const std::string& CurrentNotePath() const { return current_note_path; }
  const std::string& ConfigPath() const { return config_path; }
  const std::string& DefaultNotesPath() const { return default_notes_path; }
  const std::string& ResourcePath() const { return resource_path; }
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
  void ShowSearchResult(bool found);
  void SearchNext();
  void SearchPrevious();

  std::string open_note_path;
  std::string current_note_path;
  bool read_only_note = false;  // opened with bytes it cannot write back
  CSafeFileWriter note_writer = CSafeFileWriter::System();
  sigc::connection close_connection, autosave_connection;
  sigc::connection first_open;  // the note named by the configuration, once shown
  Gtk::HBox main_box{false, 0};
  std::string config_path, default_notes_path, resource_path;
  Json::Value config;
  Gtk::ScrolledWindow sidebar;
  Gtk::TreeView tree_view;
  CNavigationView navigation;
  Gtk::VBox editor_column{false, 0};
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
