#include "editor/document_format.h"

#include <cstring>

#include "drawing/bound_drawing.h"
#include "editor/notebook.h"

namespace {

const char kPrivate[] = "text/quillon-markdown";
const char kPlain[] = "text/plain";
const char kDrawingLink[] = "![](ql:";
const size_t kDrawingLinkLength = sizeof kDrawingLink - 1;

gboolean IsAnchor(gunichar c, gpointer) { return c == 0xFFFC; }

std::string Serialize(GtkTextBuffer* buffer, const GtkTextIter* start, const GtkTextIter* end, bool plain) {
  std::string out;
  GtkTextIter a = *start, b = *start;
  while (!gtk_text_iter_equal(&a, end)) {
    // Child anchors show as U+FFFC; so may a typed U+FFFC, which is text.
    while (!gtk_text_iter_equal(&b, end) && !gtk_text_iter_get_child_anchor(&b)) {
      if (!gtk_text_iter_forward_find_char(&b, IsAnchor, nullptr, end)) b = *end;
    }
    gchar* text = gtk_text_buffer_get_text(buffer, &a, &b, TRUE);
    out += text;
    g_free(text);
    a = b;
    if (gtk_text_iter_equal(&a, end)) break;
    GtkTextChildAnchor* anchor = gtk_text_iter_get_child_anchor(&a);
    GList* widgets = gtk_text_child_anchor_get_widgets(anchor);
    if (widgets) {
      CBoundDrawing* drawing = IsBoundDrawing(Glib::wrap(GTK_WIDGET(widgets->data)));
      if (drawing) out += plain ? drawing->RenderPngLink() : drawing->Serialize();
    }
    g_list_free(widgets);
    gtk_text_iter_forward_char(&a);
    b = a;
  }
  return out;
}

guint8* SerializePrivate(GtkTextBuffer*, GtkTextBuffer* content, const GtkTextIter* start, const GtkTextIter* end,
                         gsize* length, gpointer) {
  std::string out = Serialize(content, start, end, false);
  *length = out.size();
  return static_cast<guint8*>(g_memdup2(out.data(), out.size() + 1));
}

guint8* SerializePlain(GtkTextBuffer*, GtkTextBuffer* content, const GtkTextIter* start, const GtkTextIter* end,
                       gsize* length, gpointer) {
  std::string out = Serialize(content, start, end, true);
  *length = out.size();
  return static_cast<guint8*>(g_memdup2(out.data(), out.size() + 1));
}

void InsertBytes(GtkTextBuffer* buffer, GtkTextIter* iter, const std::string& text, size_t from, size_t to) {
  if (to > from) gtk_text_buffer_insert(buffer, iter, text.data() + from, gint(to - from));
}

gboolean Deserialize(GtkTextBuffer*, GtkTextBuffer* content, GtkTextIter* iter, const guint8* data, gsize length,
                     gboolean, gpointer user_data, GError**) {
  if (length == 0) return TRUE;
  auto* notebook = static_cast<CNotebook*>(user_data);
  const std::string text(reinterpret_cast<const char*>(data), length);
  size_t p = 0;
  for (;;) {
    size_t q = text.find(kDrawingLink, p);
    if (q == std::string::npos) break;
    size_t begin = q + kDrawingLinkLength;
    size_t close = text.find(')', begin);
    // A link without its closing parenthesis runs to the end of the data;
    // kept as text, it is written back exactly as it was read.
    if (close == std::string::npos) break;
    InsertBytes(content, iter, text, p, q);

    auto* drawing = Gtk::manage(new CBoundDrawing(notebook->get_window(Gtk::TEXT_WINDOW_TEXT)));
    GtkTextMark* mark = gtk_text_buffer_create_mark(content, nullptr, iter, FALSE);
    GtkTextChildAnchor* anchor = gtk_text_buffer_create_child_anchor(content, iter);
    gtk_text_buffer_get_iter_at_mark(content, iter, mark);
    gtk_text_buffer_delete_mark(content, mark);
    notebook->add_child_at_anchor(*drawing, Glib::wrap(anchor, true));
    drawing->Deserialize(text.substr(begin, close - begin));
    drawing->show();
    p = close + 1;
  }
  InsertBytes(content, iter, text, p, text.size());
  return TRUE;
}

}  // namespace

void RegisterNoteFormats(CNotebook& notebook) {
  GtkTextBuffer* buffer = GTK_TEXT_BUFFER(notebook.SourceBuffer()->gobj());
  gtk_text_buffer_register_serialize_format(buffer, kPrivate, SerializePrivate, nullptr, nullptr);
  gtk_text_buffer_register_deserialize_format(buffer, kPrivate, Deserialize, &notebook, nullptr);
  gtk_text_buffer_register_serialize_format(buffer, kPlain, SerializePlain, nullptr, nullptr);
}

std::string SerializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                          const Gtk::TextIter& end, bool plain) {
  gsize length = 0;
  guint8* data = gtk_text_buffer_serialize(buffer->gobj(), buffer->gobj(),
                                           gdk_atom_intern_static_string(plain ? kPlain : kPrivate), start.gobj(),
                                           end.gobj(), &length);
  std::string bytes(reinterpret_cast<const char*>(data), length);
  g_free(data);
  return bytes;
}

bool DeserializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, Gtk::TextIter& where, const std::string& bytes) {
  if (bytes.empty()) return true;
  GError* error = nullptr;
  gboolean ok = gtk_text_buffer_deserialize(buffer->gobj(), buffer->gobj(), gdk_atom_intern_static_string(kPrivate),
                                            where.gobj(), reinterpret_cast<const guint8*>(bytes.data()), bytes.size(),
                                            &error);
  if (error) g_error_free(error);
  return ok;
}
