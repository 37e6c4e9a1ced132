#include "app/note_export.h"

#include <glib-unix.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool EndsWithNoCase(const std::string& text, const char* tail) {
  size_t n = std::strlen(tail);
  return text.size() > n && g_ascii_strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

std::string Basename(const std::string& path) {
  gchar* name = g_path_get_basename(path.c_str());
  std::string result = name;
  g_free(name);
  return result;
}

}  // namespace

SExportTarget ExportTarget(const std::string& chosen, bool pdfFilter) {
  if (EndsWithNoCase(chosen, ".pdf")) return {chosen, true};
  if (EndsWithNoCase(chosen, ".md")) return {chosen, false};
  if (pdfFilter) return {chosen + ".pdf", true};
  // Another extension the user typed (".txt", ".markdown") is kept.
  std::string name = Basename(chosen);
  return {name.find('.', 1) == std::string::npos ? chosen + ".md" : chosen, false};
}

// One pandoc run. It outlives the bar if the window goes first.
struct CNoteExport::Job {
  CNoteExport* owner;
  std::string temporary, file;
  std::string errors;  // pandoc's standard error
  gint status = 0;
  bool exited = false, drained = false;
};

CNoteExport::CNoteExport() {
  bar.set_no_show_all(true);
  bar.set_show_close_button(true);
  label.set_line_wrap(true);
  label.set_selectable(true);
  label.set_xalign(0);
  content.pack_start(spinner, false, false);
  content.pack_start(label, true, true);
  content.show_all();
  if (auto* area = dynamic_cast<Gtk::Container*>(bar.get_content_area())) area->add(content);
  bar.signal_response().connect([this](int) {
    if (!job) bar.hide();
  });
}

CNoteExport::~CNoteExport() {
  if (job) job->owner = nullptr;
}

void CNoteExport::Show(const Glib::ustring& text, Gtk::MessageType type, bool busy) {
  label.set_text(text);
  bar.set_message_type(type);
  bar.set_show_close_button(!busy);
  spinner.set_visible(busy);
  if (busy)
    spinner.start();
  else
    spinner.stop();
  bar.show();
}

void CNoteExport::Export(const std::string& text, const SExportTarget& target, const std::string& directory) {
  if (!target.pdf) {
    FILE* out = std::fopen(target.file.c_str(), "wb");
    bool ok = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    int error = errno;
    if (out && std::fclose(out) != 0 && ok) {
      ok = false;
      error = errno;
    }
    if (ok)
      Show("Exported to " + target.file, Gtk::MESSAGE_INFO, false);
    else
      Show("Could not export to " + target.file + ": " + std::strerror(error), Gtk::MESSAGE_ERROR, false);
    finished.emit();
    return;
  }

  // Created exclusively in the temporary directory: no other program can
  // have put a file or a link there first.
  gchar* temporary = nullptr;
  GError* error = nullptr;
  gint fd = g_file_open_tmp("qlexportXXXXXX.md", &temporary, &error);
  if (fd < 0) {
    std::printf("Exporting to PDF (temporary file: %s): failure (%d). Temporary file not deleted.\n", "", -1);
    std::fflush(stdout);
    Show(std::string("Could not export to PDF: ") + error->message, Gtk::MESSAGE_ERROR, false);
    g_error_free(error);
    finished.emit();
    return;
  }
  bool written = write(fd, text.data(), text.size()) == ssize_t(text.size());
  close(fd);
  auto* run = new Job{this, temporary, target.file, "", 0, false, false};
  g_free(temporary);
  if (!written) run->errors = "The temporary file could not be written.";

  // An argument vector, no shell: any file name reaches pandoc as it is.
  std::vector<std::string> args = {"pandoc", "-f", "markdown+hard_line_breaks+compact_definition_lists",
                                   "-t",     "latex", "-o", target.file, run->temporary};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  GPid pid = 0;
  gint errors = -1;
  const char* where = directory.empty() ? nullptr : directory.c_str();
  if (!written || !g_spawn_async_with_pipes(where, argv.data(), nullptr,
                                            GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr,
                                            nullptr, &pid, nullptr, nullptr, &errors, &error)) {
    if (error) {
      run->errors = error->message;
      g_error_free(error);
    }
    run->status = -1;
    run->exited = run->drained = true;
    job = run;
    Complete(run);
    return;
  }
  job = run;
  Show("Exporting to PDF: " + Basename(target.file) + "…", Gtk::MESSAGE_INFO, true);
  g_child_watch_add(pid, OnChildExit, run);
  g_unix_set_fd_nonblocking(errors, TRUE, nullptr);
  g_unix_fd_add(errors, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), OnErrorOutput, run);
}

gboolean CNoteExport::OnErrorOutput(gint fd, GIOCondition, gpointer data) {
  auto* run = static_cast<Job*>(data);
  char chunk[4096];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      run->errors.append(chunk, size_t(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
    break;
  }
  close(fd);
  run->drained = true;
  if (run->exited) Complete(run);
  return G_SOURCE_REMOVE;
}

void CNoteExport::OnChildExit(GPid pid, gint status, gpointer data) {
  auto* run = static_cast<Job*>(data);
  g_spawn_close_pid(pid);
  run->status = status;
  run->exited = true;
  if (run->drained) Complete(run);
}

void CNoteExport::Complete(Job* run) {
  bool ok = run->status == 0;
  if (ok) {
    std::printf("Exporting to PDF (temporary file: %s): success.\n", run->temporary.c_str());
    g_remove(run->temporary.c_str());
  } else {
    std::printf("Exporting to PDF (temporary file: %s): failure (%d). Temporary file not deleted.\n",
                run->temporary.c_str(), run->status);
  }
  std::fflush(stdout);
  std::string message;
  if (ok) {
    message = "Exported to " + run->file;
  } else {
    gchar* valid = g_utf8_make_valid(run->errors.c_str(), gssize(run->errors.size()));
    std::string errors = valid;
    g_free(valid);
    while (!errors.empty() && (errors.back() == '\n' || errors.back() == ' ')) errors.pop_back();
    message = "PDF export failed" + (errors.empty() ? std::string(".") : ":\n" + errors) +
              "\nThe text to convert was kept in " + run->temporary + ".";
  }
  if (run->owner) run->owner->Finish(run, ok, message);
  delete run;
}

void CNoteExport::Finish(Job* done, bool ok, const std::string& message) {
  if (job == done) job = nullptr;
  Show(message, ok ? Gtk::MESSAGE_INFO : Gtk::MESSAGE_ERROR, false);
  finished.emit();
}
