// Widgets shown in place of hidden regions: placing them at their anchor.
#include "drawing/bound_drawing.h"
#include "editor/notebook.h"
#include "editor/widget_factory.h"

bool CNotebook::HoldsDrawing(Gtk::TextIter position) {
  auto anchor = position.get_child_anchor();
  if (!anchor) return false;
  for (Gtk::Widget* widget : anchor->get_widgets())
    if (IsBoundDrawing(widget)) return true;
  return false;
}

Glib::RefPtr<Gtk::TextTag> CNotebook::RiseTag(int key) {
  Glib::RefPtr<Gtk::TextTag>& tag = rise_tags[key];
  if (!tag) {
    tag = Gtk::TextTag::create();
    tag->property_rise() = -1024 * key;
    source_buffer->get_tag_table()->add(tag);
  }
  return tag;
}

void CNotebook::PlaceWidget(const std::string& contextClass, const Gtk::TextIter& start, const Gtk::TextIter& end) {
  // The toolkit asks every anchored child for its size on each layout
  // change: a long note gets widgets only where the view shows it, the
  // rest when it scrolls there. Until then the markup just stays hidden.
  Gtk::TextIter nearStart, nearEnd;
  if (!NearRange(nearStart, nearEnd) || start < nearStart || start > nearEnd) {
    ScheduleWidgetScan();
    return;
  }
  Gtk::TextIter at = start;
  auto anchor = at.get_child_anchor();
  if (!anchor) {
    // Inserting text now would pull the buffer from under the highlighter:
    // the anchor comes at idle time, and the pass it causes places the widget.
    Glib::signal_idle().connect(
        sigc::bind(sigc::mem_fun(*this, &CNotebook::CreateAnchor), source_buffer->create_mark(start, true)));
    return;
  }
  auto factory = WidgetFactories().find(contextClass);
  if (HoldsDrawing(start) || factory == WidgetFactories().end()) return;
  Gtk::TextIter next = start;
  next.forward_char();
  ChangeTag(hidden_tag, start, next, false);
  Gtk::Widget* widget = Gtk::manage(factory->second.create(*this, start, end));
  add_child_at_anchor(*widget, anchor);
  widget->show();
  placed_anchors.push_back(anchor);
}

bool CNotebook::CreateAnchor(Glib::RefPtr<Gtk::TextMark> mark) {
  if (mark->get_deleted()) return false;
  Gtk::TextIter at = source_buffer->get_iter_at_mark(mark);
  auto anchor = at.get_child_anchor();
  bool widgetRegion = false;
  for (const auto& entry : WidgetFactories())
    widgetRegion = widgetRegion || source_buffer->iter_has_context_class(at, entry.first);
  // The note may have changed (or been switched) since: only a region
  // that still wants a widget gets an anchor.
  if (!anchor && widgetRegion && source_buffer->iter_has_context_class(at, "prox")) {
    // Not the user's edit: the undo history only moves past it.
    source_buffer->create_child_anchor(at);
    at = source_buffer->get_iter_at_mark(mark);
    anchor = at.get_child_anchor();
  }
  // An anchor that shows its widget already was placed by an earlier call.
  if (anchor && !HoldsDrawing(at) && anchor->get_widgets().empty()) {
    Gtk::TextIter next = at;
    next.forward_char();
    source_buffer->apply_tag(hidden_tag, at, next);
    source_buffer->apply_tag(anchor_tag, at, next);
  }
  source_buffer->delete_mark(mark);
  return false;
}

bool CNotebook::NearRange(Gtk::TextIter& start, Gtk::TextIter& end, int screens) {
  Gdk::Rectangle visible;
  get_visible_rect(visible);
  if (!get_realized() || visible.get_height() <= 1) return false;
  Gtk::TextIter top, bottom;
  int lineTop = 0;
  get_line_at_y(top, visible.get_y(), lineTop);
  get_line_at_y(bottom, visible.get_y() + visible.get_height(), lineTop);
  // Lines the view has not laid out yet count as no height, so the line
  // at the bottom may lie far too low in a note just opened: no line is
  // shorter than a few pixels unless all of it is hidden.
  int shown = std::min(bottom.get_line() - top.get_line() + 1, visible.get_height() / 8);
  // A screen's worth of lines on either side, so scrolling a little
  // finds the widgets there already.
  int screen = std::max(shown, 30) * screens;
  bottom = top;
  bottom.forward_lines(shown);
  start = top;
  start.backward_lines(screen);
  end = bottom;
  end.forward_lines(screen + 1);
  return true;
}

