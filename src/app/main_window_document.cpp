#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

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

// Reads a whole file with the identity of what was read.
bool ReadNote(const std::string& path, std::string& bytes, note_sync::SFileIdentity& identity) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  identity = note_sync::IdentityOf(fd);
  bytes.clear();
  char chunk[1 << 16];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, size_t(n));
  ::close(fd);
  return n == 0 && identity.exists;
}

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

std::string CMainWindow::NoteFile(const std::string& notePath) { return notes_base + "/" + notePath; }

void CMainWindow::ReplaceText(const std::string& text) {
  source_buffer->begin_not_undoable_action();
  EmptyBuffer(source_buffer);
  source_buffer->insert(source_buffer->begin(), text);
  source_buffer->end_not_undoable_action();
}

bool CMainWindow::OpenDocument(const std::string& notePath) {
  if (!SaveNote(false, true) && EditorChanged(notebook.last_change_time)) {
    ShowSaveError(save_error, true);
    return false;
  }
  read_only_note = false;
  if (notePath.empty()) {
    notebook.set_editable(false);
    notebook.set_can_focus(false);
    SetActiveDocument("");
    ReplaceText("( Nothing opened. Please create or open a file. ) ");
    HideSaveError();
    return true;
  }
  notebook.set_editable(true);
  notebook.set_can_focus(true);
  if (!LoadNote(notePath, false)) {
    notebook.set_editable(false);
    notebook.set_can_focus(false);
    std::fprintf(stderr, "Error: Failed to load document %s!\n", notePath.c_str());
    SetActiveDocument("");
    ReplaceText("( Failed to open " + notePath + ". Please create or open a file. ) ");
    HideSaveError();
    return true;
  }
  SetActiveDocument(notePath);
  HideSaveError();
  return true;
}

bool CMainWindow::LoadNote(const std::string& notePath, bool keepLine) {
  std::string bytes;
  note_sync::SFileIdentity identity;
  const std::string file = NoteFile(notePath);
  if (!ReadNote(file, bytes, identity)) return false;

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

  const int line = source_buffer->get_insert()->get_iter().get_line();
  source_buffer->begin_not_undoable_action();
  EmptyBuffer(source_buffer);
  notebook.SetDocumentDirectory(ParentDirectory(file));
  if (!bytes.empty()) {
    Gtk::TextIter start = source_buffer->begin();
    DeserializeNote(source_buffer, start, bytes);
  }
  source_buffer->end_not_undoable_action();
  if (keepLine && line < source_buffer->get_line_count())
    source_buffer->place_cursor(source_buffer->get_iter_at_line(line));
  else if (keepLine)
    source_buffer->place_cursor(source_buffer->end());
  else
    source_buffer->place_cursor(source_buffer->begin());
  note_identity = identity;
  synced_bytes = std::make_shared<const std::string>(std::move(bytes));
  synced_change_time = notebook.last_change_time;
  read_only_note = !valid;
  notebook.set_editable(valid);
  return true;
}

bool CMainWindow::EditorChanged(gint64 changeTime) const {
  if (changeTime == synced_change_time) return false;
  // Changed since, but perhaps back to the same text, or only by the
  // editor's own work after loading: the text decides.
  return !synced_bytes || SerializeNote(source_buffer, source_buffer->begin(), source_buffer->end()) != *synced_bytes;
}

bool CMainWindow::SaveDocument() { return SaveNote(false, false); }

