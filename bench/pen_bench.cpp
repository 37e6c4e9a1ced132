// Pen input costs in a shown editor, each against a baseline timed in the
// same run; "ratio" is ours / baseline.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "bench_support.h"
#include "drawing/bound_drawing.h"
#include "drawing/drawing_payload.h"
#include "drawing/pen_input.h"
#include "editor/document_format.h"
#include "editor/notebook.h"

namespace {

using bench::Clock;
using bench::Compare;
using bench::GtkReady;
using bench::Strokes;

void Settle() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// Stroke thinning reports on stdout; keep it out of the results.
struct QuietStdout {
  QuietStdout() {
    fflush(stdout);
    saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~QuietStdout() {
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
  }
  int saved;
};

// An editor in a shown window holding `note`.
struct Editor {
  Gtk::Window window;
  CNotebook notebook;
  int device = 0;  // a device key for pen records

  explicit Editor(const std::string& note) {
    notebook.Initialise(QL_SOURCE_DIR, false);
    notebook.margin = 32;
    notebook.set_left_margin(32);
    window.add(notebook);
    window.set_default_size(600, 500);
    window.show_all();
    auto buffer = notebook.SourceBuffer();
    buffer->begin_not_undoable_action();
    Gtk::TextIter start = buffer->begin();
    DeserializeNote(buffer, start, note);
    buffer->end_not_undoable_action();
    buffer->place_cursor(buffer->begin());
    for (int i = 0; i < 4; ++i) {
      buffer->ensure_highlight(buffer->begin(), buffer->end());
      Settle();
    }
    notebook.stroke_width = 2;
    notebook.device_modes.Set(&device, 1);
  }

