#include <cstdio>

#include "app/main_window.h"
#include "app/note_link.h"

void CMainWindow::OnAction(const std::string& name, int kind, int value) {
  std::printf("%s\n", name.c_str());
  std::fflush(stdout);
  switch (kind) {
    case 0: {
      float r, g, b;
      ReadColor(value, r, g, b);
      auto& color = notebook.active_stroke.color;
      color[0] = r;
      color[1] = g;
      color[2] = b;
      color[3] = 1.0f;
      break;
    }
    case 1:
      navigation.NextNote();
      break;
    case 2:
      navigation.PreviousNote();
      break;
    case 3:
      search_entry.set_text("");
      search_bar.set_search_mode(true);
      search_entry.grab_focus();
      break;
    case 4:
      sidebar.set_visible(!hide_sidebar_item.get_active());
      break;
    case 5:
      if (full_rendering_item.get_active())
        notebook.EnableFullRendering();
      else
        notebook.DisableFullRendering();
      break;
    default:
      break;
  }
}

void CMainWindow::OnLinkActivated(const Glib::ustring& target) {
  std::string text = target;
  std::string scheme = note_link::Scheme(text);
  std::printf("clicked link '%s'; scheme is '%s'\n", text.c_str(), scheme.c_str());
  std::fflush(stdout);
  if (!scheme.empty()) {
    GError* error = nullptr;
    gtk_show_uri_on_window(GTK_WINDOW(gobj()), text.c_str(), GDK_CURRENT_TIME, &error);
    if (error) g_error_free(error);
    return;
  }
  if (text.empty()) return;
  // An absolute target is resolved too, against the base itself: "/../x.md"
  // must not open, and then autosave over, a file outside the notes base.
  const bool absolute = text[0] == '/';
  std::string notePath = note_link::Resolve(open_note_path, text);
  if (!absolute) {
    std::printf("resolved to: %s\n", notePath.c_str());
    std::fflush(stdout);
  }
  if (OpenDocument(notePath)) navigation.SelectPath(notePath);
}

// False when the switch was refused: the open note could not be saved.
bool CMainWindow::OpenNote(const std::string& notePath) { return OpenDocument(notePath); }

bool CMainWindow::OnDelete(GdkEventAny*) {
  SaveConfig();
  // Waits for a save still being written, then saves what is left.
  if (!SaveNote(false, true) && EditorChanged(notebook.last_change_time) && !ConfirmCloseWithoutSaving())
    return true;  // the window stays, with the note
  return false;
}

void CMainWindow::OpenPreferences() {
  auto builder = Gtk::Builder::create_from_file(resource_path + "/data/preferences.glade");
  Gtk::Dialog* dialog = nullptr;
  Gtk::FileChooserButton* basePath = nullptr;
  Gtk::CheckButton* headerBar = nullptr;
  Gtk::CheckButton* highlightProxy = nullptr;
  builder->get_widget("preferences", dialog);
  builder->get_widget("base_path", basePath);
  builder->get_widget("use_headerbar", headerBar);
  builder->get_widget("use_highlight_proxy", highlightProxy);
  if (!dialog || !basePath || !headerBar || !highlightProxy) return;

  basePath->set_current_folder(config["base_path"].asString());
  headerBar->set_active(config["use_headerbar"].asBool());
  highlightProxy->set_active(config["use_highlight_proxy"].asBool());
  if (dialog->run() == Gtk::RESPONSE_OK) {
    config["base_path"] = std::string(basePath->get_current_folder());
    config["use_highlight_proxy"] = highlightProxy->get_active();
    config["use_headerbar"] = headerBar->get_active();
    SaveConfig();
  }
  dialog->hide();
  delete dialog;
}

void CMainWindow::ExportCurrent() {
  // Export to portable markdown and PDF is not built yet; the item stays
  // in the menu so the layout does not change when it arrives.
}
