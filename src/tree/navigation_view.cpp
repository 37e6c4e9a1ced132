#include "tree/navigation_view.h"

// Placeholder until the note tree lands.
CNavigationView::CNavigationView() {}
void CNavigationView::SetBasePath(const std::string& path) { base_path = path; }
void CNavigationView::Attach(CMainWindow* w, Gtk::TreeView* view) {
  window = w;
  tree_view = view;
}
void CNavigationView::NextNote() {}
void CNavigationView::PreviousNote() {}
void CNavigationView::SelectPath(const Glib::ustring&) {}
