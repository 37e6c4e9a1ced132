#include "editor/note_clipboard.h"

#include <cstdio>
#include <cstring>

#include "editor/document_format.h"
#include "editor/notebook.h"

namespace {

const guint kPrivateInfo = guint(-2);
const guint kUriListInfo = 0x51f1;  // files dropped from a file manager

// One cut or copy, owned by the clipboard. The plain form renders every
// drawing as a PNG, which costs far more than the copy itself: it is made
// only when a program asks for text.
struct ClipboardContents {
  std::string private_data;
  std::vector<SLinkSpan> links;
  Glib::RefPtr<Gdk::Window> window;  // the editor's text window
  std::string plain_data;
  bool plain_made = false;
};

void GetContents(GtkClipboard*, GtkSelectionData* data, guint info, gpointer owner) {
  auto* contents = static_cast<ClipboardContents*>(owner);
  if (info == kPrivateInfo) {
    gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8,
                           reinterpret_cast<const guchar*>(contents->private_data.data()),
                           gint(contents->private_data.size()));
    return;
  }
  if (!contents->plain_made) {
    contents->plain_data = PlainFromPrivate(contents->private_data, contents->links, contents->window);
    contents->plain_made = true;
  }
  gtk_selection_data_set_text(data, contents->plain_data.c_str(), gint(contents->plain_data.size()));
}

void ClearContents(GtkClipboard*, gpointer owner) { delete static_cast<ClipboardContents*>(owner); }

// One paste, alive until its last callback has run.
struct PasteRequest {
  GtkTextBuffer* buffer;  // referenced
  GtkTextView* view;      // referenced
  bool interactive;
  bool default_editable;
  bool replace_selection;
};

void Release(PasteRequest* request) {
  g_object_unref(request->buffer);
  g_object_unref(request->view);
  delete request;
}

GtkTextIter PreparePastePosition(PasteRequest* request) {
  GtkTextIter at, start, end;
  gtk_text_buffer_get_iter_at_mark(request->buffer, &at, gtk_text_buffer_get_insert(request->buffer));
  if (request->replace_selection && gtk_text_buffer_get_selection_bounds(request->buffer, &start, &end)) {
    if (request->interactive)
      gtk_text_buffer_delete_interactive(request->buffer, &start, &end, request->default_editable);
    else
      gtk_text_buffer_delete(request->buffer, &start, &end);
    at = start;
  }
  return at;
}

void InsertText(PasteRequest* request, GtkTextIter* at, const char* text, gint length) {
  if (request->interactive)
    gtk_text_buffer_insert_interactive(request->buffer, at, text, length, request->default_editable);
  else
    gtk_text_buffer_insert(request->buffer, at, text, length);
}

// The cursor after what was pasted, in sight.
void Finish(PasteRequest* request, const GtkTextIter* end) {
  gtk_text_buffer_place_cursor(request->buffer, end);
  gtk_text_view_scroll_mark_onscreen(request->view, gtk_text_buffer_get_insert(request->buffer));
}

void OnTextReceived(GtkClipboard*, const gchar* text, gpointer data) {
  auto* request = static_cast<PasteRequest*>(data);
  if (text) {
    if (request->interactive) gtk_text_buffer_begin_user_action(request->buffer);
    GtkTextIter at = PreparePastePosition(request);
    InsertText(request, &at, text, -1);
    Finish(request, &at);
    if (request->interactive) gtk_text_buffer_end_user_action(request->buffer);
  }
  Release(request);
}

