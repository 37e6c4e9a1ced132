#include "editor/undo_manager.h"

namespace {

// The GObject that GtkSourceView talks to; it forwards to its owner.
struct QlUndoManager {
  GObject parent;
  CUndoManager* owner;
};
struct QlUndoManagerClass {
  GObjectClass parent_class;
};

GType ql_undo_manager_get_type();

CUndoManager* Owner(GtkSourceUndoManager* manager) {
  return reinterpret_cast<QlUndoManager*>(manager)->owner;
}

void InitInterface(GtkSourceUndoManagerIface* iface) {
  iface->can_undo = [](GtkSourceUndoManager* m) -> gboolean { return Owner(m) && Owner(m)->CanUndo(); };
  iface->can_redo = [](GtkSourceUndoManager* m) -> gboolean { return Owner(m) && Owner(m)->CanRedo(); };
  iface->undo = [](GtkSourceUndoManager* m) {
    if (Owner(m)) Owner(m)->Undo();
  };
  iface->redo = [](GtkSourceUndoManager* m) {
    if (Owner(m)) Owner(m)->Redo();
  };
  iface->begin_not_undoable_action = [](GtkSourceUndoManager* m) {
    if (Owner(m)) Owner(m)->BeginNotUndoable();
  };
  iface->end_not_undoable_action = [](GtkSourceUndoManager* m) {
    if (Owner(m)) Owner(m)->EndNotUndoable();
  };
}

GType ql_undo_manager_get_type() {
  static GType type = [] {
    GTypeInfo info = {};
    info.class_size = sizeof(QlUndoManagerClass);
    info.instance_size = sizeof(QlUndoManager);
    GType made = g_type_register_static(G_TYPE_OBJECT, "QlUndoManager", &info, GTypeFlags(0));
    GInterfaceInfo iface = {};
    iface.interface_init = [](gpointer iface, gpointer) {
      InitInterface(static_cast<GtkSourceUndoManagerIface*>(iface));
    };
    g_type_add_interface_static(made, GTK_SOURCE_TYPE_UNDO_MANAGER, &iface);
    return made;
  }();
  return type;
}

int Offset(const GtkTextIter* at) { return gtk_text_iter_get_offset(at); }

}  // namespace

CUndoManager::CUndoManager(GtkSourceBuffer* source, Hooks callbacks)
    : buffer(GTK_TEXT_BUFFER(source)), hooks(std::move(callbacks)) {
  object = G_OBJECT(g_object_new(ql_undo_manager_get_type(), nullptr));
  reinterpret_cast<QlUndoManager*>(object)->owner = this;
  history.SetMaxSteps(gtk_source_buffer_get_max_undo_levels(source));
  // Before the buffer's own handlers: positions are those of the edit.
  handlers = {
      g_signal_connect(buffer, "insert-text", G_CALLBACK(OnInsertText), this),
      g_signal_connect(buffer, "delete-range", G_CALLBACK(OnDeleteRange), this),
      g_signal_connect(buffer, "insert-child-anchor", G_CALLBACK(OnInsertAnchor), this),
      g_signal_connect(buffer, "begin-user-action", G_CALLBACK(OnBeginAction), this),
      g_signal_connect(buffer, "end-user-action", G_CALLBACK(OnEndAction), this),
      g_signal_connect(buffer, "mark-set", G_CALLBACK(OnMarkSet), this),
  };
  gtk_source_buffer_set_undo_manager(source, GTK_SOURCE_UNDO_MANAGER(object));
}

CUndoManager::~CUndoManager() {
  for (gulong handler : handlers) g_signal_handler_disconnect(buffer, handler);
  reinterpret_cast<QlUndoManager*>(object)->owner = nullptr;
  g_object_unref(object);
}

void CUndoManager::Notify(bool couldUndo, bool couldRedo) {
  auto* manager = GTK_SOURCE_UNDO_MANAGER(object);
  if (couldUndo != CanUndo()) gtk_source_undo_manager_can_undo_changed(manager);
  if (couldRedo != CanRedo()) gtk_source_undo_manager_can_redo_changed(manager);
}

void CUndoManager::OnInsertText(GtkTextBuffer*, GtkTextIter* at, gchar* text, gint bytes, gpointer data) {
  auto* self = static_cast<CUndoManager*>(data);
  if (!self->Recording()) return;
  SUndoContent content;
  content.text.assign(text, size_t(bytes));
  content.length = int(g_utf8_strlen(text, bytes));
  // A U+FFFC typed or pasted as text is text.
  for (const char* p = strstr(content.text.c_str(), "\xEF\xBF\xBC"); p; p = strstr(p + 3, "\xEF\xBF\xBC"))
    content.objects.push_back({SUndoObject::LITERAL, ""});
  bool couldUndo = self->CanUndo(), couldRedo = self->CanRedo();
  self->history.Inserted(Offset(at), content);
  self->Notify(couldUndo, couldRedo);
}

