// Copying a selection that holds 20 drawings of 200 strokes, against
// taking the same range as text alone. The copy offers the private form
// (drawings as their storage links) at once and renders the PNGs of the
// plain form only when a program asks for text.
#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <cstdio>

#include <string>

#include "bench_support.h"
#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "editor/note_clipboard.h"
#include "editor/notebook.h"

namespace {

std::string SketchNote() {
  const std::string paragraph =
      "## Seminar\n\nThe *quick* brown fox jumps over the **lazy** dog; see [the notes](other.md).\n"
      "- a point worth making\n- another one, with `code` in it\n\n";
  std::string note;
  for (unsigned i = 0; i < 20; ++i) {
    for (int p = 0; p < 60; ++p) note += paragraph;
    CBoundDrawing drawing{Glib::RefPtr<Gdk::Window>()};
    for (CStroke& stroke : bench::Strokes(200, 60, 700, 400, i + 1)) drawing.AddStroke(stroke, true, 0, 0);
    note += drawing.Serialize() + "\n";
  }
  return note;
}

struct SelectedNote {
  Gtk::Window window;
  Gtk::ScrolledWindow scroll;
  CNotebook notebook;
  Glib::RefPtr<Gsv::Buffer> buffer;
  GtkClipboard* clipboard;
  SelectedNote() {
    notebook.Initialise(QL_SOURCE_DIR, false);
    window.set_default_size(900, 600);
    scroll.add(notebook);
    window.add(scroll);
    window.show_all();
    buffer = notebook.SourceBuffer();
    buffer->begin_not_undoable_action();
    Gtk::TextIter start = buffer->begin();
    DeserializeNote(buffer, start, SketchNote());
    buffer->end_not_undoable_action();
    gint64 end = g_get_monotonic_time() + 3000000;
    while (g_main_context_pending(nullptr) && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
    // All but the first and last lines: a range inside the note.
    Gtk::TextIter from = buffer->begin(), to = buffer->end();
    from.forward_line();
    to.backward_line();
    buffer->select_range(from, to);
    clipboard = gtk_widget_get_clipboard(GTK_WIDGET(notebook.gobj()), GDK_SELECTION_CLIPBOARD);
  }
  std::string Text() {
    Gtk::TextIter from, to;
    buffer->get_selection_bounds(from, to);
    return buffer->get_slice(from, to, true);
  }
};

void BM_Copy_vs_TextAlone(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  SelectedNote note;
  GdkWindow* text = gtk_text_view_get_window(GTK_TEXT_VIEW(note.notebook.gobj()), GTK_TEXT_WINDOW_TEXT);
  // The copy's trace line goes to standard output; keep the report clean.
  std::fflush(stdout);
  int saved = dup(1), null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  bench::Compare(
      state,
      [&] { CopySelectionToClipboard(GTK_TEXT_BUFFER(note.buffer->gobj()), note.clipboard, false, true, true, text); },
      [&] { benchmark::DoNotOptimize(note.Text()); });
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(null);
}
BENCHMARK(BM_Copy_vs_TextAlone)->Unit(benchmark::kMillisecond)->Iterations(20);

// What the copy would cost if it made the plain form at once: all 20
// PNGs rendered and encoded.
void BM_EagerPlainForm_vs_TextAlone(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  SelectedNote note;
  bench::Compare(
      state,
      [&] {
        Gtk::TextIter from, to;
        note.buffer->get_selection_bounds(from, to);
        benchmark::DoNotOptimize(SerializeNote(note.buffer, from, to, true));
      },
      [&] { benchmark::DoNotOptimize(note.Text()); });
}
BENCHMARK(BM_EagerPlainForm_vs_TextAlone)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
