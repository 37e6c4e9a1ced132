#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include "editor/document_format.h"
#include "editor/notebook.h"
#include "support/gui_util.h"
#include "support/test_util.h"

// An editor in a shown window, with helpers that let the real highlighter
// and every pass it starts finish.
class MarkupTest : public ::testing::Test {
protected:
  void SetUp() override {
    notebook.Initialise(QL_SOURCE_DIR, false);
    notebook.margin = 32;
    window.add(notebook);
    window.set_default_size(500, 400);
    window.show_all();
    RunUntilIdle();
  }

  Glib::RefPtr<Gsv::Buffer> Buffer() { return notebook.SourceBuffer(); }
  Gtk::TextIter At(int offset) { return Buffer()->get_iter_at_offset(offset); }

  // Replaces the note as opening one does, cursor at `cursor` (-1: end).
  void Load(const Glib::ustring& text, int cursor = -1) {
    Buffer()->begin_not_undoable_action();
    Buffer()->set_text(text);
    Buffer()->end_not_undoable_action();
    Buffer()->place_cursor(cursor < 0 ? Buffer()->end() : At(cursor));
    Settle();
  }

  // Opens a note as the window does: drawings become drawings.
  void Open(const std::string& bytes) {
    Buffer()->begin_not_undoable_action();
    EmptyBuffer(Buffer());
    Gtk::TextIter start = Buffer()->begin();
    DeserializeNote(Buffer(), start, bytes);
    Buffer()->end_not_undoable_action();
    Buffer()->place_cursor(Buffer()->end());
    Settle();
  }
  // The note as saving writes it.
  std::string Note() { return SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()); }

  // Highlighting, passes, anchors created at idle time and the passes
  // those cause, until nothing is left to do.
  void Settle() {
    for (int round = 0; round < 4; ++round) {
      Buffer()->ensure_highlight(Buffer()->begin(), Buffer()->end());
      RunUntilIdle();
    }
  }

  void MoveCursor(int offset) {
    Buffer()->place_cursor(At(offset));
    Settle();
  }

  // What the reader sees: text without hidden characters, "@" for an
  // anchor that shows its widget.
  std::string VisibleText() {
    std::string out;
    for (Gtk::TextIter i = Buffer()->begin(); !i.is_end(); i.forward_char()) {
      if (i.has_tag(notebook.hidden_tag)) continue;
      if (auto anchor = i.get_child_anchor())
        out += anchor->get_widgets().empty() ? "#" : "@";
      else
        out += Glib::ustring(1, i.get_char());
    }
    return out;
  }

  // Every character of the buffer, anchors as U+FFFC.
  Glib::ustring Slice() { return Buffer()->get_slice(Buffer()->begin(), Buffer()->end(), true); }

  template <class W>
  W* WidgetAt(int offset) {
    auto anchor = At(offset).get_child_anchor();
    if (!anchor) return nullptr;
    for (Gtk::Widget* widget : anchor->get_widgets())
      if (auto* found = dynamic_cast<W*>(widget)) return found;
    return nullptr;
  }

  // A key typed into the view, through its key bindings.
  void Key(guint keyval) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(notebook.get_window(Gtk::TEXT_WINDOW_TEXT)->gobj()));
    event->key.keyval = keyval;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys,
                                          &count) &&
        count > 0)
      event->key.hardware_keycode = guint16(keys[0].keycode);
    g_free(keys);
    gdk_event_set_device(event,
                         gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(GTK_WIDGET(notebook.gobj()), event);
    gdk_event_free(event);
    Settle();
  }

  Gtk::Window window;
  CNotebook notebook;
};
