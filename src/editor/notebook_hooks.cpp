#include "editor/notebook.h"

// Handlers whose behaviour arrives with pen input and markup hiding; for
// now they keep the editor a plain, working source view.

void CNotebook::OnSizeAllocate(Gtk::Allocation& allocation) {
  int width = allocation.get_width(), height = allocation.get_height();
  overlay.set_size_request(width, height);
  if (!overlay_surface || overlay_surface->get_width() != width || overlay_surface->get_height() != height) {
    overlay_surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, std::max(width, 1), std::max(height, 1));
    overlay_context = Cairo::Context::create(overlay_surface);
  }
}

bool CNotebook::OnOverlayDraw(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!overlay_surface) return false;
  cr->set_source(overlay_surface, 0, 0);
  cr->paint();
  return false;
}

bool CNotebook::OnButtonPress(GdkEventButton*) {
  last_key = 0;
  return false;
}

bool CNotebook::OnButtonRelease(GdkEventButton*) { return false; }

bool CNotebook::OnMotion(GdkEventMotion*) { return false; }

void CNotebook::OnInsertText(const Gtk::TextIter&, const Glib::ustring&, int) {}

void CNotebook::OnHighlightUpdated(Gtk::TextIter&, Gtk::TextIter&) {}

void CNotebook::OnCursorMoved() {}

void CNotebook::EnableFullRendering() { full_rendering = true; }

void CNotebook::DisableFullRendering() { full_rendering = false; }

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
  OnCursorMoved();
  scroll_to(start, 0.1);
  return true;
}