void OnRichTextReceived(GtkClipboard* clipboard, GdkAtom format, const guint8* text, gsize length, gpointer data) {
  auto* request = static_cast<PasteRequest*>(data);
  bool fallBack = true;
  if (text && length > 0) {
    fallBack = false;
    if (request->interactive) gtk_text_buffer_begin_user_action(request->buffer);
    GtkTextIter at = PreparePastePosition(request);
    if (!request->interactive || gtk_text_iter_can_insert(&at, request->default_editable)) {
      GError* error = nullptr;
      gboolean ok = FALSE;
      auto deserialize = [&]() {
        ok = gtk_text_buffer_deserialize(request->buffer, request->buffer, format, &at, text, length, &error);
      };
      auto* notebook = static_cast<CNotebook*>(g_object_get_data(G_OBJECT(request->view), "cppobj"));
      if (notebook)
        notebook->RecordPaste(deserialize);
      else
        deserialize();
      if (ok) {
        Finish(request, &at);
      } else {
        g_warning("error pasting: %s\n", error ? error->message : "");
        if (error) g_error_free(error);
        fallBack = true;
      }
    }
    if (request->interactive) gtk_text_buffer_end_user_action(request->buffer);
  }
  if (fallBack)
    gtk_clipboard_request_text(clipboard, OnTextReceived, request);
  else
    Release(request);
}

void OnImageReceived(GtkClipboard*, GdkPixbuf* image, gpointer data) {
  auto* request = static_cast<PasteRequest*>(data);
  auto* notebook = static_cast<CNotebook*>(g_object_get_data(G_OBJECT(request->view), "cppobj"));
  // With no note open there is nowhere to keep the picture: nothing is
  // written and the text stays as it is.
  if (image && notebook && !notebook->DocumentDirectory().empty()) {
    if (request->interactive) gtk_text_buffer_begin_user_action(request->buffer);
    GtkTextIter at = PreparePastePosition(request);
    if (!request->interactive || gtk_text_iter_can_insert(&at, request->default_editable)) {
      std::string text = StorePastedImage(*notebook, image);
      InsertText(request, &at, text.c_str(), gint(text.size()));
      Finish(request, &at);
    }
    if (request->interactive) gtk_text_buffer_end_user_action(request->buffer);
  }
  Release(request);
}

std::string Lowercase(const std::string& text) {
  gchar* lower = g_ascii_strdown(text.c_str(), -1);
  std::string result = lower;
  g_free(lower);
  return result;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void OnDragDataReceived(GtkWidget* widget, GdkDragContext* context, gint x, gint y, GtkSelectionData* data,
                        guint info, guint time, gpointer) {
  if (info != kUriListInfo) return;  // text goes the toolkit's way
  g_signal_stop_emission_by_name(widget, "drag-data-received");
  auto* view = GTK_TEXT_VIEW(widget);
  auto* notebook = static_cast<CNotebook*>(g_object_get_data(G_OBJECT(view), "cppobj"));
  std::vector<std::string> uris;
  if (gchar** list = gtk_selection_data_get_uris(data)) {
    for (gchar** uri = list; *uri; ++uri) uris.push_back(*uri);
    g_strfreev(list);
  }
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(view);
  gint bx = 0, by = 0;
  gtk_text_view_window_to_buffer_coords(view, GTK_TEXT_WINDOW_WIDGET, x, y, &bx, &by);
  GtkTextIter at;
  gtk_text_view_get_iter_at_location(view, &at, bx, by);
  bool done = false;
  if (notebook && gtk_text_iter_can_insert(&at, gtk_text_view_get_editable(view))) {
    GtkTextMark* drop = gtk_text_buffer_create_mark(buffer, nullptr, &at, FALSE);
    std::string text = DroppedFilesText(*notebook, uris);
    gtk_text_buffer_get_iter_at_mark(buffer, &at, drop);
    gtk_text_buffer_delete_mark(buffer, drop);
    if (!text.empty()) {
      gtk_text_buffer_begin_user_action(buffer);
      gtk_text_buffer_insert_interactive(buffer, &at, text.c_str(), gint(text.size()), TRUE);
      gtk_text_buffer_place_cursor(buffer, &at);
      gtk_text_buffer_end_user_action(buffer);
      gtk_widget_grab_focus(widget);
      done = true;
    }
  }
  // Only the receiving side of a drop has a drag to answer.
  if (gdk_drag_context_get_dest_window(context)) gtk_drag_finish(context, done, FALSE, time);
}

}  // namespace

