// The view's side of pen input: it forwards pointer events to the pen
// code and gives it what it needs of the editor.
#include <gtksourceview/gtksource.h>

#include "drawing/bound_drawing.h"
#include "drawing/drawing_edit.h"
#include "drawing/pen_editor.h"
#include "drawing/pen_input.h"
#include "editor/line_gaps.h"
#include "editor/notebook.h"
#include "editor/undo_manager.h"

class CNotebookPenEditor : public IPenEditor {
public:
  explicit CNotebookPenEditor(CNotebook& view) : notebook(view) {}

  Gtk::TextView& View() override { return notebook; }
  Gtk::DrawingArea& Overlay() override { return notebook.overlay; }
  bool IsLink(const Gtk::TextIter& at) override { return notebook.source_buffer->iter_has_context_class(at, "link"); }
  Glib::ustring LinkAt(int x, int y) override { return notebook.LinkAt(x, y); }
  void ActivateLink(const Glib::ustring& target) override { notebook.link_activated.emit(target); }
  void ShowLinkCursor() override { notebook.SetTextCursor(notebook.pointer_cursor); }
  Glib::RefPtr<Gtk::TextTag> HiddenTag() override { return notebook.hidden_tag; }
  void Changed(gint64 now) override { notebook.last_change_time = now; }
  void PenEdit(const std::function<void()>& edit) override {
    notebook.source_buffer->begin_user_action();
    notebook.pen_editing = true;
    notebook.undo_manager->RecordingObjects(edit);
    notebook.pen_editing = false;
    notebook.source_buffer->end_user_action();
  }
  void DrawingEdited(const Gtk::TextIter& anchor, std::shared_ptr<SDrawingEdit> edit) override {
    notebook.undo_manager->Edited(anchor.get_offset(), std::move(edit));
  }

private:
  CNotebook& notebook;
};

namespace {

// Moves an event's coordinates from its own window to the view's widget
// window, where pen input works.
SPenEvent InWidgetWindow(Gtk::TextView& view, GdkEvent* event) {
  SPenEvent pen = PenEventFrom(event);
  GdkWindow* widget = view.get_window(Gtk::TEXT_WINDOW_WIDGET) ? view.get_window(Gtk::TEXT_WINDOW_WIDGET)->gobj()
                                                                 : nullptr;
  for (GdkWindow* w = event->any.window; w && w != widget; w = gdk_window_get_parent(w))
    gdk_window_coords_to_parent(w, pen.x, pen.y, &pen.x, &pen.y);
  return pen;
}

// Moves a pointer event in the text window off the gaps below paragraphs,
// where the toolkit's own position lookup would abort.
void KeepOffLineGaps(Gtk::TextView& view, GdkEvent* event) {
  Glib::RefPtr<Gdk::Window> text = view.get_window(Gtk::TEXT_WINDOW_TEXT);
  double x, y;
  if (!text || event->any.window != text->gobj() || !gdk_event_get_coords(event, &x, &y)) return;
  int bx, by;
  view.window_to_buffer_coords(Gtk::TEXT_WINDOW_TEXT, int(x), int(y), bx, by);
  int safe = OffLineGaps(view, by);
  if (safe == by) return;
  double dy = safe - by;
  if (event->type == GDK_MOTION_NOTIFY) {
    event->motion.y += dy;
  } else {
    event->button.y += dy;
  }
}

}  // namespace

void CNotebook::ConnectPen() {
  pen_editor = std::make_unique<CNotebookPenEditor>(*this);
  pen_input = std::make_unique<CPenInput>(*pen_editor, *this);
  signal_key_press_event().connect(sigc::mem_fun(*this, &CNotebook::OnPenKey), false);
  overlay.signal_realize().connect([this]() {
    if (auto window = overlay.get_window()) window->set_pass_through(true);
  });
}

void CNotebook::OnSizeAllocate(Gtk::Allocation& allocation) {
  int width = allocation.get_width(), height = allocation.get_height();
  overlay.set_size_request(width, height);
  OnWidthChanged(width);
  pen_input->OnViewAllocate(width, height);
}

bool CNotebook::OnOverlayDraw(const Cairo::RefPtr<Cairo::Context>& cr) { return pen_input->OnOverlayDraw(cr); }

bool CNotebook::OnButtonPress(GdkEventButton* event) {
  last_key = 0;
  GdkEvent* any = reinterpret_cast<GdkEvent*>(event);
  KeepOffLineGaps(*this, any);
  return pen_input->OnPress(InWidgetWindow(*this, any), event->window);
}

bool CNotebook::OnButtonRelease(GdkEventButton* event) {
  GdkEvent* any = reinterpret_cast<GdkEvent*>(event);
  KeepOffLineGaps(*this, any);
  return pen_input->OnRelease(InWidgetWindow(*this, any), event->window);
}

bool CNotebook::OnMotion(GdkEventMotion* event) {
  GdkEvent* any = reinterpret_cast<GdkEvent*>(event);
  KeepOffLineGaps(*this, any);
  return pen_input->OnMotion(InWidgetWindow(*this, any), event->window);
}

bool CNotebook::OnPenKey(GdkEventKey* event) {
  // Keys act on highlighted strokes only while some are highlighted.
  if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return false;
  switch (event->keyval) {
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
    case GDK_KEY_BackSpace:
      return pen_input->DeleteSelection();
    case GDK_KEY_Escape:
      return pen_input->ClearSelection();
    default:
      return false;
  }
}

void CNotebook::ApplyDrawingEdit(int offset, const SObjectEdit& edit, bool undo) {
  const auto* change = dynamic_cast<const SDrawingEdit*>(&edit);
  CBoundDrawing* drawing = CPenInput::DrawingAt(source_buffer->get_iter_at_offset(offset));
  if (!change || !drawing) return;
  drawing->Apply(*change, undo);
  last_change_time = g_get_real_time();
}
