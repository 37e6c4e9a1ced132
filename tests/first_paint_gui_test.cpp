// A long note draws its first screen rendered before the rest of it has
// been looked at, and the rest follows in slices while the loop stays
// responsive.
#include <gtest/gtest.h>

#include <chrono>

#include "editor/notebook.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

struct LongNote {
  Gtk::Window window;
  Gtk::ScrolledWindow scroll;
  CNotebook notebook;
  Glib::RefPtr<Gsv::Buffer> buffer;
  LongNote() {
    notebook.Initialise(QL_SOURCE_DIR, false);
    buffer = notebook.SourceBuffer();
    scroll.add(notebook);
    window.add(scroll);
    window.set_default_size(600, 400);
    window.show_all();
    RunUntilIdle();
  }
  ~LongNote() { scroll.remove(); }
  // The "**" before a line's bold word: hidden once its region is rendered.
  bool Rendered(int line) { return buffer->get_iter_at_line(line).has_tag(notebook.hidden_tag); }
};

}  // namespace

TEST(FirstPaintTest, TheFirstScreenIsRenderedBeforeTheRest) {
  LongNote note;
  const int lines = 20000;
  std::string text;
  for (int i = 0; i < lines; ++i) text += "**bold** line " + std::to_string(i) + " with some plain words\n";
  note.buffer->set_text(text);
  note.buffer->place_cursor(note.buffer->begin());
  note.buffer->move_mark(note.notebook.last_position, note.buffer->get_iter_at_line(lines - 1));

  // Up to the first frame that draws the note.
  bool drawn = false;
  auto watch = note.notebook.signal_draw().connect(
      [&](const Cairo::RefPtr<Cairo::Context>&) {
        drawn = true;
        return false;
      },
      true);
  ASSERT_TRUE(RunUntil([&] { return drawn; }));
  watch.disconnect();
  EXPECT_TRUE(note.Rendered(1));
  EXPECT_FALSE(note.Rendered(lines - 2));

  // The rest in slices: no iteration of the loop takes long, and the whole
  // note ends rendered without being scrolled through.
  double longest = 0;
  auto done = [&] { return note.Rendered(lines - 2); };
  auto before = std::chrono::steady_clock::now();
  while (!done() && std::chrono::steady_clock::now() - before < std::chrono::seconds(60)) {
    auto start = std::chrono::steady_clock::now();
    Glib::MainContext::get_default()->iteration(false);
    longest = std::max(longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  EXPECT_TRUE(done());
  EXPECT_TRUE(note.Rendered(lines / 2));
  RecordProperty("longest_iteration_ms", int(longest));
  std::printf("longest main-loop iteration while rendering the rest: %.1f ms\n", longest);
}
