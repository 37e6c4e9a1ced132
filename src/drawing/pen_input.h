#pragma once

#include <cairomm/context.h>
#include <gtkmm/textview.h>

#include <map>
#include <memory>

#include "drawing/pen_editor.h"
#include "drawing/pen_event.h"
#include "drawing/pen_state.h"

class CBoundDrawing;
struct SDrawingEdit;

// Writing, erasing and selecting with a pen, touch or mouse over the
// editor's text. The view forwards its pointer events here; finished
// strokes go into drawings anchored in the text.
class CPenInput {
public:
  CPenInput(IPenEditor& editor, SPenState& state);

  void OnViewAllocate(int width, int height);
  bool OnOverlayDraw(const Cairo::RefPtr<Cairo::Context>& cr);
  // Events in the view's widget window; `window` is the event's toolkit
  // window, whose event compression the handlers switch.
  bool OnPress(const SPenEvent& event, GdkWindow* window);
  bool OnMotion(const SPenEvent& event, GdkWindow* window);
  bool OnRelease(const SPenEvent& event, GdkWindow* window);

  void CommitStroke();
  void SelectRegion(float x0, float x1, float y0, float y1);
  void EraseUnder(float x, float y);
  // The selection box's strokes: removed as one undo step; dropped.
  bool HasSelection();
  bool DeleteSelection();
  bool ClearSelection();

  // The drawing at a position, or null.
  static CBoundDrawing* DrawingAt(Gtk::TextIter at);
  // A drawing's top-left corner in buffer coordinates.
  void OriginOf(CBoundDrawing& drawing, int& x, int& y);

private:
  void BufferOrigin(int& ox, int& oy);
  void ClearOverlay();
  void FinishErasing();
  std::vector<CBoundDrawing*> Drawings();

  IPenEditor& editor;
  SPenState& state;
  Cairo::RefPtr<Cairo::Surface> overlay_surface;
  Cairo::RefPtr<Cairo::Context> overlay_context;
  unsigned pressed_button = 0;
  // What the eraser gesture under way removed, per drawing.
  std::map<Glib::RefPtr<Gtk::TextChildAnchor>, std::shared_ptr<SDrawingEdit>> erased;
  // Anchors of the drawings the last selection box picked from.
  std::vector<Glib::RefPtr<Gtk::TextChildAnchor>> selected;
};
