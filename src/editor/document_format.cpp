#include "editor/document_format.h"

#include <cstring>

#include "editor/notebook.h"

namespace {

const char* kPrivate = "text/quillon-markdown";
const char* kPlain = "text/plain";

guint8* Serialize(GtkTextBuffer* /*register_buffer*/, GtkTextBuffer* content, const GtkTextIter* start,
                  const GtkTextIter* end, gsize* length, gpointer /*user_data*/) {
  // Text only for now: anchored widgets are not written.
  gchar* text = gtk_text_buffer_get_text(content, start, end, TRUE);
  *length = std::strlen(text);
  return reinterpret_cast<guint8*>(text);
}

gboolean Deserialize(GtkTextBuffer* /*register_buffer*/, GtkTextBuffer* content, GtkTextIter* iter,
                     const guint8* data, gsize length, gboolean /*create_tags*/, gpointer /*user_data*/,
                     GError** /*error*/) {
  gtk_text_buffer_insert(content, iter, reinterpret_cast<const gchar*>(data), gint(length));
  return TRUE;
}

}  // namespace

void RegisterNoteFormats(CNotebook& notebook) {
  GtkTextBuffer* buffer = GTK_TEXT_BUFFER(notebook.SourceBuffer()->gobj());
  gtk_text_buffer_register_serialize_format(buffer, kPrivate, Serialize, nullptr, nullptr);
  gtk_text_buffer_register_deserialize_format(buffer, kPrivate, Deserialize, nullptr, nullptr);
  gtk_text_buffer_register_serialize_format(buffer, kPlain, Serialize, nullptr, nullptr);
}

std::string SerializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                          const Gtk::TextIter& end, bool plain) {
  gsize length = 0;
  guint8* data = gtk_text_buffer_serialize(buffer->gobj(), buffer->gobj(), gdk_atom_intern(plain ? kPlain : kPrivate, FALSE),
                                           start.gobj(), end.gobj(), &length);
  std::string bytes(reinterpret_cast<const char*>(data), length);
  g_free(data);
  return bytes;
}

bool DeserializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, Gtk::TextIter& where, const std::string& bytes) {
  GError* error = nullptr;
  gboolean ok = gtk_text_buffer_deserialize(buffer->gobj(), buffer->gobj(), gdk_atom_intern(kPrivate, FALSE),
                                            where.gobj(), reinterpret_cast<const guint8*>(bytes.data()),
                                            bytes.size(), &error);
  if (error) g_error_free(error);
  return ok;
}
