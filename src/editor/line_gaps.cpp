#include "editor/line_gaps.h"

int OffLineGaps(Gtk::TextView& view, int y) {
  Gtk::TextIter line;
  int top = 0;
  view.get_line_at_y(line, y, top);
  Gtk::TextIter end = line;
  if (!end.ends_line()) end.forward_to_line_end();
  Gdk::Rectangle last;
  view.get_iter_location(end, last);
  int bottom = last.get_y() + last.get_height() - 1;
  return y > bottom && bottom >= top ? bottom : y;
}

Gtk::TextIter IterAtLocation(Gtk::TextView& view, int x, int y) {
  Gtk::TextIter at;
  view.get_iter_at_location(at, x, OffLineGaps(view, y));
  return at;
}

Gtk::TextIter IterAtPosition(Gtk::TextView& view, int x, int y) {
  Gtk::TextIter at;
  int trailing;
  view.get_iter_at_position(at, trailing, x, OffLineGaps(view, y));
  return at;
}
