// The long note of the opening and saving benchmarks: 1 MB of text with
// 100 drawings of 200 strokes of 60 points (about 18 MB on disk).
#pragma once

#include <string>
#include <vector>

#include "bench_support.h"
#include "drawing/bound_drawing.h"

namespace bench {

struct Note {
  std::string plain;          // the text alone
  std::string with_drawings;  // the same text with 100 drawing links in it
};

inline const Note& LectureNotes() {
  static const Note note = [] {
    Note made;
    const std::string paragraph =
        "## Lecture\n\nThe *quick* brown fox jumps over the **lazy** dog; see [the notes](other.md).\n"
        "- a point worth making\n- another one, with `code` in it\n\n";
    std::vector<std::string> links;
    for (unsigned i = 0; i < 100; ++i) {
      CBoundDrawing drawing{Glib::RefPtr<Gdk::Window>()};
      for (CStroke& stroke : bench::Strokes(200, 60, 700, 400, i + 1)) drawing.AddStroke(stroke, true, 0, 0);
      links.push_back(drawing.Serialize());
    }
    const size_t size = 1 << 20, every = size / 100;
    size_t next = 2000;  // one drawing on the first screen
    while (made.plain.size() < size) {
      made.plain += paragraph;
      made.with_drawings += paragraph;
      if (made.plain.size() >= next && !links.empty()) {
        made.with_drawings += links.back() + "\n";
        links.pop_back();
        next += every;
      }
    }
    return made;
  }();
  return note;
}

}  // namespace bench
