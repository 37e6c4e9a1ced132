#include "drawing/bound_drawing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "drawing/base64.h"
#include "drawing/cell_key.h"
#include "drawing/drawing_edit.h"
#include "drawing/drawing_payload.h"

namespace {

const char kTypeName[] = "gtkmm__CustomObject_CBoundDrawing";
const char kDamagedHint[] =
    "This drawing could not be read completely. It is kept as stored until you draw in it or erase from it.";

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(closure);
  bytes->insert(bytes->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

CBoundDrawing::CBoundDrawing(Glib::RefPtr<Gdk::Window> window)
    : Glib::ObjectBase("CBoundDrawing"), target_window(std::move(window)) {
  cells.max_load_factor(1.0f);
  // Painted into the text's own window: a window for each of a note's
  // drawings would make every repaint of the view walk all of them.
  set_has_window(false);
}

CBoundDrawing* IsBoundDrawing(Gtk::Widget* widget) {
  if (!widget || std::strcmp(G_OBJECT_TYPE_NAME(widget->gobj()), kTypeName) != 0) return nullptr;
  return static_cast<CBoundDrawing*>(widget);
}

Cairo::RefPtr<Cairo::Surface> CBoundDrawing::NewSurface(int w, int h) const {
  // Cairo cannot make surfaces outside these sides.
  w = std::max(1, std::min(w, kMaxDrawingSide));
  h = std::max(1, std::min(h, kMaxDrawingSide));
  if (target_window) return target_window->create_similar_surface(Cairo::CONTENT_COLOR_ALPHA, w, h);
  return Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, w, h);
}

bool CBoundDrawing::Resize(int w, int h, int dx, int dy) {
  EnsureLoaded();
  int64_t nw64 = int64_t(w) - dx, nh64 = int64_t(h) - dy;
  if (nw64 < 0 || nh64 < 0 || nw64 > INT32_MAX || nh64 > INT32_MAX) return false;
  int nw = static_cast<int>(nw64), nh = static_cast<int>(nh64);
  bool moved = dx != 0 || dy != 0;
  if (moved) {
    float fx = static_cast<float>(dx), fy = static_cast<float>(dy);
    for (const CStroke& s : strokes)
      for (size_t j = 0; j < s.xcoords.size(); ++j)
        if (s.xcoords[j] < fx || s.ycoords[j] < fy) return false;
    for (CStroke& s : strokes)
      for (size_t j = 0; j < s.xcoords.size(); ++j) {
        s.xcoords[j] -= fx;
        s.ycoords[j] -= fy;
      }
    cells.clear();
    cells_stale = true;
  }
  bool resized = nw != width || nh != height;
  // A moved origin must move the picture too, even at the same size.
  if (cache && (resized || moved)) {
    Cairo::RefPtr<Cairo::Surface> surface = NewSurface(nw, nh);
    Cairo::RefPtr<Cairo::Context> context = Cairo::Context::create(surface);
    context->save();
    context->set_source(cache, -dx, -dy);
    context->rectangle(-dx, -dy, width, height);
    context->set_operator(Cairo::OPERATOR_SOURCE);
    context->fill();
    context->restore();
    cache = surface;
    cache_context = context;
  }
  width = nw;
  height = nh;
  set_size_request(nw, nh);
  if (resized || moved) Changed();
  return true;
}

void CBoundDrawing::RebuildCells() {
  EnsureLoaded();
  cells.clear();
  for (size_t i = 0; i < strokes.size(); ++i) {
    const CStroke& s = strokes[i];
    for (size_t j = 0; j < s.xcoords.size(); ++j)
      cells[CellKey(s.xcoords[j], s.ycoords[j])].push_back({s.xcoords[j], s.ycoords[j], int(i), int(j)});
  }
  cells_stale = false;
}

void CBoundDrawing::EnsureCells() {
  if (cells_stale) RebuildCells();
}

const CBoundDrawing::CellIndex& CBoundDrawing::Cells() {
  EnsureCells();
  return cells;
}

bool CBoundDrawing::AddStroke(CStroke& stroke, bool force, float dx, float dy) {
  EnsureLoaded();
  size_t n = stroke.xcoords.size();
  for (size_t j = 0; j < n; ++j) {
    float& x = stroke.xcoords[j];
    float& y = stroke.ycoords[j];
    if (force) {
      if (-dx > x) x = -dx;
      if (-dy > y) y = -dy;
    } else if (-dx > x || -dy > y) {
      return false;
    }
  }
  int64_t c = width, d = height;
  strokes.push_back(stroke);
  int k = static_cast<int>(strokes.size() - 1);
  CStroke& s = strokes.back();
  for (size_t j = 0; j < n; ++j) {
    s.xcoords[j] = s.xcoords[j] + dx;
    s.ycoords[j] = s.ycoords[j] + dy;
    int kx = TruncToInt(s.xcoords[j]), ky = TruncToInt(s.ycoords[j]);
    if (!cells_stale) cells[CellKeyOf(kx, ky)].push_back({s.xcoords[j], s.ycoords[j], k, int(j)});
    int e = TruncToInt(s.widths[j] + 1.0);
    c = std::max(c, int64_t(kx) + e);
    d = std::max(d, int64_t(ky) + e);
  }
  Resize(static_cast<int>(std::min<int64_t>(c, INT32_MAX)), static_cast<int>(std::min<int64_t>(d, INT32_MAX)), 0, 0);
  // Only the new stroke is painted; a stale cache paints everything later.
  if (cache) s.Render(cache_context, 1, 0, 0);
  Changed();
  return true;
}

void CBoundDrawing::RemoveStroke(int s) {
  strokes.erase(strokes.begin() + s);
  for (auto cell = cells.begin(); cell != cells.end();) {
    std::vector<SCellPoint>& points = cell->second;
    size_t kept = 0;
    for (const SCellPoint& p : points) {
      if (p.stroke == s) continue;
      points[kept] = p;
      if (p.stroke > s) --points[kept].stroke;
      ++kept;
    }
    points.resize(kept);
    cell = points.empty() ? cells.erase(cell) : std::next(cell);
  }
}

void CBoundDrawing::EraseAt(float x, float y, float r, std::vector<std::pair<int, CStroke>>* removed) {
  EnsureLoaded();
  EnsureCells();
  int keys[5] = {CellKey(x, y), CellKey(x - r, y - r), CellKey(x + r, y - r), CellKey(x - r, y + r),
                 CellKey(x + r, y + r)};
  std::sort(keys, keys + 5);
  int* end = std::unique(keys, keys + 5);
  float rr = r * r;
  bool changed = false;
  for (int* key = keys; key != end; ++key) {
    bool again = true;
    while (again) {
      again = false;
      auto cell = cells.find(*key);
      if (cell == cells.end()) break;
      for (const SCellPoint& p : cell->second) {
        float ex = p.x - x, ey = p.y - y;
        if (rr > ex * ex + ey * ey) {
          int s = p.stroke;
          if (removed) removed->emplace_back(s, strokes[s]);
          RemoveStroke(s);
          changed = again = true;
          break;
        }
      }
    }
  }
  if (!changed) return;
  Changed();
  Redraw();
  queue_draw();
}

std::vector<std::pair<int, CStroke>> CBoundDrawing::RemoveSelected() {
  EnsureLoaded();
  std::vector<std::pair<int, CStroke>> removed;
  for (size_t i = 0; i < strokes.size();) {
    const std::vector<bool>& flags = strokes[i].selected;
    if (std::find(flags.begin(), flags.end(), true) == flags.end()) {
      ++i;
      continue;
    }
    removed.emplace_back(int(i), strokes[i]);
    removed.back().second.ClearSelection();
    strokes.erase(strokes.begin() + long(i));
  }
  if (removed.empty()) return removed;
  for (CStroke& s : strokes) s.ClearSelection();
  has_selection = false;
  cells.clear();
  cells_stale = true;
  Changed();
  Redraw();
  queue_draw();
  return removed;
}

void CBoundDrawing::Apply(const SDrawingEdit& edit, bool undo) {
  EnsureLoaded();
  auto shift = [this](float dx, float dy) {
    if (dx == 0 && dy == 0) return;
    for (CStroke& s : strokes)
      for (size_t j = 0; j < s.xcoords.size(); ++j) {
        s.xcoords[j] += dx;
        s.ycoords[j] += dy;
      }
  };
  if (undo) {
    size_t keep = strokes.size() >= edit.added.size() ? strokes.size() - edit.added.size() : 0;
    strokes.resize(keep);
    if (edit.shift_x != 0 || edit.shift_y != 0) strokes = edit.before;
    for (auto r = edit.removed.rbegin(); r != edit.removed.rend(); ++r)
      strokes.insert(strokes.begin() + std::min<long>(r->first, long(strokes.size())), r->second);
    width = edit.old_width;
    height = edit.old_height;
  } else {
    for (const auto& r : edit.removed)
      if (r.first < int(strokes.size())) strokes.erase(strokes.begin() + r.first);
    shift(edit.shift_x, edit.shift_y);
    strokes.insert(strokes.end(), edit.added.begin(), edit.added.end());
    width = edit.new_width;
    height = edit.new_height;
  }
  for (CStroke& s : strokes) s.ClearSelection();
  has_selection = false;
  cells.clear();
  cells_stale = true;
  // Repainted whole at the next draw, at the size it has now.
  cache.clear();
  cache_context.clear();
  set_size_request(width, height);
  Changed();
  queue_draw();
}

void CBoundDrawing::PaintAll() {
  const Cairo::RefPtr<Cairo::Context>& cr = cache_context;
  cr->save();
  cr->set_source_rgba(0, 0, 0, 0);
  cr->rectangle(0, 0, width, height);
  cr->set_operator(Cairo::OPERATOR_SOURCE);
  cr->fill();
  cr->restore();
  if (has_selection) {
    for (const CStroke& s : strokes) s.RenderSelection(cr, 0, 0);
    // Fade the halos to 30 % before the strokes go over them.
    cr->save();
    cr->set_source_rgba(0, 0, 0, 0.3);
    cr->rectangle(0, 0, width, height);
    cr->set_operator(Cairo::OPERATOR_DEST_IN);
    cr->fill();
    cr->restore();
  }
  for (const CStroke& s : strokes) s.Render(cr, 1, 0, 0);
}

void CBoundDrawing::Redraw() {
  if (cache) PaintAll();
}

Cairo::RefPtr<Cairo::Surface> CBoundDrawing::Cache() {
  EnsureLoaded();
  if (!cache) {
    cache = NewSurface(width, height);
    cache_context = Cairo::Context::create(cache);
    PaintAll();
  }
  return cache;
}

void CBoundDrawing::Select(float x0, float x1, float y0, float y1) {
  EnsureLoaded();
  printf("drawing %p: select %.2f,%.2f -- %.2f,%.2f\n", static_cast<void*>(this), x0, y0, x1, y1);
  if (0 > x1 || 0 > y1 || x0 > width || y0 > height) {
    Unselect();
    return;
  }
  bool any = false;
  for (CStroke& s : strokes) any = s.SelectInRect(x0, x1, y0, y1) || any;
  if (has_selection || any) {
    has_selection = any;
    Redraw();
    queue_draw();
  }
}

void CBoundDrawing::Unselect() {
  EnsureLoaded();
  for (CStroke& s : strokes) s.ClearSelection();
  if (!has_selection) return;
  has_selection = false;
  Redraw();
  queue_draw();
}

void CBoundDrawing::Changed() {
  stored_link.clear();
  if (!damaged) return;
  // From now on the drawing is what it shows.
  damaged = false;
  set_has_tooltip(false);
  queue_draw();
}

const std::string& CBoundDrawing::Serialize() {
  if (stored_link.empty()) stored_link = "![](ql:" + EncodeDrawingPayload(width, height, strokes) + ")";
  return stored_link;
}

void CBoundDrawing::Deserialize(const std::string& payload) {
  int32_t w, h;
  if (!DecodeDrawingSize(payload, w, h)) {
    Load(payload);
  } else {
    pending_payload = payload;
    strokes.clear();
    has_selection = false;
    damaged = false;
    cells.clear();
    cells_stale = true;
    cache.clear();
    cache_context.clear();
    width = w;
    height = h;
    set_size_request(width, height);
  }
  stored_link = "![](ql:" + payload + ")";
}

void CBoundDrawing::EnsureLoaded() {
  if (pending_payload.empty()) return;
  std::string payload = std::move(pending_payload);
  pending_payload.clear();
  Load(payload);
}

void CBoundDrawing::Load(const std::string& payload) {
  StrokeRecord record;
  damaged = !DecodeDrawingPayload(payload, record);
  strokes = std::move(record.strokes);
  has_selection = false;
  cells.clear();
  cells_stale = true;
  cache.clear();
  cache_context.clear();
  width = record.width;
  height = record.height;
  if (damaged) {
    // Big enough for the hint frame to be seen.
    width = std::max(width, 16);
    height = std::max(height, 16);
    set_tooltip_text(kDamagedHint);
  }
  set_size_request(width, height);
}

std::string CBoundDrawing::RenderPngLink() {
  std::vector<uint8_t> png;
  cairo_surface_write_to_png_stream(Cache()->cobj(), AppendBytes, &png);
  return "![](data:image/png;base64," + Base64Encode(png) + ")";
}

bool CBoundDrawing::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  cr->set_source(Cache(), 0, 0);
  cr->rectangle(0, 0, width, height);
  cr->fill();
  if (damaged) {
    cr->set_source_rgba(0.8, 0.1, 0.1, 0.9);
    cr->set_line_width(1.0);
    cr->set_dash(std::vector<double>{4.0, 3.0}, 0);
    cr->rectangle(0.5, 0.5, width - 1, height - 1);
    cr->stroke();
  }
  return true;
}

bool CBoundDrawing::on_button_press_event(GdkEventButton*) { return false; }
bool CBoundDrawing::on_button_release_event(GdkEventButton*) { return false; }
bool CBoundDrawing::on_motion_notify_event(GdkEventMotion*) { return false; }

void CBoundDrawing::on_unrealize() {
  printf("unrealize event on %08lX\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
  Gtk::DrawingArea::on_unrealize();
}

void CBoundDrawing::destroy_notify_() {
  printf("destroy event on %08lX\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
  strokes.clear();
  pending_payload.clear();
  cells.clear();
  Gtk::DrawingArea::destroy_notify_();
}
