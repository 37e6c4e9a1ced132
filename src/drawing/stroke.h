#pragma once

#include <cairomm/context.h>

#include <vector>

// One pen stroke: a colour and a polyline whose points carry their own width.
class CStroke {
public:
  float color[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  std::vector<float> xcoords;
  std::vector<float> ycoords;
  std::vector<float> widths;
  std::vector<bool> selected;

  void Reset();
  void Append(float x, float y, float width);
  void LastPoint(float& x, float& y) const;
  float TurnSine(float x, float y) const;
  void Simplify();
  void GetBounds(float& x0, float& x1, float& y0, float& y1) const;
  void ClampMin(float left, float top);
  bool SelectInRect(float x0, float x1, float y0, float y1);
  void ClearSelection();
  void Render(const Cairo::RefPtr<Cairo::Context>& cr, unsigned from, float dx, float dy) const;
  void RenderSelection(const Cairo::RefPtr<Cairo::Context>& cr, float dx, float dy) const;
};
