#include "drawing/stroke.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

}  // namespace

void CStroke::Reset() {
  xcoords.clear();
  ycoords.clear();
  widths.clear();
}

void CStroke::Append(float x, float y, float width) {
  xcoords.push_back(x);
  ycoords.push_back(y);
  widths.push_back(width);
}

void CStroke::LastPoint(float& x, float& y) const {
  if (xcoords.empty()) return;
  x = xcoords.back();
  y = ycoords.back();
}

float CStroke::TurnSine(float x, float y) const {
  size_t n = xcoords.size();
  if (n < 2) return 0;
  float ax = x - xcoords[n - 1], ay = y - ycoords[n - 1];
  float sx = xcoords[n - 1] - xcoords[n - 2], sy = ycoords[n - 1] - ycoords[n - 2];
  float cross = ax * sy - sx * ay;
  return cross / Length(sx, sy) / Length(ax, ay);
}

void CStroke::Simplify() {
  size_t n = xcoords.size();
  if (n <= 2) return;
  std::vector<float> nx, ny, nw;
  nx.reserve(n);
  ny.reserve(n);
  nw.reserve(n);
  nx.push_back(xcoords[0]);
  ny.push_back(ycoords[0]);
  nw.push_back(widths[0]);

  float vx = xcoords[1] - xcoords[0], vy = ycoords[1] - ycoords[0];
  float lv = Length(vx, vy);
  float turn = 0;
  float dist = lv;  // starts at the first segment, not at 0
  float kept_width = widths[0];
  for (size_t p = 1; p + 1 < n; ++p) {
    size_t c = p + 1;
    float ux = xcoords[c] - xcoords[p], uy = ycoords[c] - ycoords[p];
    float lu = Length(ux, uy);
    float sine = (vy * ux - vx * uy) / lv / lu;
    turn = turn + std::fabs(sine);
    // Tried in order; distance only grows when the turn test fails.
    bool keep = static_cast<double>(turn) > 0.15;
    if (!keep) {
      dist = dist + lu;
      keep = dist > 15.0f;
      if (!keep) keep = std::fabs(static_cast<double>(kept_width - widths[p])) > 0.3;
    }
    if (keep) {
      nx.push_back(xcoords[p]);
      ny.push_back(ycoords[p]);
      nw.push_back(widths[p]);
      turn = 0;
      dist = 0;
      kept_width = widths[p];
    }
    vx = ux;
    vy = uy;
    lv = lu;
  }
  nx.push_back(xcoords[n - 1]);
  ny.push_back(ycoords[n - 1]);
  nw.push_back(widths[n - 1]);

  printf("old: %d, new: %d\n", static_cast<int>(n), static_cast<int>(nx.size()));
  xcoords.swap(nx);
  ycoords.swap(ny);
  widths.swap(nw);
}

void CStroke::GetBounds(float& x0, float& x1, float& y0, float& y1) const {
  x0 = x1 = xcoords[0];
  y0 = y1 = ycoords[0];
  for (size_t i = 0; i < xcoords.size(); ++i) {
    float x = xcoords[i], y = ycoords[i], w = widths[i];
    if (x0 > x - w) x0 = x - w;
    if (x1 < x + w) x1 = x + w;
    if (y0 > y - w) y0 = y - w;
    if (y1 < y + w) y1 = y + w;
  }
}

void CStroke::ClampMin(float left, float top) {
  for (size_t i = 0; i < xcoords.size(); ++i) {
    float w = widths[i];
    if (left > xcoords[i] - w) xcoords[i] = left + w;
    if (top > ycoords[i] - w) ycoords[i] = top + w;
  }
}

bool CStroke::SelectInRect(float x0, float x1, float y0, float y1) {
  size_t n = xcoords.size();
  selected.resize(n, false);
  bool any = false;
  for (size_t i = 0; i < n; ++i) {
    float x = xcoords[i], y = ycoords[i], w = widths[i];
    bool hit = x0 < x + w && x1 > x - w && y0 < y + w && y1 > y - w;
    selected[i] = hit;
    any = any || hit;
  }
  return any;
}

void CStroke::ClearSelection() { selected.clear(); }

void CStroke::Render(const Cairo::RefPtr<Cairo::Context>& cr, unsigned from, float dx, float dy) const {
  cr->translate(-dx, -dy);
  cr->set_source_rgba(color[0], color[1], color[2], color[3]);
  cr->set_line_cap(Cairo::LINE_CAP_ROUND);
  // One path per segment, so the round caps cover the joints.
  for (size_t i = from > 0 ? from : 1; i < xcoords.size(); ++i) {
    cr->move_to(xcoords[i - 1], ycoords[i - 1]);
    cr->line_to(xcoords[i], ycoords[i]);
    cr->set_line_width(widths[i - 1]);
    cr->stroke();
  }
  cr->translate(dx, dy);
}

void CStroke::RenderSelection(const Cairo::RefPtr<Cairo::Context>& cr, float dx, float dy) const {
  if (selected.empty()) return;
  cr->translate(-dx, -dy);
  cr->set_source_rgba(color[0], color[1], color[2], color[3]);
  cr->set_line_cap(Cairo::LINE_CAP_ROUND);
  // Thinning or appending after the hit test can leave fewer flags than points.
  size_t n = std::min(xcoords.size(), selected.size());
  for (size_t i = 1; i < n; ++i) {
    if (!selected[i]) continue;
    cr->move_to(xcoords[i - 1], ycoords[i - 1]);
    cr->line_to(xcoords[i], ycoords[i]);
    cr->set_line_width(widths[i - 1] + 6.0);
    cr->stroke();
  }
  cr->translate(dx, dy);
}
