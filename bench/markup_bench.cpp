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
  explicit Shown(CNotebook& notebook) {
    scrolled.add(notebook);
    window.add(scrolled);
    window.set_default_size(800, 600);
    window.show_all();
    RunUntilIdle();
  }
  ~Shown() { scrolled.remove(); }
};

// Seconds to highlight `note` with the editor's "markdown" in a new buffer,
// alone or shown by a plain source view (whose layout follows every tag).
double HighlightOnly(CNotebook& languages, const std::string& note, bool inView) {
  auto plain = Gsv::Buffer::create(languages.LanguageManager()->get_language("markdown"));
  std::unique_ptr<Gsv::View> view(inView ? new Gsv::View(plain) : nullptr);
  auto start = std::chrono::steady_clock::now();
  plain->set_text(note);
  Settle(plain);
  return Seconds(start);
}

// Time until a 1 MB note is highlighted and every pass has finished,
// against highlighting the same text with the same language and no passes.
void RenderedNote(benchmark::State& state, bool tasks, bool shown = false) {
  if (!InitGtk()) return state.SkipWithError("no display");
  const std::string note = Note(1 << 20, tasks);
  double rendered = 0, baseline = 0, baselineInView = 0;
  for (auto _ : state) {
    auto notebook = std::make_unique<CNotebook>();
    notebook->Initialise(kSourceDir, true);
    std::unique_ptr<Shown> window(shown ? new Shown(*notebook) : nullptr);
    RunUntilIdle();
    baseline += HighlightOnly(*notebook, note, false);
    baselineInView += HighlightOnly(*notebook, note, true);
    RunUntilIdle();

    auto buffer = notebook->SourceBuffer();
    auto start = std::chrono::steady_clock::now();
    buffer->set_text(note);
    buffer->place_cursor(buffer->end());
    Settle(buffer);
    rendered += Seconds(start);
    window.reset();
    notebook.reset();
    RunUntilIdle();
  }
  state.counters["highlight_only_s"] = baseline / double(state.iterations());
  state.counters["x_highlight_only"] = rendered / baseline;
  state.counters["x_highlight_in_view"] = rendered / baselineInView;
}

void BM_RenderedNote1MB(benchmark::State& state) { RenderedNote(state, true); }

// Without check buttons: what the passes cost apart from the toolkit's
// walk over every anchored child on each layout change.
void BM_RenderedNote1MBNoWidgets(benchmark::State& state) { RenderedNote(state, false); }

void BM_RenderedNote1MBShown(benchmark::State& state) { RenderedNote(state, true, true); }

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
BENCHMARK(BM_RenderedNote1MBNoWidgets)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RenderedNote1MBShown)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CursorPass1KB)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1MB)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1MBNoWidgets)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1KBShown)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_CursorPass1MBShown)->Unit(benchmark::kMicrosecond)->Iterations(300);
