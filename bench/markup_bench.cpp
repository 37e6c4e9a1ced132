// Markup hiding at scale: rendering a 1 MB note against highlighting it
// alone, and one cursor-move pass in a 1 MB note against a 1 KB note.
#include <benchmark/benchmark.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <chrono>
#include <memory>

#include "editor/notebook.h"

namespace {

const std::string kSourceDir = [] {
  std::string file = __FILE__;
  return file.substr(0, file.rfind("/bench/"));
}();

bool InitGtk() {
  static bool ok = [] {
    Gsv::init();
    return bool(gtk_init_check(nullptr, nullptr));
  }();
  return ok;
}

void RunUntilIdle() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// A note of about `bytes` bytes mixing every construct that hides markup,
// with two check buttons per block or none.
std::string Note(size_t bytes, bool tasks = true) {
  const std::string block =
      "# A heading with **bold** words\n"
      "Some _emphasis_, ~~struck~~ text and `inline code` with a [link](notes/other.md).\n" +
      std::string(tasks ? "- [ ] an open task\n- [x] a finished task\n" : "- an open task\n- a finished task\n") +
      "> a quoted line with <https://example.org>\n"
      "---\n"
      "```c\nint main(void) { return 0; }\n```\n"
      "1. a numbered item with plain words in it, and some more plain words\n\n";
  std::string note;
  while (note.size() + block.size() <= bytes) note += block;
  return note;
}

// Every pass done: highlighting, the passes, anchors and the passes after.
void Settle(const Glib::RefPtr<Gsv::Buffer>& buffer) {
  for (int round = 0; round < 3; ++round) {
    buffer->ensure_highlight(buffer->begin(), buffer->end());
    RunUntilIdle();
  }
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A window that shows the editor scrolled to its top, as the application
// does; a view never shown gets no widgets at all.
struct Shown {
  Gtk::Window window;
  Gtk::ScrolledWindow scrolled;
  explicit Shown(Gtk::TextView& view) {
    scrolled.add(view);
    window.add(scrolled);
    window.set_default_size(800, 600);
    window.show_all();
    RunUntilIdle();
  }
  ~Shown() { scrolled.remove(); }
};

// One measurement, in a process of its own: a buffer built after others
// were freed is slower for scattered memory alone (up to 1.5 times here),
// which would be charged to whichever side came later.
// QL_BENCH_MEASURE = "rendered" | "plain", QL_BENCH_TASKS, QL_BENCH_SHOWN.
double MeasureHere(const std::string& kind, bool tasks, bool shown) {
  const std::string note = Note(1 << 20, tasks);
  CNotebook notebook;
  notebook.Initialise(kSourceDir, true);
  // The code-block languages the note names, for both sides alike.
  notebook.CoverFenceLanguages(note);
  // The baseline: the same language in a plain source view, no passes.
  auto plain = Gsv::Buffer::create(notebook.LanguageManager()->get_language("markdown"));
  plain->set_style_scheme(notebook.SourceBuffer()->get_style_scheme());
  Gsv::View plainView(plain);
  plainView.set_wrap_mode(notebook.get_wrap_mode());
  Gtk::TextView& view = kind == "rendered" ? static_cast<Gtk::TextView&>(notebook) : plainView;
  auto buffer = kind == "rendered" ? notebook.SourceBuffer() : plain;
  std::unique_ptr<Shown> window(shown ? new Shown(view) : nullptr);
  RunUntilIdle();
  auto start = std::chrono::steady_clock::now();
  buffer->set_text(note);
  buffer->place_cursor(buffer->end());
  Settle(buffer);
  return Seconds(start);
}

// Runs MeasureHere in a child process of this benchmark; seconds, or < 0.
double Measure(const std::string& kind, bool tasks, bool shown) {
  std::vector<std::string> argv = {"/proc/self/exe"};
  std::vector<std::string> env = Glib::listenv();
  std::vector<std::string> envp;
  for (const std::string& name : env) envp.push_back(name + "=" + Glib::getenv(name));
  envp.push_back("QL_BENCH_MEASURE=" + kind);
  envp.push_back(std::string("QL_BENCH_TASKS=") + (tasks ? "1" : "0"));
  envp.push_back(std::string("QL_BENCH_SHOWN=") + (shown ? "1" : "0"));
  std::string out;
  int status = 0;
  Glib::spawn_sync("", argv, envp, Glib::SpawnFlags(0), Glib::SlotSpawnChildSetup(), &out, nullptr, &status);
  return status == 0 && !out.empty() ? std::stod(out) : -1;
}

// Time until a 1 MB note is highlighted and every pass has finished,
// against highlighting the same text with the same language and no passes,
// each in a fresh process; the runs alternate which side goes first.
void RenderedNote(benchmark::State& state, bool tasks, bool shown = false) {
  if (!InitGtk()) return state.SkipWithError("no display");
  double rendered = 0, baseline = 0;
  int n = 0;
  for (auto _ : state) {
    for (int round = 0; round < 2; ++round, ++n) {
      double a = 0, b = 0;
      if (n % 2 == 0) {
        a = Measure("rendered", tasks, shown);
        b = Measure("plain", tasks, shown);
      } else {
        b = Measure("plain", tasks, shown);
        a = Measure("rendered", tasks, shown);
      }
      if (a < 0 || b < 0) return state.SkipWithError("measurement failed");
      rendered += a;
      baseline += b;
    }
  }
  state.counters["rendered_s"] = rendered / n;
  state.counters["highlight_alone_s"] = baseline / n;
  state.counters["x_highlight_alone"] = rendered / baseline;
}

void BM_RenderedNote1MB(benchmark::State& state) { RenderedNote(state, true); }

// Without check buttons: what the passes cost apart from the toolkit's
// walk over every anchored child on each layout change.
void BM_RenderedNote1MBNoWidgets(benchmark::State& state) { RenderedNote(state, false); }

void BM_RenderedNote1MBShown(benchmark::State& state) { RenderedNote(state, true, true); }

// The child side of Measure: measures, prints the seconds and ends.
const bool kMeasuring = [] {
  const char* kind = getenv("QL_BENCH_MEASURE");
  if (!kind) return false;
  if (!InitGtk()) _exit(1);
  double seconds = MeasureHere(kind, std::string(getenv("QL_BENCH_TASKS")) == "1",
                               std::string(getenv("QL_BENCH_SHOWN")) == "1");
  printf("%.6f\n", seconds);
  fflush(stdout);
  _exit(0);
}();

// One cursor-move pass that leaves one region and enters another; returns
// the mean time of a pass.
double CursorPass(benchmark::State& state, size_t bytes, bool tasks = true, bool shown = false) {
  if (!InitGtk()) {
    state.SkipWithError("no display");
    return 0;
  }
  CNotebook notebook;
  notebook.Initialise(kSourceDir, true);
  std::unique_ptr<Shown> window(shown ? new Shown(notebook) : nullptr);
  auto buffer = notebook.SourceBuffer();
  buffer->set_text(Note(bytes, tasks));
  buffer->place_cursor(buffer->end());
  Settle(buffer);
  // Inside "**bold**" of the first heading, then inside "_emphasis_".
  const int positions[] = {18, 42};
  int n = 0;
  double total = 0;
  for (auto _ : state) {
    buffer->place_cursor(buffer->get_iter_at_offset(positions[n++ % 2]));
    auto start = std::chrono::steady_clock::now();
    notebook.CursorMovePass();
    total += Seconds(start);
  }
  RunUntilIdle();  // the passes the moves scheduled
  return total / double(state.iterations());
}

double small_pass_seconds = 0;

void BM_CursorPass1KB(benchmark::State& state) { small_pass_seconds = CursorPass(state, 1 << 10); }

void BM_CursorPass1MB(benchmark::State& state) {
  double seconds = CursorPass(state, 1 << 20);
  if (small_pass_seconds > 0) state.counters["x_1KB_note"] = seconds / small_pass_seconds;
}

// The toolkit visits every anchored child on each layout change: the same
// note without check buttons shows what the pass itself costs.
void BM_CursorPass1MBNoWidgets(benchmark::State& state) {
  double seconds = CursorPass(state, 1 << 20, false);
  if (small_pass_seconds > 0) state.counters["x_1KB_note"] = seconds / small_pass_seconds;
}

double small_shown_seconds = 0;

void BM_CursorPass1KBShown(benchmark::State& state) { small_shown_seconds = CursorPass(state, 1 << 10, true, true); }

void BM_CursorPass1MBShown(benchmark::State& state) {
  double seconds = CursorPass(state, 1 << 20, true, true);
  if (small_shown_seconds > 0) state.counters["x_1KB_note"] = seconds / small_shown_seconds;
}

}  // namespace

BENCHMARK(BM_RenderedNote1MB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RenderedNote1MBNoWidgets)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RenderedNote1MBShown)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CursorPass1KB)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1MB)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1MBNoWidgets)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1KBShown)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1MBShown)->Unit(benchmark::kMicrosecond)->Iterations(300);