void CUndoManager::OnDeleteRange(GtkTextBuffer*, GtkTextIter* start, GtkTextIter* end, gpointer data) {
  auto* self = static_cast<CUndoManager*>(data);
  if (self->replaying || self->not_undoable > 0) return;
  int from = Offset(start), count = Offset(end) - from;
  if (self->unrecorded) {
    for (int i = 0; i < count; ++i) self->history.ObjectErased(from);
    return;
  }
  bool couldUndo = self->CanUndo(), couldRedo = self->CanRedo();
  self->history.Deleted(from, self->hooks.capture(*start, *end));
  self->Notify(couldUndo, couldRedo);
}

void CUndoManager::OnInsertAnchor(GtkTextBuffer*, GtkTextIter* at, GtkTextChildAnchor*, gpointer data) {
  auto* self = static_cast<CUndoManager*>(data);
  if (self->pasting && self->Recording()) {
    SUndoContent content;
    content.text = "\xEF\xBF\xBC";
    content.length = 1;
    content.objects.push_back({SUndoObject::DRAWING, ""});  // its link is taken when undone
    bool couldUndo = self->CanUndo(), couldRedo = self->CanRedo();
    self->history.Inserted(Offset(at), content);
    self->Notify(couldUndo, couldRedo);
    return;
  }
  // Drawings and anchors are otherwise placed by the editor, never typed:
  // the history only moves past them.
  if (!self->replaying && self->not_undoable == 0) self->history.ObjectInserted(Offset(at));
}

void CUndoManager::OnBeginAction(GtkTextBuffer*, gpointer data) {
  auto* self = static_cast<CUndoManager*>(data);
  if (self->Recording()) self->history.BeginAction();
}

void CUndoManager::OnEndAction(GtkTextBuffer*, gpointer data) {
  auto* self = static_cast<CUndoManager*>(data);
  if (self->Recording()) self->history.EndAction();
}

void CUndoManager::OnMarkSet(GtkTextBuffer* buffer, GtkTextIter*, GtkTextMark* mark, gpointer data) {
  auto* self = static_cast<CUndoManager*>(data);
  // The cursor moved by itself: typing there starts a new step.
  if (mark == gtk_text_buffer_get_insert(buffer)) self->history.Break();
}

void CUndoManager::Unrecorded(const std::function<void()>& edit) {
  bool was = unrecorded;
  unrecorded = true;
  edit();
  unrecorded = was;
}

void CUndoManager::Pasting(const std::function<void()>& edit) {
  bool was = pasting;
  pasting = true;
  edit();
  pasting = was;
}

void CUndoManager::EndNotUndoable() {
  if (not_undoable == 0 || --not_undoable > 0) return;
  // What came before no longer fits the text.
  bool couldUndo = CanUndo(), couldRedo = CanRedo();
  history.Clear();
  Notify(couldUndo, couldRedo);
}

void CUndoManager::PlaceCursor(int offset) {
  GtkTextIter at;
  gtk_text_buffer_get_iter_at_offset(buffer, &at, offset);
  gtk_text_buffer_place_cursor(buffer, &at);
}

void CUndoManager::Undo() {
  if (!CanUndo()) return;
  bool couldUndo = CanUndo(), couldRedo = CanRedo();
  replaying = true;
  int cursor = 0;
  CUndoHistory::Step& step = history.NextUndo();
  for (auto r = step.rbegin(); r != step.rend(); ++r) {
    GtkTextIter start, end;
    gtk_text_buffer_get_iter_at_offset(buffer, &start, r->offset);
    if (r->insert) {
      gtk_text_buffer_get_iter_at_offset(buffer, &end, r->offset + r->length);
      r->content = hooks.capture(start, end);
      gtk_text_buffer_delete(buffer, &start, &end);
      cursor = r->offset;
    } else {
      r->length = hooks.insert(r->offset, r->content);
      cursor = r->offset + r->length;
    }
  }
  replaying = false;
  history.Undone();
  PlaceCursor(cursor);
  history.Break();
  Notify(couldUndo, couldRedo);
}

void CUndoManager::Redo() {
  if (!CanRedo()) return;
  bool couldUndo = CanUndo(), couldRedo = CanRedo();
  replaying = true;
  int cursor = 0;
  for (SUndoRecord& r : history.NextRedo()) {
    GtkTextIter start, end;
    gtk_text_buffer_get_iter_at_offset(buffer, &start, r.offset);
    if (r.insert) {
      r.length = hooks.insert(r.offset, r.content);
      cursor = r.offset + r.length;
    } else {
      gtk_text_buffer_get_iter_at_offset(buffer, &end, r.offset + r.length);
      r.content = hooks.capture(start, end);
      gtk_text_buffer_delete(buffer, &start, &end);
      cursor = r.offset;
    }
  }
  replaying = false;
  history.Redone();
  PlaceCursor(cursor);
  history.Break();
  Notify(couldUndo, couldRedo);
}
