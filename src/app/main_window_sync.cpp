// The open note against its file on disk: watching it, showing save
// failures and conflict copies, and asking before a close loses changes.
#include <cstdio>

#include "app/main_window.h"
#include "app/safe_file_writer.h"

namespace {

enum { kTryAgain = 1, kDiscard = 2, kOpenCopy = 1 };

Glib::ustring Quoted(const std::string& notePath) { return "\u201c" + Glib::Markup::escape_text(notePath) + "\u201d"; }

}  // namespace

void CMainWindow::BuildInfoBars() {
  save_error_bar.set_message_type(Gtk::MESSAGE_ERROR);
  save_error_bar.add_button("_Try Again", kTryAgain);
  save_error_bar.add_button("_Discard Changes", kDiscard);
  save_error_bar.signal_response().connect(sigc::mem_fun(*this, &CMainWindow::OnSaveErrorResponse));
  conflict_bar.set_message_type(Gtk::MESSAGE_WARNING);
  conflict_bar.add_button("_Open Conflict Copy", kOpenCopy);
  conflict_bar.set_show_close_button(true);
  conflict_bar.signal_response().connect(sigc::mem_fun(*this, &CMainWindow::OnConflictResponse));
  for (auto* label : {&save_error_label, &conflict_label}) {
    label->set_line_wrap(true);
    label->set_xalign(0);
  }
  dynamic_cast<Gtk::Container*>(save_error_bar.get_content_area())->add(save_error_label);
  dynamic_cast<Gtk::Container*>(conflict_bar.get_content_area())->add(conflict_label);
  for (auto* bar : {&save_error_bar, &conflict_bar}) {
    bar->show_all_children();
    bar->set_no_show_all(true);  // shown only when there is something to say
    editor_column.pack_start(*bar, false, false);
  }
}

void CMainWindow::ShowSaveError(const std::string& cause, bool refused) {
  Glib::ustring text = "<b>" + Quoted(open_note_path) + " could not be saved.</b>\n" +
                       Glib::Markup::escape_text(cause) + ".\n";
  text += refused ? "It stays open so that your changes are not lost. Try again, or discard the changes."
                  : "Your changes are kept in the editor; saving is tried again.";
  save_error_label.set_markup(text);
  save_error_bar.show();
}

void CMainWindow::HideSaveError() { save_error_bar.hide(); }

void CMainWindow::ShowConflict(const std::string& copyPath) {
  conflict_label.set_markup("<b>" + Quoted(open_note_path) + " was changed by another program.</b>\n" +
                            "Your version is saved beside it as " + Quoted(copyPath) + ".");
  conflict_bar.show();
}

void CMainWindow::OnSaveErrorResponse(int response) {
  if (response == kTryAgain) {
    SaveDocument();
    return;
  }
  if (response != kDiscard) return;
  // The user's explicit choice: the note as it is on disk, or, where it
  // cannot be read, no change left to save.
  if (!LoadNote(open_note_path, true)) {
    notebook.last_change_time = 0;
    synced_change_time = 0;
    synced_bytes.reset();
  }
  save_error.clear();
  HideSaveError();
}

void CMainWindow::OnConflictResponse(int response) {
  conflict_bar.hide();
  if (response != kOpenCopy || conflict_copy_path.empty()) return;
  const std::string copy = conflict_copy_path;
  if (OpenDocument(copy)) navigation.SelectPath(copy);
}

bool CMainWindow::ConfirmCloseWithoutSaving() {
  Gtk::MessageDialog dialog(*this, "Close without saving?", false, Gtk::MESSAGE_WARNING, Gtk::BUTTONS_NONE, true);
  dialog.set_secondary_text(Quoted(open_note_path) + " could not be saved: " + Glib::Markup::escape_text(save_error) +
                                ".\nIf you close now, the changes since it was last saved are lost.",
                            true);
  dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  Gtk::Button* close = dialog.add_button("Close _Without Saving", Gtk::RESPONSE_CLOSE);
  close->get_style_context()->add_class("destructive-action");
  dialog.set_default_response(Gtk::RESPONSE_CANCEL);
  const int response = dialog.run();
  return response == Gtk::RESPONSE_CLOSE;
}

void CMainWindow::WatchOpenNote() {
  note_monitor.reset();
  note_check_connection.disconnect();
  if (open_note_path.empty()) return;
  try {
    // A link's target is what changes; watch it, not the link.
    note_monitor = Gio::File::create_for_path(ResolveLinks(NoteFile(open_note_path)))
                       ->monitor_file(Gio::FILE_MONITOR_WATCH_MOVES);
    note_monitor->signal_changed().connect(sigc::mem_fun(*this, &CMainWindow::OnNoteFileEvent));
  } catch (const Glib::Error& error) {
    // Without a monitor the check before every save still keeps both versions.
    std::fprintf(stderr, "WARNING: cannot watch %s: %s\n", open_note_path.c_str(), error.what().c_str());
  }
}

void CMainWindow::OnNoteFileEvent(const Glib::RefPtr<Gio::File>&, const Glib::RefPtr<Gio::File>&,
                                  Gio::FileMonitorEvent event) {
  // A file being written reports many changes and then a hint that it is
  // done: look once it is.
  if (event == Gio::FILE_MONITOR_EVENT_CHANGED || event == Gio::FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED ||
      event == Gio::FILE_MONITOR_EVENT_PRE_UNMOUNT || event == Gio::FILE_MONITOR_EVENT_UNMOUNTED)
    return;
  if (note_check_connection.connected()) return;
  note_check_connection = Glib::signal_timeout().connect(
      [this]() {
        CheckNoteOnDisk();
        return false;
      },
      150);
}

void CMainWindow::CheckNoteOnDisk() {
  if (background_save.Busy()) {
    check_again = true;  // the save's own check comes first
    return;
  }
  if (open_note_path.empty()) return;
  const note_sync::SFileIdentity disk = note_sync::ReadIdentity(NoteFile(open_note_path));
  if (disk == note_identity) return;
  const bool changed = EditorChanged(notebook.last_change_time);
  switch (note_sync::Decide(note_identity, disk, changed, false)) {
    case note_sync::EAction::kReload:
      LoadNote(open_note_path, true);
      break;
    case note_sync::EAction::kConflict:
      SaveNote(true, false);  // decides again and writes the copy
      break;
    default:
      break;
  }
}