void CNotebook::WatchAdjustment() {
  scroll_watch.disconnect();
  extent_watch.disconnect();
  if (auto adjustment = get_vadjustment()) {
    scroll_watch = adjustment->signal_value_changed().connect(sigc::mem_fun(*this, &CNotebook::ScheduleWidgetScan));
    // Edits far above move text into view without scrolling.
    extent_watch = adjustment->signal_changed().connect(sigc::mem_fun(*this, &CNotebook::ScheduleWidgetScan));
  }
}

void CNotebook::ScheduleWidgetScan() {
  // After the frame, once the view has laid out what it shows.
  if (!widget_scan.connected())
    widget_scan = Glib::signal_idle().connect(sigc::mem_fun(*this, &CNotebook::PlaceNearWidgets));
}

// Widgets far from view go again (the anchor stays, hidden, as while the
// markup shows): the toolkit sizes every anchored child on each layout
// change, so scrolling through a long note must not gather them all.
void CNotebook::RemoveFarWidgets() {
  Gtk::TextIter keepStart, keepEnd;
  if (!NearRange(keepStart, keepEnd, 3)) return;
  std::vector<Glib::RefPtr<Gtk::TextChildAnchor>> kept;
  for (const auto& anchor : placed_anchors) {
    if (anchor->get_deleted() || anchor->get_widgets().empty()) continue;
    Gtk::TextIter at = source_buffer->get_iter_at_child_anchor(anchor);
    if (at < keepStart || at > keepEnd)
      RemoveWidgets(at);
    else
      kept.push_back(anchor);
  }
  placed_anchors.swap(kept);
}

bool CNotebook::PlaceNearWidgets() {
  Gtk::TextIter start, end;
  if (!NearRange(start, end)) return false;
  RemoveFarWidgets();
  auto buffer = source_buffer;
  // Context classes lag behind edits (an anchor just inserted has none):
  // bring them up to date here first, which runs the pass over them too.
  buffer->ensure_highlight(start, end);
  if (!NearRange(start, end)) return false;
  Push(end);
  Gtk::TextIter i = start;
  do {
    Gtk::TextIter j = i, before = i;
    if (!buffer->iter_forward_to_context_class_toggle(j, "prox")) j = buffer->end();
    // Regions a pass has hidden whose widget is not there yet; the one
    // the cursor is in shows its markup instead.
    bool startsRegion = buffer->iter_has_context_class(i, "prox") && i.has_tag(proximity_tag) &&
                        !(before.backward_char() && buffer->iter_has_context_class(before, "prox"));
    Gtk::TextIter last = buffer->get_iter_at_mark(last_position);
    auto anchor = i.get_child_anchor();
    bool placed = anchor && (HoldsDrawing(i) || !anchor->get_widgets().empty());
    if (startsRegion && (last < i || last > j) && !placed) {
      for (const auto& entry : WidgetFactories()) {
        if (!buffer->iter_has_context_class(i, entry.first)) continue;
        Push(j);
        PlaceWidget(entry.first, i, j);
        j = Pop();
        break;
      }
    }
    i = j;
    end = buffer->get_iter_at_mark(mark_stack.back());
  } while (i < end);
  Pop();
  return false;
}

int CNotebook::ImageWidthLimit() {
  Gdk::Rectangle visible;
  get_visible_rect(visible);
  int width = visible.get_width() - get_left_margin() - get_right_margin() - 8;
  return get_realized() && width > 16 ? width : 0;
}

void CNotebook::OnWidthChanged(int width) {
  if (width == fitted_width) return;
  fitted_width = width;
  // Once the window stops changing size, not at every step of a drag.
  refit_timer.disconnect();
  refit_timer = Glib::signal_timeout().connect(
      [this]() {
        RefitImages();
        return false;
      },
      150);
}

// Images made for another width are made again (at the next scan).
void CNotebook::RefitImages() {
  int limit = ImageWidthLimit();
  if (limit <= 0) return;
  for (const auto& anchor : placed_anchors) {
    if (anchor->get_deleted()) continue;
    for (Gtk::Widget* widget : anchor->get_widgets()) {
      auto* image = dynamic_cast<Gtk::Image*>(widget);
      int natural = image ? ImageNaturalWidth(image) : 0;
      if (natural <= 0 || image->get_storage_type() != Gtk::IMAGE_PIXBUF) continue;
      if (image->get_pixbuf()->get_width() != std::min(natural, limit)) {
        RemoveWidgets(source_buffer->get_iter_at_child_anchor(anchor));
        break;
      }
    }
  }
  ScheduleWidgetScan();
}
