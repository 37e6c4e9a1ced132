#pragma once

#include <gtkmm/drawingarea.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "drawing/stroke.h"

struct SDrawingEdit;

// A set of strokes shown inside the note at one child anchor. The strokes
// are painted once into a cached image which the widget shows; pointer
// events pass through to the editor, which calls the operations below.
class CBoundDrawing : public Gtk::DrawingArea {
public:
  // One entry per point, with the point's coordinates beside its stroke
  // and point index: the eraser reads one flat run per cell instead of
  // chasing every entry and then the stroke's arrays through memory.
  struct SCellPoint {
    float x, y;
    int stroke, point;
  };
  using CellIndex = std::unordered_map<int, std::vector<SCellPoint>>;

  // The window is used only to create surfaces that suit it; without one
  // the cache is a plain image surface.
  explicit CBoundDrawing(Glib::RefPtr<Gdk::Window> window);

  bool Resize(int w, int h, int dx, int dy);
  void RebuildCells();
  bool AddStroke(CStroke& stroke, bool force, float dx, float dy);
  // Strokes removed go to `removed` with the index each had, in order.
  void EraseAt(float x, float y, float r, std::vector<std::pair<int, CStroke>>* removed = nullptr);
  // Removes every stroke with a selected point, as EraseAt reports them.
  std::vector<std::pair<int, CStroke>> RemoveSelected();
  // Takes a pen gesture's change back, or makes it again.
  void Apply(const SDrawingEdit& edit, bool undo);
  void Redraw();
  void Select(float x0, float x1, float y0, float y1);
  void Unselect();

  // "![](ql:...)" storage link. Returned unchanged as it was loaded (or
  // last written) until the strokes or the size change.
  const std::string& Serialize();
  // Loads a payload. A payload that cannot be read completely keeps the
  // strokes read so far, shows a dashed red frame and is written back
  // unchanged by Serialize until the user draws in or erases from it.
  void Deserialize(const std::string& payload);
  std::string RenderPngLink();

  bool IsDamaged() {
    EnsureLoaded();
    return damaged;
  }
  // The strokes, decoded from the loaded payload on first use.
  const std::vector<CStroke>& Strokes() {
    EnsureLoaded();
    return strokes;
  }
  // The cell index and cached picture, made on first use.
  const CellIndex& Cells();
  Cairo::RefPtr<Cairo::Surface> Cache();

  CellIndex cells;
  int width = 1;
  int height = 1;
  bool has_selection = false;
  Glib::RefPtr<Gdk::Window> target_window;
  // Absent while stale: loading and erasing repaint on the next draw.
  Cairo::RefPtr<Cairo::Surface> cache;
  Cairo::RefPtr<Cairo::Context> cache_context;

protected:
  void destroy_notify_() override;
  void on_unrealize() override;
  bool on_button_press_event(GdkEventButton* event) override;
  bool on_button_release_event(GdkEventButton* event) override;
  bool on_motion_notify_event(GdkEventMotion* event) override;
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

private:
  void EnsureLoaded();
  void Load(const std::string& payload);
  Cairo::RefPtr<Cairo::Surface> NewSurface(int w, int h) const;
  void EnsureCells();
  void RemoveStroke(int s);
  void PaintAll();
  void Changed();

  std::vector<CStroke> strokes;
  // A payload whose strokes are not decoded yet: only what is drawn or
  // edited pays for decoding, so a long note opens quickly.
  std::string pending_payload;
  bool cells_stale = false;
  bool damaged = false;
  std::string stored_link;
};

// The drawing itself when the widget is one, else null.
CBoundDrawing* IsBoundDrawing(Gtk::Widget* widget);
