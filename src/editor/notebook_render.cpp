// Markup hiding: context classes of the highlighter become text tags, and
// the markup of each construct hides while the cursor is away from it.
#include "editor/notebook.h"
#include "editor/widget_factory.h"

namespace {

// Visits the runs of a context class from `i`, the last one possibly
// reaching past `end`.
template <class Act>
void ClassWalk(const Glib::RefPtr<Gsv::Buffer>& buffer, const Glib::ustring& cls, Gtk::TextIter i,
               const Gtk::TextIter& end, Act act) {
  do {
    Gtk::TextIter j = i;
    if (!buffer->iter_forward_to_context_class_toggle(j, cls)) j = end;
    act(i, j, buffer->iter_has_context_class(i, cls));
    i = j;
  } while (i < end);
}

Gtk::TextIter Next(Gtk::TextIter i) {
  i.forward_char();
  return i;
}

}  // namespace

void CNotebook::Push(const Gtk::TextIter& position) { mark_stack.push_back(source_buffer->create_mark(position, true)); }

Gtk::TextIter CNotebook::Pop() {
  Glib::RefPtr<Gtk::TextMark> mark = mark_stack.back();
  mark_stack.pop_back();
  Gtk::TextIter position = source_buffer->get_iter_at_mark(mark);
  source_buffer->delete_mark(mark);
  return position;
}

bool CNotebook::TagRange(const Gtk::TextIter& position, const Glib::RefPtr<Gtk::TextTag>& tag, Gtk::TextIter& start,
                         Gtk::TextIter& end) const {
  start = end = position;
  if (position.starts_tag(tag)) {
    end.forward_to_tag_toggle(tag);
  } else if (position.ends_tag(tag)) {
    start.backward_to_tag_toggle(tag);
  } else if (position.has_tag(tag)) {
    start.backward_to_tag_toggle(tag);
    end.forward_to_tag_toggle(tag);
  } else {
    return false;
  }
  return true;
}

void CNotebook::OnHighlightUpdated(Gtk::TextIter& start, Gtk::TextIter& end) { RenderPass(start, end); }

void CNotebook::RenderPass(Gtk::TextIter start, Gtk::TextIter end) {
  auto buffer = source_buffer;
  const std::pair<const char*, Glib::RefPtr<Gtk::TextTag>> styles[] = {{"extra-space", spacing_tag},
                                                                       {"blockquote-text", quote_tag},
                                                                       {"invis", background_ink_tag},
                                                                       {"cbtag", label_background_tag},
                                                                       {"mono", monospace_tag}};
  for (const auto& style : styles) {
    ClassWalk(buffer, style.first, start, end, [&](const Gtk::TextIter& i, const Gtk::TextIter& j, bool has) {
      if (has)
        buffer->apply_tag(style.second, i, j);
      else
        buffer->remove_tag(style.second, i, j);
    });
  }

  Prune(start, end);

  ClassWalk(buffer, "prox", start, end, [&](const Gtk::TextIter& i, const Gtk::TextIter& j, bool has) {
    if (!has) return;
    if (!i.has_tag(proximity_tag)) {
      Gtk::TextIter last = buffer->get_iter_at_mark(last_position);
      if (last < i || last > j) {
        Push(start);
        Push(end);
        HideRegion(i, j);
        end = Pop();
        start = Pop();
      }
    } else if (i.get_child_anchor()) {
      // A decided region whose text changed under its widget (an undo
      // does not move the cursor through every region it touches).
      for (const auto& entry : WidgetFactories())
        if (entry.second.refresh && buffer->iter_has_context_class(i, entry.first)) entry.second.refresh(*this, i);
    }
    buffer->apply_tag(proximity_tag, i, j);
  });
}

void CNotebook::HideRegion(const Gtk::TextIter& start, const Gtk::TextIter& end) {
  auto buffer = source_buffer;
  ClassWalk(buffer, "invisible", start, end, [&](const Gtk::TextIter& i, const Gtk::TextIter& j, bool has) {
    if (has)
      buffer->apply_tag(hidden_tag, i, j);
    else
      buffer->remove_tag(hidden_tag, i, j);
  });
  for (const auto& entry : WidgetFactories()) {
    if (buffer->iter_has_context_class(start, entry.first)) {
      RemoveWidgets(start);
      PlaceWidget(entry.first, start, end);
    }
  }
}

void CNotebook::ShowRegion(const Gtk::TextIter& start, const Gtk::TextIter& end) {
  source_buffer->remove_tag(hidden_tag, start, end);
  for (const auto& entry : WidgetFactories())
    if (source_buffer->iter_has_context_class(start, entry.first)) RemoveWidgets(start);
}

void CNotebook::RemoveWidgets(const Gtk::TextIter& position) {
  Gtk::TextIter at = position;
  auto anchor = at.get_child_anchor();
  // A drawing is the note's own content, never a region's stand-in.
  if (!anchor || HoldsDrawing(at)) return;
  for (Gtk::Widget* widget : anchor->get_widgets()) gtk_widget_destroy(GTK_WIDGET(widget->gobj()));
  source_buffer->apply_tag(hidden_tag, position, Next(position));
}

void CNotebook::EraseAnchorLater(const Gtk::TextIter& position) {
  // Not inside a highlighter signal: its emitter still holds iterators.
  Glib::signal_idle().connect(
      sigc::bind(sigc::mem_fun(*this, &CNotebook::EraseStaleAnchor), source_buffer->create_mark(position, true)));
}

