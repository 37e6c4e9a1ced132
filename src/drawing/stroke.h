#pragma once

#include <cairomm/context.h>

#include <vector>

// One pen stroke: a colour and a polyline whose points carry their own width.
// The coordinate arrays are kept apart so the stored record copies each in
// one block. All arithmetic is single precision, like the stored floats.
class CStroke {
public:
  float color[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  std::vector<float> xcoords;
  std::vector<float> ycoords;
  std::vector<float> widths;
  std::vector<bool> selected;  // per point; empty means nothing selected

  void Reset();
  void Append(float x, float y, float width);
  void LastPoint(float& x, float& y) const;
  // Sine of the turn from the last segment towards (x, y); 0 below two
  // points, NaN for coincident points.
  float TurnSine(float x, float y) const;
  // Drops points where the stroke neither turned, travelled nor changed
  // width enough since the last kept point.
  void Simplify();
  // Bounding box of every point grown by its width; needs one point.
  void GetBounds(float& x0, float& x1, float& y0, float& y1) const;
  void ClampMin(float left, float top);
  bool SelectInRect(float x0, float x1, float y0, float y1);
  void ClearSelection();
  // Paints segments from..n-1 shifted by (-dx, -dy); from is at least 1.
  void Render(const Cairo::RefPtr<Cairo::Context>& cr, unsigned from, float dx, float dy) const;
  void RenderSelection(const Cairo::RefPtr<Cairo::Context>& cr, float dx, float dy) const;
};
