#include <gdk/gdkkeysyms.h>

#include "app/main_window.h"

void CMainWindow::ConnectSearch() {
  search_entry.signal_search_changed().connect([this]() {
    Glib::ustring text = search_entry.get_text();
    if (text.empty()) return;
    ShowSearchResult(notebook.Find(text, true, false));
  });
  search_entry.signal_next_match().connect(sigc::mem_fun(*this, &CMainWindow::SearchNext));
  search_entry.signal_previous_match().connect(sigc::mem_fun(*this, &CMainWindow::SearchPrevious));
  search_entry.signal_key_press_event().connect(
      [this](GdkEventKey* event) {
        if (event->keyval == GDK_KEY_Return) {
          if (event->state & GDK_SHIFT_MASK)
            SearchPrevious();
          else
            SearchNext();
        }
        return false;
      },
      false);
  search_entry.signal_stop_search().connect([this]() { notebook.grab_focus(); });
  search_entry.signal_focus_out_event().connect([this](GdkEventFocus*) {
    search_bar.set_search_mode(false);
    return false;
  });
}

void CMainWindow::ShowSearchResult(bool found) {
  search_entry.set_icon_from_icon_name(found ? "emblem-ok-symbolic" : "window-close-symbolic",
                                       Gtk::ENTRY_ICON_SECONDARY);
}

void CMainWindow::SearchNext() { ShowSearchResult(notebook.Find(search_entry.get_text(), true, true)); }

void CMainWindow::SearchPrevious() { ShowSearchResult(notebook.Find(search_entry.get_text(), false, true)); }
