#include "editor/notebook.h"

// Pen input handlers; for now they keep the editor a plain, working
// source view.

void CNotebook::OnSizeAllocate(Gtk::Allocation& allocation) {
  int width = allocation.get_width(), height = allocation.get_height();
  overlay.set_size_request(width, height);
  OnWidthChanged(width);
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
