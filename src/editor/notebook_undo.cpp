// What undo takes away and puts back: text, drawings and the anchors of
// checkboxes and images.
#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "editor/notebook.h"
#include "editor/undo_manager.h"

namespace {

const char kObject[] = "\xEF\xBF\xBC";

}  // namespace

SUndoContent CNotebook::CaptureContent(const GtkTextIter& start, const GtkTextIter& end) {
  SUndoContent content;
  gchar* slice = gtk_text_iter_get_slice(&start, &end);
  content.text = slice;
  g_free(slice);
  content.length = gtk_text_iter_get_offset(&end) - gtk_text_iter_get_offset(&start);
  int base = gtk_text_iter_get_offset(&start);
  const char* text = content.text.c_str();
  for (const char* hit = strstr(text, kObject); hit; hit = strstr(hit + 3, kObject)) {
    Gtk::TextIter at = source_buffer->get_iter_at_offset(base + int(g_utf8_pointer_to_offset(text, hit)));
    SUndoObject object;
    if (auto anchor = at.get_child_anchor()) {
      object.kind = SUndoObject::ANCHOR;
      for (Gtk::Widget* widget : anchor->get_widgets()) {
        if (CBoundDrawing* drawing = IsBoundDrawing(widget)) {
          object.kind = SUndoObject::DRAWING;
          object.link = drawing->Serialize();
        }
      }
    }
    content.objects.push_back(object);
  }
  return content;
}

int CNotebook::InsertContent(int offset, const SUndoContent& content) {
  // Counted, not assumed: a link that no longer reads as a drawing would
  // come back as text.
  const int before = source_buffer->get_char_count();
  const std::string& text = content.text;
  size_t from = 0;
  for (const SUndoObject& object : content.objects) {
    size_t hit = text.find(kObject, from);
    if (hit == std::string::npos) break;
    Gtk::TextIter at = source_buffer->get_iter_at_offset(offset);
    at = source_buffer->insert(at, text.data() + from, text.data() + hit);
    offset = at.get_offset();
    if (object.kind == SUndoObject::DRAWING) {
      int count = source_buffer->get_char_count();
      DeserializeNote(source_buffer, at, object.link);
      offset += source_buffer->get_char_count() - count - 1;
    } else if (object.kind == SUndoObject::ANCHOR) {
      // Bare, as the editor leaves it while the region shows its markup;
      // the next pass puts the widget back or erases it.
      source_buffer->create_child_anchor(at);
      Gtk::TextIter start = source_buffer->get_iter_at_offset(offset), next = start;
      next.forward_char();
      source_buffer->apply_tag(anchor_tag, start, next);
      source_buffer->apply_tag(hidden_tag, start, next);
    } else {
      source_buffer->insert(at, kObject);
    }
    ++offset;
    from = hit + 3;
  }
  Gtk::TextIter at = source_buffer->get_iter_at_offset(offset);
  source_buffer->insert(at, text.data() + from, text.data() + text.size());
  return source_buffer->get_char_count() - before;
}

void CNotebook::RecordPaste(const std::function<void()>& edit) { undo_manager->RecordingObjects(edit); }
