// Horizontal rules and code-block frames, painted under the text.
#include "editor/line_gaps.h"
#include "editor/notebook.h"

namespace {

// Vertical middle of the line at `at`, in widget-window coordinates, with
// the window x of the buffer's left edge.
struct LineBox {
  int x, bottom, height;
};

LineBox Line(Gtk::TextView& view, const Gtk::TextIter& at) {
  int y = 0, height = 0, x = 0, bottom = 0;
  view.get_line_yrange(at, y, height);
  view.buffer_to_window_coords(Gtk::TEXT_WINDOW_WIDGET, 0, y + height, x, bottom);
  return {x, bottom, height};
}

}  // namespace

void CNotebook::PaintLayer(cairo_t* cr) {
  auto buffer = source_buffer;
  if (!buffer) return;
  double x1, y1, x2, y2;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  int bx = 0, by = 0;
  window_to_buffer_coords(Gtk::TEXT_WINDOW_WIDGET, int(x1), int(y1), bx, by);
  Gdk::Rectangle area(bx, by, int(x2 - x1), int(y2 - y1)), visible;
  get_visible_rect(visible);
  area.join(visible);
  Gtk::TextIter top = IterAtLocation(*this, area.get_x(), area.get_y());
  Gtk::TextIter bottom = IterAtLocation(*this, area.get_x() + area.get_width(), area.get_y() + area.get_height());

  cairo_save(cr);
  cairo_set_source_rgba(cr, 0.627, 0.659, 0.75, 1.0);
  cairo_set_line_width(cr, 1.0);

  Gtk::TextIter at = top;
  if (buffer->iter_has_context_class(at, "hline") || buffer->iter_forward_to_context_class_toggle(at, "hline")) {
    while (at < bottom) {
      if (buffer->iter_has_context_class(at, "hline")) {
        LineBox line = Line(*this, at);
        double middle = line.bottom - line.height / 2;
        cairo_move_to(cr, margin + line.x, middle);
        cairo_line_to(cr, line.x + area.get_width() - margin, middle);
        cairo_stroke(cr);
      }
      if (!buffer->iter_forward_to_context_class_toggle(at, "hline")) break;
    }
  }

  // Start from the opening fence of a block that may begin above the area.
  at = top;
  if (buffer->iter_forward_to_context_class_toggle(at, "cbend") && !at.is_end()) {
    buffer->iter_backward_to_context_class_toggle(at, "cbstart");
    buffer->iter_backward_to_context_class_toggle(at, "cbstart");
  } else {
    at = top;
  }
  for (;;) {
    if (buffer->iter_has_context_class(at, "cbstart")) {
      LineBox open = Line(*this, at);
      buffer->iter_forward_to_context_class_toggle(at, "cbend");
      LineBox close = Line(*this, at);
      cairo_rectangle(cr, margin + open.x - open.height / 2, open.bottom - open.height / 2,
                      area.get_width() - 2 * margin + open.height, close.bottom - open.bottom);
      cairo_stroke(cr);
      buffer->iter_forward_to_context_class_toggle(at, "cbend");
    }
    if (!buffer->iter_forward_to_context_class_toggle(at, "cbstart") || !(at < bottom)) break;
  }
  cairo_restore(cr);
}
