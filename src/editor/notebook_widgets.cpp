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
  source_buffer->remove_tag(hidden_tag, start, next);
  Gtk::Widget* widget = Gtk::manage(factory->second.create(*this, start, end));
  add_child_at_anchor(*widget, anchor);
  widget->show();
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
    source_buffer->begin_not_undoable_action();
    source_buffer->create_child_anchor(at);
    source_buffer->end_not_undoable_action();
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
