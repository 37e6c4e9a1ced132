// Markup hiding: context classes of the highlighter become text tags, and
// the markup of each construct hides while the cursor is away from it.
#include "editor/notebook.h"
#include "editor/toggle_index.h"
#include "editor/undo_manager.h"
#include "editor/widget_factory.h"

namespace {

Gtk::TextIter Next(Gtk::TextIter i) {
  i.forward_char();
  return i;
}

}  // namespace

GtkTextTag* CNotebook::ClassTag(const char* contextClass) const {
  // The highlighter's tag for a class; none until it first marks one.
  std::string name = std::string("gtksourceview:context-classes:") + contextClass;
  return gtk_text_tag_table_lookup(source_buffer->get_tag_table()->gobj(), name.c_str());
}

bool CNotebook::ForwardToggle(Gtk::TextIter& at, GtkTextTag* tag) const {
  if (!tag) {
    at = source_buffer->end();
    return false;
  }
  return toggle_index ? toggle_index->Forward(at.gobj(), tag) : gtk_text_iter_forward_to_tag_toggle(at.gobj(), tag);
}

bool CNotebook::BackwardToggle(Gtk::TextIter& at, GtkTextTag* tag) const {
  if (!tag) {
    at = source_buffer->begin();
    return false;
  }
  return toggle_index ? toggle_index->Backward(at.gobj(), tag) : gtk_text_iter_backward_to_tag_toggle(at.gobj(), tag);
}

bool CNotebook::HasTag(const Gtk::TextIter& at, GtkTextTag* tag) { return tag && gtk_text_iter_has_tag(at.gobj(), tag); }

// Visits the runs of a tag from `i`, the last one possibly reaching past
// `end`.
template <class Act>
void CNotebook::Walk(GtkTextTag* tag, Gtk::TextIter i, const Gtk::TextIter& end, Act act) {
  do {
    Gtk::TextIter j = i;
    if (!ForwardToggle(j, tag)) j = end;
    act(i, j, HasTag(i, tag));
    i = j;
  } while (i < end);
}

// Puts `tag` on i..j or takes it off. The toolkit walks every segment of
// the range even when nothing changes, and most runs are already right.
void CNotebook::SetTag(const Glib::RefPtr<Gtk::TextTag>& tag, const Gtk::TextIter& i, const Gtk::TextIter& j, bool on) {
  if (HasTag(i, tag->gobj()) == on) {
    Gtk::TextIter toggle = i;
    if (toggle_index ? !toggle_index->MayToggle(tag->gobj(), *i.gobj(), *j.gobj())
                     : !toggle.forward_to_tag_toggle(tag) || toggle >= j)
      return;
  }
  ChangeTag(tag, i, j, on);
}

void CNotebook::ChangeTag(const Glib::RefPtr<Gtk::TextTag>& tag, const Gtk::TextIter& i, const Gtk::TextIter& j,
                          bool on) {
  if (on)
    source_buffer->apply_tag(tag, i, j);
  else
    source_buffer->remove_tag(tag, i, j);
  if (toggle_index) toggle_index->Changed(tag->gobj(), *i.gobj(), *j.gobj());
}

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
  GtkTextTag* prox = ClassTag("prox");
  std::vector<GtkTextTag*> watched = {prox, ClassTag("invisible"), proximity_tag->gobj(), hidden_tag->gobj(),
                                      anchor_tag->gobj()};
  for (const auto& style : styles) {
    watched.push_back(ClassTag(style.first));
    watched.push_back(style.second->gobj());
  }
  // Nothing below edits the text: anchors come and go at idle time.
  CToggleIndex index(watched, *start.gobj(), *end.gobj());
  toggle_index = &index;

  for (const auto& style : styles) {
    Walk(ClassTag(style.first), start, end, [&](const Gtk::TextIter& i, const Gtk::TextIter& j, bool has) {
      SetTag(style.second, i, j, has);
    });
  }

  Prune(start, end);

  Gtk::TextIter last = buffer->get_iter_at_mark(last_position);
  Walk(prox, start, end, [&](const Gtk::TextIter& i, const Gtk::TextIter& j, bool has) {
    if (!has) return;
    if (!i.has_tag(proximity_tag)) {
      if (last < i || last > j) HideRegion(i, j);
    } else if (i.get_child_anchor()) {
      // A decided region whose text changed under its widget (an undo
      // does not move the cursor through every region it touches).
      for (const auto& entry : WidgetFactories())
        if (entry.second.refresh && buffer->iter_has_context_class(i, entry.first)) entry.second.refresh(*this, i);
    }
    SetTag(proximity_tag, i, j, true);
  });
  toggle_index = nullptr;
}

void CNotebook::HideRegion(const Gtk::TextIter& start, const Gtk::TextIter& end) {
  auto buffer = source_buffer;
  Walk(ClassTag("invisible"), start, end, [&](const Gtk::TextIter& i, const Gtk::TextIter& j, bool has) {
    SetTag(hidden_tag, i, j, has);
  });
  for (const auto& entry : WidgetFactories()) {
    if (buffer->iter_has_context_class(start, entry.first)) {
      RemoveWidgets(start);
      PlaceWidget(entry.first, start, end);
    }
  }
}

void CNotebook::ShowRegion(const Gtk::TextIter& start, const Gtk::TextIter& end) {
  ChangeTag(hidden_tag, start, end, false);
  for (const auto& entry : WidgetFactories())
    if (source_buffer->iter_has_context_class(start, entry.first)) RemoveWidgets(start);
}

void CNotebook::RemoveWidgets(const Gtk::TextIter& position) {
  Gtk::TextIter at = position;
  auto anchor = at.get_child_anchor();
  // A drawing is the note's own content, never a region's stand-in.
  if (!anchor || HoldsDrawing(at)) return;
  for (Gtk::Widget* widget : anchor->get_widgets()) gtk_widget_destroy(GTK_WIDGET(widget->gobj()));
  ChangeTag(hidden_tag, position, Next(position), true);
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
  // Not the user's edit: the history only moves past it.
  undo_manager->Unrecorded([&]() { source_buffer->erase(at, Next(at)); });
  return false;
}

// Removes the state of regions that the highlighter no longer marks as
// they were, and the anchors of regions that are gone.
void CNotebook::Prune(Gtk::TextIter& start, Gtk::TextIter& end) {
  GtkTextTag* prox = ClassTag("prox");
  Gtk::TextIter i = start;
  do {
    Gtk::TextIter j = i;
    if (!ForwardToggle(j, proximity_tag->gobj()) || j > end) j = end;
    Gtk::TextIter regionStart = j, regionEnd = i;
    BackwardToggle(regionStart, prox);
    ForwardToggle(regionEnd, prox);
    // A region with no "prox" toggle around it at all (the whole buffer,
    // or none left) is stale as well.
    if (i.has_tag(proximity_tag) && (!HasTag(i, prox) || regionStart != i || regionEnd != j)) {
      ChangeTag(hidden_tag, i, j, false);
      ChangeTag(proximity_tag, i, j, false);
      if (i.get_child_anchor() && !HoldsDrawing(i)) EraseAnchorLater(i);
    }
    i = j;
  } while (i < end);

  i = start;
  do {
    Gtk::TextIter j = i;
    if (!ForwardToggle(j, anchor_tag->gobj()) || j > end) j = end;
    Gtk::TextIter regionStart = j;
    BackwardToggle(regionStart, prox);
    if (i.has_tag(anchor_tag) && (!HasTag(i, prox) || regionStart != i) && i.get_child_anchor() && !HoldsDrawing(i))
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
