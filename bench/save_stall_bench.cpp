// How long an autosave holds up the main loop, on the main window with the
// long lecture note open: the part done on the main loop (the check
// against the disk and serialising) against gtk_text_buffer_get_slice of
// the same buffer alone, the floor of any serialiser; and the longest gap
// between main-loop iterations while a whole autosave runs, against the
// same gap around that slice alone and around a save done on the loop.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "bench_support.h"
#include "lecture_note.h"

namespace {

// Standard output goes to /dev/null while the window prints its traces.
struct Quiet {
  int saved;
  Quiet() {
    std::fflush(stdout);
    saved = dup(1);
    int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    ::close(null);
  }
  ~Quiet() {
    std::fflush(stdout);
    dup2(saved, 1);
    ::close(saved);
  }
};

// A notes base holding the lecture note, and a main window that opened it.
struct Session {
  std::unique_ptr<CMainWindow> window;
  Glib::RefPtr<Gsv::Buffer> buffer;
  Session() {
    static Glib::RefPtr<Gtk::Application> app = [] {
      auto made = Gtk::Application::create("org.quillon.SaveBench", Gio::APPLICATION_NON_UNIQUE);
      made->register_application();
      return made;
    }();
    const std::string root = bench::Scratch("stall");
    const std::string make = "mkdir -p '" + root + "/notesbase' && ln -sfn '" QL_SOURCE_DIR "/data' '" + root +
                             "/data' && ln -sfn '" QL_SOURCE_DIR "/sourceview' '" + root + "/sourceview'";
    if (system(make.c_str()) != 0) return;
    bench::PlainWrite(root + "/notesbase/config.json", R"({"active_document": "/lecture.md"})");
    bench::PlainWrite(root + "/notesbase/lecture.md", bench::LectureNotes().with_drawings);
    setenv("QL_DEVEL", root.c_str(), 1);
    window = std::make_unique<CMainWindow>(app);
    buffer = window->Notebook().SourceBuffer();
    Settle();
  }
  ~Session() {
    if (window) window->FinishSave();
  }
  static void Settle() {
    gint64 end = g_get_monotonic_time() + 2000000;
    while (g_main_context_pending(nullptr) && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
  }
  // A keystroke's worth of change, then a quiet loop.
  void Change() {
    window->FinishSave();
    buffer->insert(buffer->get_iter_at_line(3), "x");
    Settle();
  }
  void Autosave() { window->AutosaveTick(window->Notebook().last_change_time + 6000000); }
};

void Slice(GtkTextBuffer* buffer) {
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  g_free(gtk_text_buffer_get_slice(buffer, &start, &end, TRUE));
}

// The longest gap between main-loop iterations from when `work` is queued
// until `done` holds: a 1 ms timer notes the time of every dispatch.
double LongestGap(const std::function<void()>& work, const std::function<bool()>& done) {
  gint64 last = g_get_monotonic_time(), longest = 0;
  auto ticker = Glib::signal_timeout().connect(
      [&] {
        gint64 now = g_get_monotonic_time();
        longest = std::max(longest, now - last);
        last = now;
        return true;
      },
      1);
  bool queued = false, ran = false;
  Glib::signal_idle().connect_once([&] {
    work();
    ran = true;
  });
  queued = true;
  last = g_get_monotonic_time();
  while (queued && !(ran && done())) g_main_context_iteration(nullptr, TRUE);
  // One more tick, so the gap that ends with the work is counted.
  gint64 after = g_get_monotonic_time();
  while (g_get_monotonic_time() - after < 3000) g_main_context_iteration(nullptr, TRUE);
  ticker.disconnect();
  return double(longest) / 1e6;
}

void BM_AutosaveStall_vs_GetSlice(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  Quiet quiet;
  Session session;
  if (!session.window) return state.SkipWithError("no notes base");
  GtkTextBuffer* buffer = GTK_TEXT_BUFFER(session.buffer->gobj());
  bench::Compare(
      state, [&] { session.Change(); }, [&] { session.Autosave(); }, [&] { Slice(buffer); });
  session.window->FinishSave();
}
BENCHMARK(BM_AutosaveStall_vs_GetSlice)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_AutosaveLongestGap_vs_GetSlice(benchmark::State& state) {
  if (!bench::GtkReady()) return state.SkipWithError("no display");
  Quiet quiet;
  Session session;
  if (!session.window) return state.SkipWithError("no notes base");
  CMainWindow& window = *session.window;
  GtkTextBuffer* buffer = GTK_TEXT_BUFFER(session.buffer->gobj());
  double ours = 0, base = 0, onLoop = 0, worst = 0;
  for (auto _ : state) {
    session.Change();
    double gap = LongestGap([&] { session.Autosave(); }, [&] { return !window.SaveInProgress(); });
    ours += gap;
    worst = std::max(worst, gap);
    session.Change();
    base += LongestGap([&] { Slice(buffer); }, [] { return true; });
    session.Change();
    onLoop += LongestGap([&] { window.SaveDocument(); }, [] { return true; });
  }
  const double n = double(state.iterations());
  state.counters["longest_gap_ms"] = ours / n * 1e3;
  state.counters["worst_gap_ms"] = worst * 1e3;
  state.counters["slice_gap_ms"] = base / n * 1e3;
  state.counters["save_on_loop_gap_ms"] = onLoop / n * 1e3;
  state.counters["ratio"] = ours / base;
  state.counters["ratio_on_loop"] = onLoop / base;
}
BENCHMARK(BM_AutosaveLongestGap_vs_GetSlice)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