bool CMainWindow::SaveNote(bool background, bool leaving) {
  // A save still being written goes first: its result decides this one.
  background_save.Finish();
  save_again = false;
  const gint64 pending = notebook.last_change_time;
  notebook.last_change_time = 0;
  if (open_note_path.empty() || read_only_note) return true;

  const std::string file = NoteFile(open_note_path);
  const note_sync::SFileIdentity disk = note_sync::ReadIdentity(file);
  const bool changed = disk != note_identity && EditorChanged(pending);
  CBackgroundSave::SJob job;
  bool conflict = false;
  switch (note_sync::Decide(note_identity, disk, changed, true)) {
    case note_sync::EAction::kNothing:
      return true;
    case note_sync::EAction::kReload:
      notebook.last_change_time = pending;
      // A note being closed needs no reload: its file is already the newest.
      if (!leaving) LoadNote(open_note_path, true);
      return true;
    case note_sync::EAction::kWrite:
      job.path = file;
      job.options.check = true;
      job.options.expected = disk;
      break;
    case note_sync::EAction::kConflict: {
      const std::tm now = LocalNow();
      std::string copy;
      for (int attempt = 1; attempt < 100; ++attempt) {
        copy = note_sync::ConflictNotePath(open_note_path, now, attempt);
        if (::access(NoteFile(copy).c_str(), F_OK) != 0) break;
      }
      conflict_copy_path = copy;
      job.path = NoteFile(copy);
      job.options.exclusive = true;
      job.options.like = file;
      conflict = true;
      break;
    }
  }
  job.writer = note_writer;
  auto bytes = std::make_shared<const std::string>(
      SerializeNote(source_buffer, source_buffer->begin(), source_buffer->end()));
  job.bytes = bytes;
  if (background) {
    background_save.Start(std::move(job),
                          [this, bytes, pending, conflict, leaving](const CSafeFileWriter::SResult& result) {
                            OnNoteSaved(result, bytes, pending, conflict, leaving, true);
                          });
    return true;
  }
  const CSafeFileWriter::SResult result = job.writer.Replace(job.path, *bytes, job.options);
  OnNoteSaved(result, bytes, pending, conflict, leaving, false);
  if (result.changed) return SaveNote(false, leaving);  // changed meanwhile: decide again
  return result.ok;
}

void CMainWindow::OnNoteSaved(const CSafeFileWriter::SResult& result, const std::shared_ptr<const std::string>& bytes,
                              gint64 pending, bool conflict, bool leaving, bool background) {
  if (!result.warning.empty()) std::fprintf(stderr, "WARNING: %s\n", result.warning.c_str());
  if (result.ok) {
    save_error.clear();
    HideSaveError();
    if (conflict) {
      std::fprintf(stderr, "WARNING: %s was changed by another program; your version is saved as %s\n",
                   open_note_path.c_str(), conflict_copy_path.c_str());
      ShowConflict(conflict_copy_path);
      // The editor's text is safe in the copy: show the note as it is now,
      // unless the user typed on meanwhile (the next save keeps that too).
      if (!leaving && notebook.last_change_time == 0) LoadNote(open_note_path, true);
    } else {
      note_identity = result.written;
      synced_bytes = bytes;
      synced_change_time = 0;
    }
  } else {
    // Keep the change pending so the next autosave tries again.
    if (notebook.last_change_time == 0) notebook.last_change_time = pending;
    if (!result.changed) {
      save_error = result.error;
      std::fprintf(stderr, "Error: Failed to save document %s: %s\n", open_note_path.c_str(),
                   result.error.c_str());
      ShowSaveError(save_error, false);
    }
  }
  if (!background) return;
  if (result.changed || (save_again && notebook.last_change_time > 0)) {
    save_again = false;
    SaveNote(true, false);
  } else if (check_again) {
    check_again = false;
    CheckNoteOnDisk();
  }
}

void CMainWindow::SetActiveDocument(const std::string& notePath) {
  open_note_path = notePath;
  current_note_path = notePath;
  if (use_headerbar)
    header_bar.set_subtitle(notePath);
  else
    set_title(notePath + " - Quillon");
  config["active_document"] = notePath;
  WatchOpenNote();
}

bool CMainWindow::AutosaveTick(gint64 now) {
  gint64 last = notebook.last_change_time;
  if (last <= 0 || now - last <= 5000000) return false;
  std::printf("autosave\n");
  std::fflush(stdout);
  if (background_save.Busy()) {
    save_again = true;
    return true;
  }
  SaveNote(true, false);
  return true;
}