void InstallFileDrops(GtkTextView* view) {
  GtkTargetList* current = gtk_drag_dest_get_target_list(GTK_WIDGET(view));
  gint count = 0;
  GtkTargetEntry* table = current ? gtk_target_table_new_from_list(current, &count) : nullptr;
  // A list of our own: the view shares its list with the buffer's paste targets.
  GtkTargetList* list = gtk_target_list_new(table, guint(count));
  gtk_target_table_free(table, count);
  gtk_target_list_add_uri_targets(list, kUriListInfo);
  gtk_drag_dest_set_target_list(GTK_WIDGET(view), list);
  gtk_target_list_unref(list);
  g_signal_connect(view, "drag-data-received", G_CALLBACK(OnDragDataReceived), nullptr);
}

void CopySelectionToClipboard(GtkTextBuffer* buffer, GtkClipboard* clipboard, bool deleteAfterwards,
                              bool interactive, bool defaultEditable, GdkWindow* window) {
  std::printf("cut or copy\n");
  std::fflush(stdout);
  GtkTextIter start, end;
  if (!gtk_text_buffer_get_selection_bounds(buffer, &start, &end)) {
    GtkTextMark* anchor = gtk_text_buffer_get_mark(buffer, "anchor");
    if (!anchor) return;
    gtk_text_buffer_get_iter_at_mark(buffer, &start, gtk_text_buffer_get_insert(buffer));
    gtk_text_buffer_get_iter_at_mark(buffer, &end, anchor);
    gtk_text_iter_order(&start, &end);
  }

  auto* contents = new ClipboardContents;
  if (window) contents->window = Glib::wrap(window, true);
  auto wrapped = Glib::wrap(buffer, true);
  contents->private_data = SerializeNoteWithLinks(wrapped, Glib::wrap(&start), Glib::wrap(&end), contents->links);

  GtkTargetList* list = gtk_target_list_new(nullptr, 0);
  gtk_target_list_add_rich_text_targets(list, kPrivateInfo, TRUE, buffer);
  gtk_target_list_add_text_targets(list, guint(-3));
  gint count = 0;
  GtkTargetEntry* targets = gtk_target_table_new_from_list(list, &count);
  if (gtk_clipboard_set_with_data(clipboard, targets, guint(count), GetContents, ClearContents, contents))
    gtk_clipboard_set_can_store(clipboard, nullptr, 0);  // the excerpt outlives the program
  else
    delete contents;
  gtk_target_table_free(targets, count);
  gtk_target_list_unref(list);

  if (deleteAfterwards) {
    if (interactive)
      gtk_text_buffer_delete_interactive(buffer, &start, &end, defaultEditable);
    else
      gtk_text_buffer_delete(buffer, &start, &end);
  }
}

void PasteClipboard(GtkTextView* view) {
  GtkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(view), GDK_SELECTION_CLIPBOARD);
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(view);
  auto* request = new PasteRequest{GTK_TEXT_BUFFER(g_object_ref(buffer)), GTK_TEXT_VIEW(g_object_ref(view)), true,
                                   bool(gtk_text_view_get_editable(view)), false};
  GtkTextIter start, end, insert;
  if (gtk_text_buffer_get_selection_bounds(buffer, &start, &end)) {
    gtk_text_buffer_get_iter_at_mark(buffer, &insert, gtk_text_buffer_get_insert(buffer));
    request->replace_selection = gtk_text_iter_in_range(&insert, &start, &end) || gtk_text_iter_equal(&insert, &end);
  }
  if (gtk_clipboard_wait_is_image_available(clipboard))
    gtk_clipboard_request_image(clipboard, OnImageReceived, request);
  else if (gtk_clipboard_wait_is_rich_text_available(clipboard, buffer))
    gtk_clipboard_request_rich_text(clipboard, buffer, OnRichTextReceived, request);
  else if (gtk_clipboard_wait_is_text_available(clipboard))
    gtk_clipboard_request_text(clipboard, OnTextReceived, request);
  else
    Release(request);
}

