// Where pen input changes the note: committing a stroke, erasing and
// selecting.
#include "editor/line_gaps.h"
#include <glib.h>

#include <cstdio>

#include "drawing/bound_drawing.h"
#include "drawing/drawing_edit.h"
#include "drawing/pen_input.h"
#include "drawing/pen_rules.h"

using pen_rules::ECharKind;

namespace {

const gunichar kObject = 0xFFFC;

ECharKind KindOf(Gtk::TextIter at) {
  if (at.is_end()) return ECharKind::TEXT;
  if (Glib::RefPtr<Gtk::TextChildAnchor> anchor = at.get_child_anchor()) {
    std::vector<Gtk::Widget*> widgets = anchor->get_widgets();
    if (widgets.empty()) return ECharKind::BARE_ANCHOR;
    return IsBoundDrawing(widgets.front()) ? ECharKind::DRAWING : ECharKind::WIDGET;
  }
  gunichar c = at.get_char();
  return c == kObject || g_unichar_isspace(c) ? ECharKind::BLANK : ECharKind::TEXT;
}

}  // namespace

CBoundDrawing* CPenInput::DrawingAt(Gtk::TextIter at) {
  Glib::RefPtr<Gtk::TextChildAnchor> anchor = at.get_child_anchor();
  if (!anchor) return nullptr;
  std::vector<Gtk::Widget*> widgets = anchor->get_widgets();
  return widgets.empty() ? nullptr : IsBoundDrawing(widgets.front());
}

void CPenInput::OriginOf(CBoundDrawing& drawing, int& x, int& y) {
  Gtk::Allocation a = drawing.get_allocation();
  editor.View().window_to_buffer_coords(Gtk::TEXT_WINDOW_TEXT, 0, 0, x, y);
  x += a.get_x();
  y += a.get_y();
}

void CPenInput::ClearOverlay() {
  if (!overlay_context) return;
  Gtk::TextView& view = editor.View();
  overlay_context->save();
  overlay_context->set_source_rgba(0, 0, 0, 0);
  overlay_context->rectangle(0, 0, view.get_width(), view.get_height());
  overlay_context->set_operator(Cairo::OPERATOR_SOURCE);
  overlay_context->fill();
  overlay_context->restore();
  editor.Overlay().queue_draw();
}

void CPenInput::CommitStroke() {
  CStroke& stroke = state.active_stroke;
  if (stroke.xcoords.empty()) return;
  Gtk::TextView& view = editor.View();
  Glib::RefPtr<Gtk::TextBuffer> buffer = view.get_buffer();

  Gtk::TextIter first = IterAtLocation(view, 0, 0);
  Gdk::Rectangle l;
  view.get_iter_location(first, l);
  stroke.ClampMin(float(l.get_x()), float(l.get_y()));
  float x0, x1, y0, y1;
  stroke.GetBounds(x0, x1, y0, y1);
  ClearOverlay();

  auto kindAt = [&buffer](int offset) { return KindOf(buffer->get_iter_at_offset(offset)); };
  auto at = [&]() {
    return IterAtLocation(view, int(x0), int(y0));
  };
  CBoundDrawing* target = nullptr;
  editor.PenEdit([&]() {
    Gtk::TextIter i = at();
    const int start = i.get_offset();

    // Only blanks between the stroke and a drawing before it: it joins.
    int back = pen_rules::SearchBackward(kindAt, start);
    if (CBoundDrawing* d = back >= 0 ? DrawingAt(buffer->get_iter_at_offset(back)) : nullptr) {
      int ox, oy;
      OriginOf(*d, ox, oy);
      int w = d->width, h = d->height;
      if (d->AddStroke(stroke, false, float(-ox), float(-oy))) {
        auto edit = std::make_shared<SDrawingEdit>();
        edit->old_width = w;
        edit->old_height = h;
        edit->new_width = d->width;
        edit->new_height = d->height;
        edit->added.push_back(d->Strokes().back());
        editor.DrawingEdited(buffer->get_iter_at_offset(back), edit);
        target = d;
        return;
      }
    }

    // Only blanks up to a drawing after it: the drawing moves to the
    // stroke's place, growing left or up to take it.
    int stop = start;
    int ahead = pen_rules::SearchForward(kindAt, start, buffer->get_char_count(), stop);
    if (CBoundDrawing* d = ahead >= 0 ? DrawingAt(buffer->get_iter_at_offset(ahead)) : nullptr) {
      Gdk::Rectangle r;
      view.get_iter_location(i, r);
      int ox, oy;
      OriginOf(*d, ox, oy);
      int w = d->width, h = d->height;
      int dx = r.get_x() - ox, dy = r.get_y() - oy;
      std::vector<CStroke> before = d->Strokes();
      if (pen_rules::LiesFrom(stroke, float(r.get_x()), float(r.get_y())) && d->Resize(w, h, dx, dy)) {
        d->AddStroke(stroke, false, float(-r.get_x()), float(-r.get_y()));
        auto edit = std::make_shared<SDrawingEdit>();
        edit->old_width = w;
        edit->old_height = h;
        edit->new_width = d->width;
        edit->new_height = d->height;
        edit->shift_x = float(-dx);
        edit->shift_y = float(-dy);
        if (dx != 0 || dy != 0) edit->before = std::move(before);
        edit->added.push_back(d->Strokes().back());
        Glib::RefPtr<Gtk::TextChildAnchor> anchor = buffer->get_iter_at_offset(ahead).get_child_anchor();
        buffer->erase(i, buffer->get_iter_at_offset(ahead));
        editor.DrawingEdited(buffer->get_iter_at_child_anchor(anchor), edit);
        target = d;
        return;
      }
    }

    // A new drawing at the text position under the stroke's top-left corner.
    Glib::RefPtr<Gtk::TextTag> hidden = editor.HiddenTag();
    if (hidden && i.has_tag(hidden)) {
      i.forward_to_tag_toggle(hidden);
      i.forward_char();
    }
    Gdk::Rectangle r;
    view.get_iter_location(i, r);
    if (x0 < float(r.get_x())) {
      buffer->insert(i, "\n");
      i = at();
      view.get_iter_location(i, r);
    }
    auto* d = Gtk::manage(new CBoundDrawing(view.get_window(Gtk::TEXT_WINDOW_TEXT)));
    view.add_child_at_anchor(*d, buffer->create_child_anchor(i));
    d->AddStroke(stroke, true, float(-r.get_x()), float(-r.get_y()));
    target = d;
  });
  if (target) target->show();
  stroke.Reset();
  editor.Changed(g_get_real_time());
}

