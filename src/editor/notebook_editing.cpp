// Editing aids: list continuation, search and link lookup.
#include "editor/line_gaps.h"
#include "editor/list_marker.h"
#include "editor/notebook.h"
#include "editor/undo_manager.h"

namespace {

bool Blank(gunichar c) { return c == ' ' || c == '\t'; }

}  // namespace

void CNotebook::OnInsertText(const Gtk::TextIter& pos, const Glib::ustring& text, int) {
  // An undo putting a line break back is no new line of a list.
  if (text != "\n" || (last_key_state & GDK_SHIFT_MASK) || !pos.ends_line() || undo_manager->Replaying() ||
      pen_editing)
    return;
  auto buffer = source_buffer;
  Gtk::TextIter line = pos;
  line.backward_line();
  Gtk::TextIter m = line;
  if (Blank(m.get_char())) m.forward_find_char([](gunichar c) { return !Blank(c); });
  m.forward_find_char([](gunichar c) { return Blank(c) || c == '\n'; });
  m.forward_char();
  const ListMarker marker = ParseListMarker(buffer->get_text(line, m, true));
  m.forward_char();
  if (marker.kind == ListMarker::NONE) return;

  // The emitter's iterator must point after the insertion when we return.
  Gtk::TextIter& location = const_cast<Gtk::TextIter&>(pos);
  bool empty = marker.kind == ListMarker::QUOTE ? m == pos : m >= pos;
  if (empty)
    location = buffer->erase(line, pos);
  else
    location = buffer->insert(pos, marker.next);
}

bool CNotebook::Find(const Glib::ustring& text, bool forward, bool skipCurrent) {
  auto buffer = source_buffer;
  const auto flags = Gtk::TEXT_SEARCH_CASE_INSENSITIVE;
  Gtk::TextIter cursor = buffer->get_iter_at_mark(buffer->get_insert());
  Gtk::TextIter bound = buffer->get_iter_at_mark(buffer->get_selection_bound());
  Gtk::TextIter start, end;
  bool found;
  if (forward) {
    Gtk::TextIter from = skipCurrent ? bound : cursor;
    found = from.forward_search(text, flags, start, end);
    if (!found) found = buffer->begin().forward_search(text, flags, start, end, from);
  } else {
    found = cursor.backward_search(text, flags, start, end);
    if (!found) found = buffer->end().backward_search(text, flags, start, end, cursor);
  }
  if (!found) return false;
  buffer->select_range(start, end);
  ScheduleCursorMove();
  scroll_to(start, 0.1);
  return true;
}

Glib::ustring CNotebook::LinkAt(int x, int y) {
  auto buffer = source_buffer;
  Gtk::TextIter at = IterAtLocation(*this, x, y);
  if (!buffer->iter_has_context_class(at, "link")) return "";
  Gtk::TextIter start = at, end = at;
  if (buffer->iter_has_context_class(at, "url")) {
    // Link text that is its own target (an autolink, a web address): its
    // own run, not the next link's.
    Gtk::TextIter before = at;
    if (before.backward_char() && buffer->iter_has_context_class(before, "url"))
      buffer->iter_backward_to_context_class_toggle(start, "url");
    buffer->iter_forward_to_context_class_toggle(end, "url");
    return buffer->get_text(start, end, true);
  }
  if (!buffer->iter_forward_to_context_class_toggle(start, "url")) return "";
  end = start;
  if (!buffer->iter_forward_to_context_class_toggle(end, "url")) return "";
  return buffer->get_text(start, end, true);
}