bool CNotebook::EraseStaleAnchor(Glib::RefPtr<Gtk::TextMark> mark) {
  if (mark->get_deleted()) return false;
  Gtk::TextIter at = source_buffer->get_iter_at_mark(mark);
  source_buffer->delete_mark(mark);
  if (!at.get_child_anchor() || !at.has_tag(anchor_tag) || HoldsDrawing(at)) return false;
  // It may begin a widget region again by now (the region was only changed).
  Gtk::TextIter before = at;
  bool startsRegion = source_buffer->iter_has_context_class(at, "prox") &&
                      !(before.backward_char() && source_buffer->iter_has_context_class(before, "prox"));
  bool widgetRegion = false;
  for (const auto& entry : WidgetFactories())
    widgetRegion = widgetRegion || source_buffer->iter_has_context_class(at, entry.first);
  if (startsRegion && widgetRegion) return false;
  // The undo history does not see child anchors come and go; keeping it
  // across this edit would let a later undo hit the wrong characters.
  source_buffer->begin_not_undoable_action();
  source_buffer->erase(at, Next(at));
  source_buffer->end_not_undoable_action();
  return false;
}

// Removes the state of regions that the highlighter no longer marks as
// they were, and the anchors of regions that are gone.
void CNotebook::Prune(Gtk::TextIter& start, Gtk::TextIter& end) {
  auto buffer = source_buffer;
  Gtk::TextIter i = start;
  do {
    Gtk::TextIter j = i;
    if (!j.forward_to_tag_toggle(proximity_tag) || j > end) j = end;
    Gtk::TextIter regionStart = j, regionEnd = i;
    buffer->iter_backward_to_context_class_toggle(regionStart, "prox");
    buffer->iter_forward_to_context_class_toggle(regionEnd, "prox");
    // A region with no "prox" toggle around it at all (the whole buffer,
    // or none left) is stale as well.
    if (i.has_tag(proximity_tag) &&
        (!buffer->iter_has_context_class(i, "prox") || regionStart != i || regionEnd != j)) {
      buffer->remove_tag(hidden_tag, i, j);
      buffer->remove_tag(proximity_tag, i, j);
      if (i.get_child_anchor() && !HoldsDrawing(i)) EraseAnchorLater(i);
    }
    i = j;
  } while (i < end);

  i = start;
  do {
    Gtk::TextIter j = i;
    if (!j.forward_to_tag_toggle(anchor_tag) || j > end) j = end;
    Gtk::TextIter regionStart = j;
    buffer->iter_backward_to_context_class_toggle(regionStart, "prox");
    if (i.has_tag(anchor_tag) && (!buffer->iter_has_context_class(i, "prox") || regionStart != i) &&
        i.get_child_anchor() && !HoldsDrawing(i))
      EraseAnchorLater(i);
    i = j;
  } while (i < end);
}

void CNotebook::ScheduleCursorMove() {
  Glib::signal_idle().connect(sigc::mem_fun(*this, &CNotebook::OnCursorMoveIdle));
}

bool CNotebook::OnCursorMoveIdle() {
  CursorMovePass();
  return false;
}

void CNotebook::CursorMovePass() {
  auto buffer = source_buffer;
  Gtk::TextIter cursor = buffer->get_iter_at_mark(buffer->get_insert());
  Gtk::TextIter last = buffer->get_iter_at_mark(last_position);
  Gtk::TextIter oldStart, oldEnd, newStart, newEnd;
  bool old = TagRange(last, proximity_tag, oldStart, oldEnd);
  bool now = TagRange(cursor, proximity_tag, newStart, newEnd);
  Glib::RefPtr<Gtk::TextMark> move;

  if (!now) {
    if (old) HideRegion(oldStart, oldEnd);
  } else if (old && oldStart <= cursor && cursor <= oldEnd) {
    if (cursor == last) ShowRegion(newStart, newEnd);
  } else {
    // The toolkit leaves a cursor that arrives by a click, from the right
    // or from another line before hidden text; once the markup shows, it
    // belongs where it appeared to be: after that text.
    bool adjust = cursor > newStart && (last_key == 0 || last_key == GDK_KEY_Left || last_key == GDK_KEY_Up ||
                                        last_key == GDK_KEY_Down);
    if (adjust && cursor.has_tag(hidden_tag)) {
      cursor.forward_to_tag_toggle(hidden_tag);
      move = buffer->create_mark(cursor, false);
    }
    if (old) {
      Push(newStart);
      Push(newEnd);
      HideRegion(oldStart, oldEnd);
      newEnd = Pop();
      newStart = Pop();
    }
    ShowRegion(newStart, newEnd);
  }

  if (move) {
    Gtk::TextIter target = buffer->get_iter_at_mark(move);
    if (buffer->get_iter_at_mark(buffer->get_selection_bound()) == buffer->get_iter_at_mark(buffer->get_insert()))
      buffer->place_cursor(target);
    else
      buffer->move_mark(buffer->get_insert(), target);
    buffer->delete_mark(move);
  }
  buffer->move_mark(last_position, buffer->get_iter_at_mark(buffer->get_insert()));
}

void CNotebook::EnableFullRendering() {
  full_rendering = true;
  source_buffer->set_language(language_manager->get_language("markdown"));
}

void CNotebook::DisableFullRendering() {
  full_rendering = false;
  source_buffer->set_language(language_manager->get_language("markdown-basic"));
  Gtk::TextIter start = source_buffer->begin(), end = source_buffer->end();
  Prune(start, end);
}