void CPenInput::SelectRegion(float x0, float x1, float y0, float y1) {
  Gtk::TextView& view = editor.View();
  Gtk::TextIter a = IterAtPosition(view, int(x0), int(y0)), b = IterAtPosition(view, int(x1), int(y1));
  std::vector<CBoundDrawing*> picked;
  selected.clear();
  for (Gtk::TextIter i = a;; i.forward_char()) {
    if (CBoundDrawing* d = DrawingAt(i)) {
      int ox, oy;
      OriginOf(*d, ox, oy);
      d->Select(x0 - float(ox), x1 - float(ox), y0 - float(oy), y1 - float(oy));
      picked.push_back(d);
      if (d->has_selection) selected.push_back(i.get_child_anchor());
    }
    if (i == b || i.is_end()) break;
  }
  for (CBoundDrawing* d : Drawings()) {
    if (std::find(picked.begin(), picked.end(), d) != picked.end()) continue;
    std::printf("unsel %p\n", static_cast<void*>(d));
    d->Unselect();
  }
  std::fflush(stdout);
}

std::vector<CBoundDrawing*> CPenInput::Drawings() {
  std::vector<CBoundDrawing*> drawings;
  for (Gtk::Widget* child : editor.View().get_children())
    if (CBoundDrawing* d = IsBoundDrawing(child)) drawings.push_back(d);
  return drawings;
}

void CPenInput::EraseUnder(float x, float y) {
  Gtk::TextIter i = IterAtPosition(editor.View(), int(x), int(y));
  CBoundDrawing* d = DrawingAt(i);
  if (!d) return;
  int ox, oy;
  OriginOf(*d, ox, oy);
  std::shared_ptr<SDrawingEdit>& edit = erased[i.get_child_anchor()];
  if (!edit) {
    edit = std::make_shared<SDrawingEdit>();
    edit->old_width = edit->new_width = d->width;
    edit->old_height = edit->new_height = d->height;
  }
  d->EraseAt(x - float(ox), y - float(oy), state.stroke_width, &edit->removed);
  editor.Changed(g_get_real_time());
}

void CPenInput::FinishErasing() {
  auto gesture = std::move(erased);
  erased.clear();
  Glib::RefPtr<Gtk::TextBuffer> buffer = editor.View().get_buffer();
  editor.PenEdit([&]() {
    for (auto& [anchor, edit] : gesture)
      if (!edit->removed.empty() && !anchor->get_deleted())
        editor.DrawingEdited(buffer->get_iter_at_child_anchor(anchor), edit);
  });
}

bool CPenInput::HasSelection() {
  for (const auto& anchor : selected) {
    if (anchor->get_deleted()) continue;
    CBoundDrawing* d = DrawingAt(editor.View().get_buffer()->get_iter_at_child_anchor(anchor));
    if (d && d->has_selection) return true;
  }
  return false;
}

bool CPenInput::DeleteSelection() {
  if (!HasSelection()) return false;
  Glib::RefPtr<Gtk::TextBuffer> buffer = editor.View().get_buffer();
  auto anchors = std::move(selected);
  selected.clear();
  editor.PenEdit([&]() {
    for (const auto& anchor : anchors) {
      if (anchor->get_deleted()) continue;
      Gtk::TextIter at = buffer->get_iter_at_child_anchor(anchor);
      CBoundDrawing* d = DrawingAt(at);
      if (!d) continue;
      auto edit = std::make_shared<SDrawingEdit>();
      edit->old_width = edit->new_width = d->width;
      edit->old_height = edit->new_height = d->height;
      edit->removed = d->RemoveSelected();
      if (!edit->removed.empty()) editor.DrawingEdited(at, edit);
    }
  });
  editor.Changed(g_get_real_time());
  return true;
}

bool CPenInput::ClearSelection() {
  if (selected.empty()) return false;
  bool any = HasSelection();
  Glib::RefPtr<Gtk::TextBuffer> buffer = editor.View().get_buffer();
  for (const auto& anchor : selected)
    if (!anchor->get_deleted())
      if (CBoundDrawing* d = DrawingAt(buffer->get_iter_at_child_anchor(anchor))) d->Unselect();
  selected.clear();
  return any;
}
