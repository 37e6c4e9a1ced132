#pragma once

#include <gtkmm.h>

#include <string>

// The file an export writes and what it becomes. Pandoc makes PDF only
// for an output name ending in ".pdf", so name and filter must agree: a
// typed ".pdf" or ".md" wins over the filter; a name without either gets
// the filter's (a PDF always ends in ".pdf").
struct SExportTarget {
  std::string file;
  bool pdf = false;
};
SExportTarget ExportTarget(const std::string& chosen, bool pdfFilter);

// Writes portable markdown at once and runs pandoc for PDF without
// blocking the window; its bar shows that an export is under way and how
// it ended, with pandoc's own words on failure.
class CNoteExport {
public:
  CNoteExport();
  ~CNoteExport();
  CNoteExport(const CNoteExport&) = delete;
  CNoteExport& operator=(const CNoteExport&) = delete;

  Gtk::InfoBar& Bar() { return bar; }
  // Exports `text` (the portable form of the note) to the target. Pandoc
  // runs in `directory`, the note's folder, so relative images are found.
  void Export(const std::string& text, const SExportTarget& target, const std::string& directory);
  bool Running() const { return job != nullptr; }
  // What the bar says.
  std::string Message() const { return label.get_text(); }
  sigc::signal<void>& signal_finished() { return finished; }

private:
  struct Job;
  void Show(const Glib::ustring& text, Gtk::MessageType type, bool busy);
  void Finish(Job* done, bool ok, const std::string& message);
  static void OnChildExit(GPid pid, gint status, gpointer data);
  static gboolean OnErrorOutput(gint fd, GIOCondition condition, gpointer data);
  static void Complete(Job* done);

  Gtk::InfoBar bar;
  Gtk::Box content{Gtk::ORIENTATION_HORIZONTAL, 8};
  Gtk::Spinner spinner;
  Gtk::Label label;
  Job* job = nullptr;
  sigc::signal<void> finished;
};
