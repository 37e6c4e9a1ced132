#include <cstdio>

#include "app/main_window.h"
#include "app/note_link.h"
#include "editor/document_format.h"

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
  // Over the window, as the desktop expects of a dialog.
  dialog->set_transient_for(*this);
  if (dialog->run() == Gtk::RESPONSE_OK) {
    // A folder chosen in the chooser is its selection; its current folder
    // is then the one the folder lies in.
    std::string folder = basePath->get_filename();
    if (folder.empty()) folder = basePath->get_current_folder();
    config["base_path"] = folder;
    config["use_highlight_proxy"] = highlightProxy->get_active();
    config["use_headerbar"] = headerBar->get_active();
    SaveConfig();
  }
  dialog->hide();
  delete dialog;
}

void CMainWindow::ExportCurrent() {
  if (open_note_path.empty()) return;
  Gtk::FileChooserDialog dialog(*this, "Export current note", Gtk::FILE_CHOOSER_ACTION_SAVE);
  dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  dialog.add_button("_Export", Gtk::RESPONSE_OK);
  // Enter in the name field exports.
  dialog.set_default_response(Gtk::RESPONSE_OK);
  auto markdown = Gtk::FileFilter::create();
  markdown->set_name("Portable markdown");
  markdown->add_mime_type("text/plain");
  markdown->add_mime_type("text/markdown");
  auto pdf = Gtk::FileFilter::create();
  pdf->set_name("Pandoc to PDF (requires pandoc)");
  pdf->add_mime_type("application/pdf");
  dialog.add_filter(markdown);
  dialog.add_filter(pdf);
  dialog.set_filter(markdown);
  // The note's name without its extension: the filter then gives one.
  std::string name = Glib::path_get_basename(open_note_path);
  if (name.size() > 3 && name.compare(name.size() - 3, 3, ".md") == 0) name.resize(name.size() - 3);
  dialog.set_current_name(name);
  if (dialog.run() != Gtk::RESPONSE_OK) return;
  std::string chosen = dialog.get_filename();
  bool pdfFilter = dialog.get_filter() == pdf;
  dialog.hide();
  if (!chosen.empty()) ExportTo(chosen, pdfFilter);
}

void CMainWindow::ExportTo(const std::string& chosen, bool pdfFilter) {
  SExportTarget target = ExportTarget(chosen, pdfFilter);
  std::string text = SerializeNote(source_buffer, source_buffer->begin(), source_buffer->end(), true);
  if (target.pdf) export_item.set_sensitive(false);
  note_export.Export(text, target, notebook.DocumentDirectory());
}
