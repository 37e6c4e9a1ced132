#include <cstdio>

#include "app/config_file.h"
#include "app/main_window.h"
#include "app/safe_file_writer.h"
#include "editor/document_format.h"

namespace {

std::string ParentDirectory(const std::string& file) {
  gchar* dir = g_path_get_dirname(file.c_str());
  gchar* absolute = g_canonicalize_filename(dir, nullptr);
  std::string result = absolute;
  g_free(dir);
  g_free(absolute);
  return result;
}

}  // namespace

std::string CMainWindow::NoteFile(const std::string& notePath) {
  return config["base_path"].asString() + "/" + notePath;
}

void CMainWindow::ReplaceText(const std::string& text) {
  source_buffer->begin_not_undoable_action();
  EmptyBuffer(source_buffer);
  source_buffer->insert(source_buffer->begin(), text);
  source_buffer->end_not_undoable_action();
}

void CMainWindow::OpenDocument(const std::string& notePath) {
  SaveDocument();
  read_only_note = false;
  if (notePath.empty()) {
    notebook.set_editable(false);
    notebook.set_can_focus(false);
    SetActiveDocument("");
    ReplaceText("( Nothing opened. Please create or open a file. ) ");
    return;
  }
  notebook.set_editable(true);
  notebook.set_can_focus(true);
  std::string bytes;
  std::string file = NoteFile(notePath);
  if (!config_file::ReadAll(file, bytes)) {
    notebook.set_editable(false);
    notebook.set_can_focus(false);
    std::fprintf(stderr, "Error: Failed to load document %s!\n", notePath.c_str());
    SetActiveDocument("");
    ReplaceText("( Failed to open " + notePath + ". Please create or open a file. ) ");
    return;
  }

  // Text the buffer cannot hold exactly would be lost at the next save:
  // show what can be shown, and never write it back.
  bool valid = g_utf8_validate(bytes.data(), gssize(bytes.size()), nullptr);
  if (!valid) {
    std::fprintf(stderr, "Error: %s is not valid UTF-8; it is shown read-only and will not be saved.\n",
                 notePath.c_str());
    gchar* repaired = g_utf8_make_valid(bytes.data(), gssize(bytes.size()));
    bytes = repaired;
    g_free(repaired);
  }

  source_buffer->begin_not_undoable_action();
  EmptyBuffer(source_buffer);
  notebook.SetDocumentDirectory(ParentDirectory(file));
  if (!bytes.empty()) {
    Gtk::TextIter start = source_buffer->begin();
    DeserializeNote(source_buffer, start, bytes);
  }
  source_buffer->end_not_undoable_action();
  source_buffer->place_cursor(source_buffer->begin());
  SetActiveDocument(notePath);
  if (!valid) {
    read_only_note = true;
    notebook.set_editable(false);
  }
}

bool CMainWindow::SaveDocument() {
  gint64 pending = notebook.last_change_time;
  notebook.last_change_time = 0;
  if (open_note_path.empty() || read_only_note) return true;
  std::string bytes = SerializeNote(source_buffer, source_buffer->begin(), source_buffer->end());
  std::string error;
  if (note_writer.Write(NoteFile(open_note_path), bytes, error)) return true;
  std::fprintf(stderr, "Error: Failed to save document %s: %s\n", open_note_path.c_str(), error.c_str());
  // Keep the change pending so the next autosave tick tries again.
  notebook.last_change_time = pending ? pending : g_get_real_time();
  return false;
}

void CMainWindow::SetActiveDocument(const std::string& notePath) {
  open_note_path = notePath;
  current_note_path = notePath;
  if (use_headerbar)
    header_bar.set_subtitle(notePath);
  else
    set_title(notePath + " - Quillon");
  config["active_document"] = notePath;
}

bool CMainWindow::AutosaveTick(gint64 now) {
  gint64 last = notebook.last_change_time;
  if (last <= 0 || now - last <= 5000000) return false;
  std::printf("autosave\n");
  std::fflush(stdout);
  SaveDocument();
  return true;
}
