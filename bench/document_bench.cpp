// Opening and saving a long note with many drawings: 1 MB of text with
// 100 drawings of 200 strokes of 60 points (about 18 MB on disk), each
// against a baseline measured in the same run.
#include <cairomm/surface.h>
#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/safe_file_writer.h"
#include "bench_support.h"
#include "lecture_note.h"
#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "editor/notebook.h"

namespace {

using bench::LectureNotes;
using bench::Note;

// An editor in a window of the main window's size.
struct Editor {
  Gtk::Window window;
  Gtk::ScrolledWindow scroll;
  CNotebook notebook;
  bool drawn = false;
  Editor() {
    notebook.Initialise(QL_SOURCE_DIR, false);
    window.set_default_size(900, 600);
    scroll.add(notebook);
    window.add(scroll);
    window.show_all();
    Settle();
    notebook.signal_draw().connect(
        [this](const Cairo::RefPtr<Cairo::Context>&) {
          drawn = true;
          return false;
        },
        true);
  }
  void Clear() {
    EmptyBuffer(notebook.SourceBuffer());
    Settle();
  }
  // Lets the toolkit finish what an earlier run left behind, so that it
  // is not counted; bounded, as a blinking cursor never lets it idle.
  static void Settle() {
    gint64 end = g_get_monotonic_time() + 2000000;
    while (g_main_context_pending(nullptr) && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
  }
  void Load(const std::string& bytes) {
    auto buffer = notebook.SourceBuffer();
    buffer->begin_not_undoable_action();
    Gtk::TextIter start = buffer->begin();
    DeserializeNote(buffer, start, bytes);
    buffer->end_not_undoable_action();
  }
  // What the user sees first: the main loop runs until the editor has
  // been laid out and drawn once.
  void DrawFirstScreen() {
    drawn = false;
    notebook.queue_draw();
    while (!drawn) g_main_context_iteration(nullptr, TRUE);
  }
  std::vector<CBoundDrawing*> Drawings() {
    std::vector<CBoundDrawing*> found;
    auto buffer = notebook.SourceBuffer();
    for (auto it = buffer->begin(); it != buffer->end(); ++it)
      if (auto anchor = it.get_child_anchor())
        for (auto* widget : anchor->get_widgets())
          if (auto* drawing = IsBoundDrawing(widget)) found.push_back(drawing);
    return found;
  }
};

using bench::PlainWrite;
using bench::Scratch;

// Opening the note until its first screen is drawn, against the same text
// without drawings.
void BM_Open_FirstScreen_vs_TextOnly(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  const Note& note = LectureNotes();
  Editor ours, base;
  bench::Compare(
      state,
      [&] {
        ours.Clear();
        base.Clear();
      },
      [&] {
        ours.Load(note.with_drawings);
        ours.DrawFirstScreen();
      },
      [&] {
        base.Load(note.plain);
        base.DrawFirstScreen();
      });
}
BENCHMARK(BM_Open_FirstScreen_vs_TextOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

// What opening would cost if it were not put off until each drawing is
// first drawn: decoding all 100 payloads, and painting all 100.
void BM_Open_Decode_vs_PaintAll(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  Editor editor;
  editor.Load(LectureNotes().with_drawings);
  std::vector<std::string> links;
  for (auto* drawing : editor.Drawings()) links.push_back(drawing->Serialize());
  std::vector<std::unique_ptr<CBoundDrawing>> drawings;
  bench::Compare(
      state, [&] { drawings.clear(); },
      [&] {
        for (const auto& link : links) {
          drawings.emplace_back(new CBoundDrawing(Glib::RefPtr<Gdk::Window>()));
          drawings.back()->Deserialize(link.substr(7, link.size() - 8));
          benchmark::DoNotOptimize(drawings.back()->Strokes().size());
        }
      },
      [&] {
        for (auto& drawing : drawings) benchmark::DoNotOptimize(drawing->Cache());
      });
}
BENCHMARK(BM_Open_Decode_vs_PaintAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// The lecture notes open in an editor, ready to be saved.
struct OpenNote : Editor {
  Glib::RefPtr<Gsv::Buffer> buffer = notebook.SourceBuffer();
  CSafeFileWriter writer = CSafeFileWriter::System();
  std::string error;
  OpenNote() { Load(LectureNotes().with_drawings); }
  std::string Serialize() { return SerializeNote(buffer, buffer->begin(), buffer->end()); }
  void Save(const char* name) { writer.Write(Scratch(name), Serialize(), error); }
};

// Saving the note with no drawing changed, against writing the same bytes
// with stdio (which neither syncs nor renames).
void BM_Save_Unchanged_vs_PlainWrite(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  OpenNote note;
  const std::string bytes = note.Serialize();
  bench::Compare(
      state, [&] { note.Save("safe.md"); }, [&] { PlainWrite(Scratch("plain.md"), bytes); });
  state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_Save_Unchanged_vs_PlainWrite)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same save against a stdio write that is as durable: flushed, synced
// and renamed into place.
void BM_Save_Unchanged_vs_SyncedWrite(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  OpenNote note;
  const std::string bytes = note.Serialize();
  bench::Compare(
      state, [&] { note.Save("safe.md"); },
      [&] {
        std::string temp = Scratch("synced.md.tmp");
        FILE* file = std::fopen(temp.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fflush(file);
        fsync(fileno(file));
        std::fclose(file);
        std::rename(temp.c_str(), Scratch("synced.md").c_str());
      });
}
BENCHMARK(BM_Save_Unchanged_vs_SyncedWrite)->Unit(benchmark::kMillisecond)->Iterations(10);

// Serialising alone, without the file, against the plain write.
void BM_Save_SerializeOnly_vs_PlainWrite(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  OpenNote note;
  const std::string bytes = note.Serialize();
  bench::Compare(
      state, [&] { benchmark::DoNotOptimize(note.Serialize()); }, [&] { PlainWrite(Scratch("plain.md"), bytes); });
}
BENCHMARK(BM_Save_SerializeOnly_vs_PlainWrite)->Unit(benchmark::kMillisecond)->Iterations(10);

// Saving after one stroke was added to one drawing, against saving with
// nothing changed: the difference is that one drawing's compression.
void BM_Save_OneStrokeAdded_vs_Unchanged(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  OpenNote note;
  auto drawings = note.Drawings();
  std::mt19937 rng(7);
  bench::Compare(
      state,
      [&] {
        CStroke stroke = bench::Walk(rng, 60, 700, 0, 400);
        drawings[50]->AddStroke(stroke, true, 0, 0);
      },
      [&] { note.Save("changed.md"); }, [&] { note.Save("unchanged.md"); });
}
BENCHMARK(BM_Save_OneStrokeAdded_vs_Unchanged)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
