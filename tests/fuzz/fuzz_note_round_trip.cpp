// A whole note through the editor's buffer: deserializing it and
// serializing it again must give the same bytes, whatever mix of markdown,
// drawing links (sound, damaged, cut short) and prose about "![](ql:" it
// holds. Input bytes are a small program, so every input is valid UTF-8:
// printable ASCII, tab and line feed stand for themselves, every other byte
// for one of the fragments below. Plain markdown files are thus seeds as
// they stand.
#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "editor/notebook.h"

namespace {

Gtk::OffscreenWindow* window = nullptr;
CNotebook* notebook = nullptr;
std::vector<std::string> fragments;

std::string SoundLink() {
  CBoundDrawing drawing{Glib::RefPtr<Gdk::Window>()};
  drawing.Resize(64, 32, 0, 0);
  CStroke stroke;
  stroke.color[0] = 0.3f;
  stroke.color[3] = 1;
  for (int i = 0; i < 6; ++i) stroke.Append(4.0f + 9 * i, 3.0f + 4 * i, 1.5f);
  drawing.AddStroke(stroke, true, 0, 0);
  return drawing.Serialize();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Drawings trace their widget events on standard output; libFuzzer
  // reports on standard error.
  if (!std::freopen("/dev/null", "w", stdout)) std::exit(1);
  if (!gtk_init_check(argc, argv)) {
    std::fprintf(stderr, "no display: run under Xvfb\n");
    std::exit(1);
  }
  Gsv::init();
  window = new Gtk::OffscreenWindow();
  notebook = new CNotebook();
  notebook->Initialise(QL_SOURCE_DIR, false);
  window->add(*notebook);
  window->show_all();
  while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);

  const std::string link = SoundLink();
  const std::string payload = link.substr(7, link.size() - 8);
  fragments = {
      "![](ql:",
      link,
      link.substr(0, link.size() - 1),                      // cut short: no ")"
      link.substr(0, link.size() / 2),                      // cut in the middle
      "![](ql:" + payload.substr(0, payload.size() / 2) + ")",  // damaged, of a drawing's form
      "![](ql:12,AAAA)",
      "![](ql:0,)",
      "![](ql:" + payload + " )",                            // a blank: text
      "Write ![](ql: to start a drawing (any time).",
      "![](ql",
      payload,
      "\xc3\xa9",          // é
      "\xe6\x97\xa5\xe6\x9c\xac",  // 日本
      "\xf0\x9f\x98\x80",  // 😀
      "\xef\xbf\xbc",      // U+FFFC, the anchor character, typed as text
      "\r\n",
      "\r",
      "- [ ] ",
      "- [x] ",
      "```\n",
      "```python\n",
      "![i](x.png)",
      "[label](other.md)",
      "**",
      "`",
      "# ",
      "> ",
      "<https://example.org>",
      "\\",
  };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string note;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t b = data[i];
    if ((b >= 0x20 && b < 0x7f) || b == '\n' || b == '\t')
      note += char(b);
    else
      note += fragments[b % fragments.size()];
  }
  auto buffer = notebook->SourceBuffer();
  buffer->begin_not_undoable_action();
  EmptyBuffer(buffer);
  Gtk::TextIter start = buffer->begin();
  DeserializeNote(buffer, start, note);
  buffer->end_not_undoable_action();
  const std::string saved = SerializeNote(buffer, buffer->begin(), buffer->end());
  if (saved != note) {
    std::fprintf(stderr, "round trip changed the note\n--- read (%zu bytes):\n%s\n--- written (%zu bytes):\n%s\n",
                 note.size(), note.c_str(), saved.size(), saved.c_str());
    std::abort();
  }
  return 0;
}
