#include "editor/line_gaps.h"
#include "drawing/pen_input.h"

#include <glib.h>

#include "drawing/bound_drawing.h"
#include "drawing/pen_rules.h"

using pen_rules::ECompression;

CPenInput::CPenInput(IPenEditor& penEditor, SPenState& penState) : editor(penEditor), state(penState) {}

void CPenInput::BufferOrigin(int& ox, int& oy) {
  editor.View().window_to_buffer_coords(Gtk::TEXT_WINDOW_WIDGET, 0, 0, ox, oy);
}

void CPenInput::OnViewAllocate(int width, int height) {
  Glib::RefPtr<Gdk::Window> window = editor.Overlay().get_window();
  if (!window) return;
  // Every pointer event goes through to the view below.
  window->set_pass_through(true);
  width = std::max(width, 1);
  height = std::max(height, 1);
  auto surface = window->create_similar_surface(Cairo::CONTENT_COLOR_ALPHA, width, height);
  auto context = Cairo::Context::create(surface);
  if (overlay_surface) {
    context->save();
    context->set_source(overlay_surface, 0, 0);
    context->rectangle(0, 0, width, height);
    context->set_operator(Cairo::OPERATOR_SOURCE);
    context->fill();
    context->restore();
  }
  overlay_surface = surface;
  overlay_context = context;
}

bool CPenInput::OnOverlayDraw(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!overlay_surface) return true;
  cr->set_source(overlay_surface, 0, 0);
  cr->paint();
  if (state.pen_operation == 3) {
    int ox, oy;
    BufferOrigin(ox, oy);
    cr->save();
    cr->set_line_width(2.0);
    cr->set_source_rgba(0.627, 0.659, 0.75, 1.0);
    cr->rectangle(state.box_start[0] - ox, state.box_start[1] - oy, state.box_end[0] - state.box_start[0],
                  state.box_end[1] - state.box_start[1]);
    cr->set_dash(std::vector<double>{2.0, 2.0}, 0);
    cr->stroke();
    cr->restore();
  }
  return true;
}

bool CPenInput::OnPress(const SPenEvent& event, GdkWindow* window) {
  // A second button (a pen's barrel button) while a gesture is under way,
  // or the repeat of a double click, must not restart it.
  if (state.pen_operation != 0) return true;
  int mode = state.device_modes.EnterForPress(event.device, event.axes);
  if (mode != 3) ClearSelection();
  int ox, oy;
  BufferOrigin(ox, oy);
  double bx = event.x + ox, by = event.y + oy;
  Gtk::TextView& view = editor.View();
  switch (mode) {
    case 0: {
      // Links open with the primary button; the others keep the view's
      // own meaning (the context menu).
      if (event.control || event.button != 1 || event.repeated) return false;
      Gtk::TextIter at = IterAtLocation(view, int(bx), int(by));
      if (!editor.IsLink(at)) return false;
      editor.ActivateLink(editor.LinkAt(int(bx), int(by)));
      return true;
    }
    case 1: {
      if (event.repeated) return true;
      state.active_stroke.Reset();
      state.active_stroke.Append(float(bx), float(by), state.stroke_width * float(event.pressure));
      state.pen_operation = 1;
      if (window) gdk_window_set_event_compression(window, false);
      break;
    }
    case 2:
      if (event.repeated) return true;
      state.pen_operation = 2;
      break;
    case 3:
      if (event.repeated) return true;
      state.box_start[0] = state.box_end[0] = bx;
      state.box_start[1] = state.box_end[1] = by;
      state.pen_operation = 3;
      break;
    default:
      return false;
  }
  pressed_button = event.button;
  view.grab_focus();
  return true;
}

bool CPenInput::OnMotion(const SPenEvent& event, GdkWindow* window) {
  int ox, oy;
  BufferOrigin(ox, oy);
  double bx = event.x + ox, by = event.y + oy;
  switch (state.pen_operation) {
    case 0: {
      // Only where a click would open the link.
      if (!event.control && state.device_modes.ModeOf(event.device) == 0) {
        Gtk::TextIter at = IterAtLocation(editor.View(), int(bx), int(by));
        if (editor.IsLink(at)) {
          editor.ShowLinkCursor();
          state.link_hover = true;
          break;
        }
      }
      if (state.link_hover) {
        state.cursor_refresh = true;
        state.link_hover = false;
      }
      break;
    }
    case 1: {
      pen_rules::SMotionStep step =
          pen_rules::DecideMotion(state.active_stroke, bx, by, state.stroke_width, event.pressure);
      if (step.compression != ECompression::KEEP && window)
        gdk_window_set_event_compression(window, step.compression == ECompression::ON);
      if (step.drop) break;
      state.active_stroke.Append(float(bx), float(by), step.width);
      if (overlay_context)
        state.active_stroke.Render(overlay_context, unsigned(state.active_stroke.xcoords.size() - 1), float(ox),
                                   float(oy));
      pen_rules::SRect r = pen_rules::SegmentRepaint(event.x, event.y, step.dist, step.width);
      editor.Overlay().queue_draw_area(r.x, r.y, r.width, r.height);
      break;
    }
    case 2:
      EraseUnder(float(bx), float(by));
      break;
    case 3: {
      double x0 = std::min({bx, state.box_end[0], state.box_start[0]}) - 2 - ox;
      double y0 = std::min({by, state.box_end[1], state.box_start[1]}) - 2 - oy;
      double x1 = std::max({bx, state.box_end[0], state.box_start[0]}) + 2 - ox;
      double y1 = std::max({by, state.box_end[1], state.box_start[1]}) + 2 - oy;
      editor.Overlay().queue_draw_area(int(x0), int(y0), int(x1) - int(x0), int(y1) - int(y0));
      state.box_end[0] = bx;
      state.box_end[1] = by;
      break;
    }
    default:
      break;
  }
  return false;
}

bool CPenInput::OnRelease(const SPenEvent& event, GdkWindow* window) {
  if (window) gdk_window_set_event_compression(window, true);
  int op = state.pen_operation;
  if (op == 0) return false;
  // Another button let go while the gesture's own is held.
  if (event.button != pressed_button) return true;
  int ox, oy;
  BufferOrigin(ox, oy);
  if (op == 3) {
    pen_rules::SBox box =
        pen_rules::NormalizeBox(state.box_start[0], state.box_start[1], event.x + ox, event.y + oy);
    state.pen_operation = 0;
    SelectRegion(float(box.left), float(box.right), float(box.top), float(box.bottom));
    editor.View().queue_draw();
    editor.Overlay().queue_draw();
  } else if (op == 1) {
    state.active_stroke.Simplify();
    CommitStroke();
  } else if (op == 2) {
    FinishErasing();
  }
  state.pen_operation = 0;
  return true;
}
