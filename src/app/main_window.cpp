#include "app/main_window.h"

#include <fontconfig/fontconfig.h>

#include <cstdio>

// The construction order matters: paths before configuration, the editor
// before the tree, the toolbar before the colour rules.
CMainWindow::CMainWindow(const Glib::RefPtr<Gtk::Application>& application) {
  set_application(application);
  DetectPaths();
  LoadConfig();
  std::printf("Active notes path: %s\n\n", config["base_path"].asCString());
  std::fflush(stdout);

  notebook.Initialise(resource_path, config["use_highlight_proxy"].asBool());
  // Later changes of the configuration's base wait for the next start.
  notes_base = config["base_path"].asString();
  navigation.SetBasePath(notes_base);
  current_note_path = config["active_document"].asString();

  set_border_width(0);
  set_default_size(900, 600);

  FcConfigAppFontAddDir(FcConfigGetCurrent(),
                        reinterpret_cast<const FcChar8*>((resource_path + "/data/fonts").c_str()));
  auto style = Gtk::CssProvider::create();
  style->load_from_path(resource_path + "/data/stylesheet.css");

  get_style_context()->add_class("quillon");
  override_background_color(Gdk::RGBA("rgba(0,0,0,0)"), Gtk::STATE_FLAG_NORMAL);
  if (auto visual = get_screen()->get_rgba_visual()) gtk_widget_set_visual(GTK_WIDGET(gobj()), visual->gobj());

  BuildMenu();
  use_headerbar = config["use_headerbar"].asBool();
  if (use_headerbar) BuildHeaderBar();

  navigation.Attach(this, &tree_view);
  tree_view.get_style_context()->add_class("sidebar");
  tree_view.get_style_context()->add_class("nemo-window");
  sidebar.add(tree_view);
  sidebar.set_size_request(200, -1);
  main_box.pack_start(sidebar, false, false);

  get_style_context()->add_provider(style, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  tree_view.get_style_context()->add_provider(style, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  auto display = Gdk::Display::get_default();
  const char* cursorNames[] = {"default", "text", "cell", "cross"};
  for (int i = 0; i < 4; ++i) pen_cursors[i] = Gdk::Cursor::create(display, cursorNames[i]);

  source_buffer = notebook.SourceBuffer();
  notebook.get_style_context()->add_provider(style, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  notebook.set_name("mainView");
  editor_scroll.get_style_context()->add_provider(style, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  editor_scroll.set_name("mainViewScroll");
  editor_scroll.add(notebook);
  notebook.margin = 32;
  notebook.set_left_margin(32);

  notebook.signal_link_activated().connect(sigc::mem_fun(*this, &CMainWindow::OnLinkActivated));

  BuildInfoBars();
  editor_column.pack_start(note_export.Bar(), false, false);
  editor_column.pack_start(editor_scroll, true, true);
  ConnectSearch();
  search_bar.add(search_entry);
  editor_column.pack_start(search_bar, false, false);
  main_box.pack_start(editor_column, true, true);

  BuildToolbar();
  insert_action_group("notebook", notebook.ActionGroup());
  WriteColorRules();
  main_box.pack_end(*toolbar, false, false);

  OnAction("color1", 0, 1);

  const char* windowActions[] = {"next-note", "prev-note", "show-find"};
  for (int kind = 1; kind <= 3; ++kind) {
    std::string name = windowActions[kind - 1];
    notebook.ActionGroup()->add_action(name, [this, name, kind]() { OnAction(name, kind, 1); });
  }

  if (!use_headerbar) {
    view_item.set_submenu(app_menu);
    menu_bar.append(view_item);
    outer_box.pack_start(menu_bar, false, false);
    outer_box.pack_start(main_box, true, true);
    add(outer_box);
  } else {
    add(main_box);
  }
  show_all();

  // Binding the mode buttons to their actions leaves another button of the
  // group active; show the text mode, which is where every device starts.
  if (auto* text = dynamic_cast<Gtk::ToggleToolButton*>(toolbar_builder->get_object("text").get()))
    text->set_active(true);
  if (auto* medium = dynamic_cast<Gtk::RadioToolButton*>(toolbar_builder->get_object("medium").get())) {
    medium->set_active(false);
    medium->set_active(true);
  }

  // First paint first: the note loads once the window is on screen (an
  // idle comes after the toolkit's layout and drawing), unless something
  // opened a note before that. A window closed sooner still names it.
  config["active_document"] = current_note_path;
  first_open = Glib::signal_idle().connect([this, note = current_note_path]() {
    if (open_note_path.empty() && current_note_path == note) OpenDocument(note);
    return false;
  });

  close_connection = signal_delete_event().connect(sigc::mem_fun(*this, &CMainWindow::OnDelete), true);
  signal_motion_notify_event().connect(sigc::mem_fun(*this, &CMainWindow::OnPenDevice), false);
  add_events(Gdk::POINTER_MOTION_MASK);
  autosave_connection = Glib::signal_timeout().connect(
      [this]() {
        AutosaveTick(g_get_real_time());
        return true;
      },
      5000, Glib::PRIORITY_LOW);
}

CMainWindow::~CMainWindow() {
  first_open.disconnect();
  autosave_connection.disconnect();
  note_check_connection.disconnect();
  close_connection.disconnect();
  // A menu item destroys its submenu with itself; the menu is a member
  // that outlives the item, so take it back first.
  if (view_item.get_submenu()) view_item.unset_submenu();
  if (menu_button.get_popup()) menu_button.unset_popup();
}

void CMainWindow::BuildMenu() {
  preferences_item.signal_activate().connect(sigc::mem_fun(*this, &CMainWindow::OpenPreferences));
  export_item.signal_activate().connect(sigc::mem_fun(*this, &CMainWindow::ExportCurrent));
  // One PDF run at a time.
  note_export.signal_finished().connect([this]() { export_item.set_sensitive(true); });
  app_menu.append(preferences_item);
  app_menu.append(export_item);
  app_menu.append(separator_item);
  hide_sidebar_item.set_active(false);
  hide_sidebar_item.signal_toggled().connect([this]() { OnAction("toggle-sidebar", 4, 1); });
  app_menu.append(hide_sidebar_item);
  full_rendering_item.set_active(true);
  full_rendering_item.signal_toggled().connect([this]() { OnAction("toggle-markdown-rendering", 5, 1); });
  app_menu.append(full_rendering_item);
  app_menu.show_all();
}

void CMainWindow::BuildHeaderBar() {
  header_bar.set_show_close_button(true);
  header_bar.set_title("Quillon");
  auto theme = Gtk::IconTheme::get_default();
  const char* icon = theme->has_icon("accessories-text-editor") ? "accessories-text-editor" : "open-menu-symbolic";
  menu_button.set_image_from_icon_name(icon, Gtk::ICON_SIZE_BUTTON);
  menu_button.set_popup(app_menu);
  menu_button.set_tooltip_text("Menu");
  set_icon_name("accessories-text-editor");
  get_style_context()->add_class("csd");
  header_bar.pack_start(menu_button);
  set_titlebar(header_bar);
}