  SPenEvent At(double bx, double by) {
    int ox, oy;
    notebook.window_to_buffer_coords(Gtk::TEXT_WINDOW_WIDGET, 0, 0, ox, oy);
    SPenEvent e;
    e.device = &device;
    e.axes = 6;
    e.x = bx - ox;
    e.y = by - oy;
    e.button = 1;
    e.pressure = 0.7;
    e.has_pressure = true;
    return e;
  }
  // Paints what the last event invalidated, as the next frame would.
  void Paint() { gdk_window_process_updates(window.get_window()->gobj(), TRUE); }
};

std::string DrawingLink(int strokes, unsigned seed) {
  return "![](ql:" + EncodeDrawingPayload(400, 120, Strokes(strokes, 40, 400, 120, seed)) + ")";
}

// A note of text and 100 drawings, or the same text without them.
std::string NoteWithDrawings(bool drawings) {
  std::string note = "# Sketches\n\n";
  for (int i = 0; i < 100; ++i) {
    note += "Paragraph " + std::to_string(i) + " with some words to wrap around the drawings.\n\n";
    if (drawings) note += DrawingLink(20, unsigned(i + 1)) + "\n\n";
  }
  return note;
}

// Seconds per motion while drawing in an editor holding `note`, alone on
// screen: the point appended, the newest segment painted on the overlay,
// the square around it invalidated (and, with `paint`, painted on screen).
double MotionSeconds(const std::string& note, bool paint) {
  Editor e(note);
  e.notebook.Pen().OnPress(e.At(200, 200), nullptr);
  const int n = 4000;
  auto begin = Clock::now();
  for (int k = 0; k < n; ++k) {
    // A circle, so the stroke stays in view and turns all the time.
    double a = k * 0.05;
    e.notebook.Pen().OnMotion(e.At(300 + 150 * std::cos(a), 250 + 150 * std::sin(a)), nullptr);
    if (paint) e.Paint();
  }
  double seconds = std::chrono::duration<double>(Clock::now() - begin).count() / n;
  e.notebook.pen_operation = 0;
  e.notebook.active_stroke.Reset();
  return seconds;
}

// A note with 100 drawings against the same text without them; the two
// editors take turns, one window on screen at a time.
void BM_Pen_Motion_100Drawings_vs_empty(benchmark::State& state) {
  if (!GtkReady()) return state.SkipWithError("no display");
  const bool paint = state.range(0) == 1;
  std::string full = NoteWithDrawings(true), empty = NoteWithDrawings(false);
  double ours = 0, base = 0;
  int round = 0;
  for (auto _ : state) {
    if (round++ % 2) {
      ours += MotionSeconds(full, paint);
      base += MotionSeconds(empty, paint);
    } else {
      base += MotionSeconds(empty, paint);
      ours += MotionSeconds(full, paint);
    }
  }
  state.counters["ours_us"] = ours / double(state.iterations()) * 1e6;
  state.counters["baseline_us"] = base / double(state.iterations()) * 1e6;
  state.counters["ratio"] = ours / base;
}
// Argument 0: the handler alone; 1: with the paint it causes.
BENCHMARK(BM_Pen_Motion_100Drawings_vs_empty)->Unit(benchmark::kMillisecond)->Iterations(4)->Arg(0)->Arg(1);

// Committing a 60-point stroke drawn over a drawing of 10,000 strokes
// against one of 10: the stroke joins the drawing under it.
void BM_Pen_Commit_into10000_vs_10_strokes(benchmark::State& state) {
  if (!GtkReady()) return state.SkipWithError("no display");
  Editor large("Text\n\n" + DrawingLink(10000, 5) + "\n\nEnd\n"), small("Text\n\n" + DrawingLink(10, 5) + "\n\nEnd\n");
  std::mt19937 rng(21);
  std::vector<CStroke> news;
  for (int k = 0; k < 64; ++k) news.push_back(bench::Walk(rng, 60, 300, 20, 80));
  QuietStdout quiet;
  size_t k = 0;
  auto commit = [&k, &news](Editor& e) {
    CBoundDrawing* d = CPenInput::DrawingAt(e.notebook.SourceBuffer()->get_iter_at_offset(6));
    int ox, oy;
    e.notebook.Pen().OriginOf(*d, ox, oy);
    CStroke s = news[k % news.size()];
    for (size_t j = 0; j < s.xcoords.size(); ++j) {
      s.xcoords[j] += float(ox) + 40;
      s.ycoords[j] += float(oy);
    }
    e.notebook.active_stroke = s;
    e.notebook.Pen().CommitStroke();
  };
  for (Editor* e : {&large, &small}) {
    commit(*e);  // decodes the drawing and builds its picture once
    Settle();
  }
  Compare(
      state, [&] { commit(large); }, [&] {
        commit(small);
        ++k;
      });
  CBoundDrawing* d = CPenInput::DrawingAt(large.notebook.SourceBuffer()->get_iter_at_offset(6));
  if (!d || d->Strokes().size() < 10001) state.SkipWithError("the stroke did not join the drawing");
}
BENCHMARK(BM_Pen_Commit_into10000_vs_10_strokes)->Unit(benchmark::kMicrosecond);

// From a real motion event's arrival at the view to the end of the overlay
// paint it causes, over a 2,000-point stroke: median and 99th percentile.
// The toolkit paints at its next frame, so this includes the wait for it.
void BM_Pen_PointerToInk_2000Points(benchmark::State& state) {
  if (!GtkReady()) return state.SkipWithError("no display");
  Editor editor(NoteWithDrawings(true));
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  editor.notebook.device_modes.Set(pointer, 1);
  GdkWindow* text = editor.notebook.get_window(Gtk::TEXT_WINDOW_TEXT)->gobj();
  Clock::time_point painted;
  bool overlay = false;
  editor.notebook.Overlay().signal_draw().connect(
      [&overlay](const Cairo::RefPtr<Cairo::Context>&) {
        overlay = true;
        return false;
      },
      false);
  // The window's handlers after its own run once everything in it is painted.
  editor.window.signal_draw().connect(
      [&](const Cairo::RefPtr<Cairo::Context>&) {
        if (overlay) painted = Clock::now();
        overlay = false;
        return false;
      },
      true);
  auto send = [&](GdkEventType type, double x, double y) {
    GdkEvent* e = gdk_event_new(type);
    e->any.window = GDK_WINDOW(g_object_ref(text));
    if (type == GDK_MOTION_NOTIFY) {
      e->motion.x = x;
      e->motion.y = y;
      e->motion.time = GDK_CURRENT_TIME;
    } else {
      e->button.x = x;
      e->button.y = y;
      e->button.button = 1;
    }
    gdk_event_set_device(e, pointer);
    gdk_event_set_source_device(e, pointer);
    gtk_main_do_event(e);
    gdk_event_free(e);
  };
  std::vector<double> latencies;
  for (auto _ : state) {
    latencies.clear();
    send(GDK_BUTTON_PRESS, 300, 250);
    for (int i = 1; i <= 2000; ++i) {
      double a = i * 0.02;
      auto arrival = Clock::now();
      painted = arrival - std::chrono::seconds(1);
      send(GDK_MOTION_NOTIFY, 300 + 150 * std::cos(a) + i * 0.01, 250 + 150 * std::sin(a));
      // The main loop paints at its next frame, as it does for the user.
      while (!(painted > arrival) && Clock::now() - arrival < std::chrono::milliseconds(100))
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(50);
      if (painted > arrival) latencies.push_back(std::chrono::duration<double>(painted - arrival).count());
    }
    QuietStdout quiet;
    send(GDK_BUTTON_RELEASE, 300, 250);
  }
  if (latencies.size() < 1000) return state.SkipWithError("motions did not paint the overlay");
  std::sort(latencies.begin(), latencies.end());
  state.counters["painted"] = double(latencies.size());
  state.counters["p50_ms"] = latencies[latencies.size() / 2] * 1e3;
  state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100] * 1e3;
}
BENCHMARK(BM_Pen_PointerToInk_2000Points)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