std::string PastedImageName(GdkPixbuf* image) {
  GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA1);
  const guint8* pixels = gdk_pixbuf_read_pixels(image);
  const int width = gdk_pixbuf_get_width(image), height = gdk_pixbuf_get_height(image);
  const int stride = gdk_pixbuf_get_rowstride(image);
  const int bytesPerPixel = gdk_pixbuf_get_n_channels(image) * gdk_pixbuf_get_bits_per_sample(image) / 8;
  // The pixels only: the padding at the end of a row is not the image.
  for (int y = 0; y < height; ++y) g_checksum_update(checksum, pixels + gsize(y) * stride, gssize(width) * bytesPerPixel);
  std::string name = std::string(g_checksum_get_string(checksum)).substr(0, 16) + ".png";
  g_checksum_free(checksum);
  return name;
}

std::string StorePastedImage(CNotebook& notebook, GdkPixbuf* image) {
  const std::string& directory = notebook.DocumentDirectory();
  if (directory.empty()) return "";
  const std::string relative = ".images/" + PastedImageName(image);
  GFile* file = g_file_new_for_commandline_arg_and_cwd(relative.c_str(), directory.c_str());
  gchar* path = g_file_get_path(file);
  g_object_unref(file);
  try {
    Gio::File::create_for_path(directory + "/.images")->make_directory();
  } catch (const Gio::Error&) {
    // Already there, or it cannot be made: saving then says so.
  }
  // Through a buffer and a rename: a failed write never leaves a cut-short
  // picture in place of one that other notes show.
  gchar* png = nullptr;
  gsize size = 0;
  GError* error = nullptr;
  if (gdk_pixbuf_save_to_buffer(image, &png, &size, "png", &error, nullptr))
    g_file_set_contents(path, png, gssize(size), &error);
  if (error) {
    std::fprintf(stderr, "WARNING: pasted image not saved to %s: %s\n", path, error->message);
    g_error_free(error);
  }
  g_free(png);
  g_free(path);
  return "![](" + relative + ") ";
}

std::string RelativePath(const std::string& directory, const std::string& file) {
  auto split = [](const std::string& path) {
    std::vector<std::string> parts;
    size_t from = 0;
    while (from <= path.size()) {
      size_t slash = path.find('/', from);
      if (slash == std::string::npos) slash = path.size();
      if (slash > from) parts.push_back(path.substr(from, slash - from));
      from = slash + 1;
    }
    return parts;
  };
  std::vector<std::string> base = split(directory), target = split(file);
  size_t common = 0;
  while (common < base.size() && common + 1 < target.size() && base[common] == target[common]) ++common;
  std::string result;
  for (size_t i = common; i < base.size(); ++i) result += "../";
  for (size_t i = common; i < target.size(); ++i) result += target[i] + (i + 1 < target.size() ? "/" : "");
  return result;
}

std::string DroppedFilesText(CNotebook& notebook, const std::vector<std::string>& uris) {
  const std::string& directory = notebook.DocumentDirectory();
  if (directory.empty()) return "";
  std::string text;
  for (const std::string& uri : uris) {
    gchar* local = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    if (!local) continue;
    std::string path = local;
    g_free(local);
    if (EndsWith(Lowercase(path), ".md")) {
      gchar* name = g_path_get_basename(path.c_str());
      std::string label(name, std::strlen(name) - 3);
      g_free(name);
      // Spaces and brackets would end the link early; the editor decodes
      // the escapes when the link is followed.
      gchar* target = g_uri_escape_string(RelativePath(directory, path).c_str(), "/", TRUE);
      text += "[" + label + "](" + target + ") ";
      g_free(target);
      continue;
    }
    if (GdkPixbuf* image = gdk_pixbuf_new_from_file(path.c_str(), nullptr)) {
      text += StorePastedImage(notebook, image);
      g_object_unref(image);
    }
  }
  return text;
}
