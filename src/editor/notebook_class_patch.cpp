#define GTK_TEXT_USE_INTERNAL_UNSUPPORTED_API
#include <gtk/gtk.h>
#include <gtk/gtktextlayout.h>

#include "editor/note_clipboard.h"
#include "editor/notebook.h"

// The toolkit's handlers that the patched class record replaces; kept so
// that ours can fall back to them.
struct CNotebookClassPatch {
  static void (*cut)(GtkTextView*);
  static void (*copy)(GtkTextView*);
  static void (*paste)(GtkTextView*);
  static void (*draw_layer)(GtkTextView*, GtkTextViewLayer, cairo_t*);

  static CNotebook* Of(GtkTextView* view) {
    return static_cast<CNotebook*>(g_object_get_data(G_OBJECT(view), "cppobj"));
  }
  // Clipboard handlers: the excerpt travels in the private format, with
  // the drawings, and as plain markdown for other programs.
  static void Cut(GtkTextView* view) {
    GtkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(view), GDK_SELECTION_CLIPBOARD);
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(view);
    // One user action: the cut is one undo step.
    gtk_text_buffer_begin_user_action(buffer);
    CopySelectionToClipboard(buffer, clipboard, true, true, gtk_text_view_get_editable(view),
                             gtk_text_view_get_window(view, GTK_TEXT_WINDOW_TEXT));
    gtk_text_buffer_end_user_action(buffer);
    gtk_text_view_scroll_mark_onscreen(view, gtk_text_buffer_get_insert(buffer));
  }
  static void Copy(GtkTextView* view) {
    GtkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(view), GDK_SELECTION_CLIPBOARD);
    CopySelectionToClipboard(gtk_text_view_get_buffer(view), clipboard, false, true, true,
                             gtk_text_view_get_window(view, GTK_TEXT_WINDOW_TEXT));
  }
  static void Paste(GtkTextView* view) { PasteClipboard(view); }
  // Rules and code-block frames go under the text of every editor view.
  static void DrawLayer(GtkTextView* view, GtkTextViewLayer layer, cairo_t* cr) {
    if (draw_layer) draw_layer(view, layer, cr);
    if (layer != GTK_TEXT_VIEW_LAYER_BELOW) return;
    if (CNotebook* notebook = Of(view)) notebook->PaintLayer(cr);
  }
};

void (*CNotebookClassPatch::cut)(GtkTextView*) = nullptr;
void (*CNotebookClassPatch::copy)(GtkTextView*) = nullptr;
void (*CNotebookClassPatch::paste)(GtkTextView*) = nullptr;
void (*CNotebookClassPatch::draw_layer)(GtkTextView*, GtkTextViewLayer, cairo_t*) = nullptr;

void CNotebook::PatchClass() {
  auto* klass = GTK_TEXT_VIEW_CLASS(G_OBJECT_GET_CLASS(gobj()));
  g_object_set_data(G_OBJECT(gobj()), "cppobj", this);
  InstallFileDrops(GTK_TEXT_VIEW(gobj()));
  // Every view of this type shares the record: patch it once only, or the
  // saved handlers would be our own.
  if (klass->cut_clipboard == CNotebookClassPatch::Cut) return;
  CNotebookClassPatch::cut = klass->cut_clipboard;
  CNotebookClassPatch::copy = klass->copy_clipboard;
  CNotebookClassPatch::paste = klass->paste_clipboard;
  CNotebookClassPatch::draw_layer = klass->draw_layer;
  klass->cut_clipboard = CNotebookClassPatch::Cut;
  klass->copy_clipboard = CNotebookClassPatch::Copy;
  klass->paste_clipboard = CNotebookClassPatch::Paste;
  klass->draw_layer = CNotebookClassPatch::DrawLayer;

  // Cursor movement and word selection as in a plain text view.
  GtkWidget* plain = gtk_text_view_new();
  g_object_ref_sink(plain);
  auto* plainClass = GTK_TEXT_VIEW_CLASS(G_OBJECT_GET_CLASS(plain));
  klass->move_cursor = plainClass->move_cursor;
  klass->extend_selection = plainClass->extend_selection;
  gtk_widget_destroy(plain);
  g_object_unref(plain);
}

bool CNotebook::on_event(GdkEvent* event) {
  if (event->type == GDK_KEY_PRESS || event->type == GDK_KEY_RELEASE) return false;
  // The layout is the first field of the view's private structure; while
  // it is being rebuilt, positions under the pointer are meaningless.
  GtkTextView* view = GTK_TEXT_VIEW(gobj());
  auto* layout = view->priv ? *reinterpret_cast<GtkTextLayout**>(view->priv) : nullptr;
  if (!layout) return false;
  return !gtk_text_layout_is_valid(layout);
}

bool CNotebook::on_key_press_event(GdkEventKey* event) {
  last_key_state = event->state & GDK_MODIFIER_MASK;
  last_key = event->keyval;
  return Gsv::View::on_key_press_event(event);
}
