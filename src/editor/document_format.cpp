#include "editor/document_format.h"

#include <cstring>

#include "drawing/bound_drawing.h"
#include "editor/drawing_link.h"
#include "editor/notebook.h"

namespace {

const char kPrivate[] = "text/quillon-markdown";
const char kPlain[] = "text/plain";
const size_t kDrawingLinkLength = sizeof "![](ql:" - 1;

const char kObject[] = "\xEF\xBF\xBC";  // U+FFFC, how the buffer shows anchors

// The output as pieces: runs of the slice and drawing links, in order.
struct Piece {
  const char* data;
  size_t size;
  bool link = false;
};

// [start, end) in the private or plain format. The slice of the range is scanned for U+FFFC with
// memmem, and the output is allocated once at its final size: walking the
// buffer position by position, or growing a string, costs several times
// more than writing the file on a long note with drawings.
std::string Serialize(GtkTextBuffer* buffer, const GtkTextIter* start, const GtkTextIter* end, bool plain,
                      std::vector<SLinkSpan>* links = nullptr) {
  gchar* slice = gtk_text_buffer_get_slice(buffer, start, end, TRUE);
  const char* p = slice;
  const char* stop = slice + std::strlen(slice);
  int offset = gtk_text_iter_get_offset(start);
  std::vector<Piece> pieces;
  std::vector<std::string> pngs;  // plain links are made here, so kept alive
  for (;;) {
    const char* hit = static_cast<const char*>(memmem(p, size_t(stop - p), kObject, 3));
    if (!hit) {
      pieces.push_back({p, size_t(stop - p)});
      break;
    }
    pieces.push_back({p, size_t(hit - p)});
    offset += int(g_utf8_strlen(p, hit - p));
    GtkTextIter at;
    gtk_text_buffer_get_iter_at_offset(buffer, &at, offset);
    if (GtkTextChildAnchor* anchor = gtk_text_iter_get_child_anchor(&at)) {
      GList* widgets = gtk_text_child_anchor_get_widgets(anchor);
      CBoundDrawing* drawing = widgets ? IsBoundDrawing(Glib::wrap(GTK_WIDGET(widgets->data))) : nullptr;
      if (drawing && plain) {
        pngs.push_back(drawing->RenderPngLink());
        pieces.push_back({nullptr, pngs.size() - 1, true});
      } else if (drawing) {
        const std::string& link = drawing->Serialize();
        pieces.push_back({link.data(), link.size(), true});
      }
      g_list_free(widgets);
    } else if (!gtk_text_iter_get_pixbuf(&at)) {
      pieces.push_back({hit, 3});  // a U+FFFC the user typed is text
    }
    offset += 1;
    p = hit + 3;
  }
  auto resolve = [&pngs](Piece piece) {
    return piece.data ? piece : Piece{pngs[piece.size].data(), pngs[piece.size].size(), true};
  };
  size_t total = 0;
  for (const Piece& piece : pieces) total += resolve(piece).size;
  std::string out;
  out.reserve(total);
  for (const Piece& piece : pieces) {
    Piece real = resolve(piece);
    if (links && real.link) links->push_back({out.size(), real.size});
    out.append(real.data, real.size);
  }
  g_free(slice);
  return out;
}

guint8* Block(const std::string& bytes, gsize* length) {
  *length = bytes.size();
  return static_cast<guint8*>(g_memdup2(bytes.c_str(), bytes.size() + 1));
}

guint8* SerializePrivate(GtkTextBuffer*, GtkTextBuffer* content, const GtkTextIter* start, const GtkTextIter* end,
                         gsize* length, gpointer) {
  return Block(Serialize(content, start, end, false), length);
}

guint8* SerializePlain(GtkTextBuffer*, GtkTextBuffer* content, const GtkTextIter* start, const GtkTextIter* end,
                       gsize* length, gpointer) {
  return Block(Serialize(content, start, end, true), length);
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
  // Only a link whose payload has a drawing's form becomes one; any other
  // "![](ql:" (prose, a link cut short) is kept as text and so written
  // back exactly as it was read.
  SDrawingLink link;
  while (FindDrawingLink(text, p, link)) {
    const size_t q = link.start, begin = link.payload, close = link.close;
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

std::string SerializeNoteWithLinks(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                                   const Gtk::TextIter& end, std::vector<SLinkSpan>& links) {
  links.clear();
  return Serialize(buffer->gobj(), start.gobj(), end.gobj(), false, &links);
}

std::string PlainFromPrivate(const std::string& bytes, const std::vector<SLinkSpan>& links,
                             const Glib::RefPtr<Gdk::Window>& window) {
  // Surfaces of the window's kind, as the drawings in the view use: the
  // same pixels as their own PNGs.
  Glib::RefPtr<Gdk::Window> target = window && !gdk_window_is_destroyed(window->gobj()) ? window : Glib::RefPtr<Gdk::Window>();
  std::string out;
  size_t from = 0;
  for (const SLinkSpan& link : links) {
    out.append(bytes, from, link.offset - from);
    // The payload alone, between "![](ql:" and ")".
    CBoundDrawing drawing{target};
    drawing.Deserialize(bytes.substr(link.offset + kDrawingLinkLength, link.length - kDrawingLinkLength - 1));
    out += drawing.RenderPngLink();
    from = link.offset + link.length;
  }
  out.append(bytes, from, std::string::npos);
  return out;
}

void RegisterNoteFormats(CNotebook& notebook) {
  GtkTextBuffer* buffer = GTK_TEXT_BUFFER(notebook.SourceBuffer()->gobj());
  gtk_text_buffer_register_serialize_format(buffer, kPrivate, SerializePrivate, nullptr, nullptr);
  gtk_text_buffer_register_deserialize_format(buffer, kPrivate, Deserialize, &notebook, nullptr);
  gtk_text_buffer_register_serialize_format(buffer, kPlain, SerializePlain, nullptr, nullptr);
}

std::string SerializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                          const Gtk::TextIter& end, bool plain) {
  // The same code as the registered formats, without the toolkit's copy
  // into a block of its own: a long note is many megabytes.
  return Serialize(buffer->gobj(), start.gobj(), end.gobj(), plain);
}

void EmptyBuffer(const Glib::RefPtr<Gtk::TextBuffer>& buffer) {
  buffer->remove_all_tags(buffer->begin(), buffer->end());
  buffer->set_text("");
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
