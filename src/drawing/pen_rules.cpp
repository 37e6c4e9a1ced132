#include "drawing/pen_rules.h"

#include <algorithm>
#include <cmath>

namespace pen_rules {

SMotionStep DecideMotion(const CStroke& stroke, double bx, double by, float strokeWidth, double pressure) {
  SMotionStep step;
  float lx = 0, ly = 0;
  stroke.LastPoint(lx, ly);
  float t = stroke.TurnSine(float(bx), float(by));
  step.dist = float(std::hypot(double(lx) - bx, double(ly) - by));
  if (step.dist < 0.6f) {
    step.drop = true;
    step.compression = ECompression::ON;
    return step;
  }
  step.width = strokeWidth * float(pressure);
  float k = std::sqrt(std::fabs(t)) + (step.dist > 4.0f ? 0.2f : 0.0f);
  // A turn measure that is not a number (coincident points) decides nothing.
  if (k < 0.32f)
    step.compression = ECompression::ON;
  else if (k > 0.32f)
    step.compression = ECompression::OFF;
  return step;
}

SRect SegmentRepaint(double wx, double wy, float dist, float width) {
  SRect r;
  r.x = int(wx - dist - width);
  r.y = int(wy - dist - width);
  r.width = r.height = int(width * 4.0 + 2 * dist);
  return r;
}

SBox NormalizeBox(double x0, double y0, double x1, double y1) {
  return {std::min(x0, x1), std::max(x0, x1), std::min(y0, y1), std::max(y0, y1)};
}

int SearchBackward(const KindAt& kindAt, int offset) {
  for (int i = offset;; --i) {
    if (HoldsWidgets(kindAt(i))) return i;
    if (i == 0 || !IsBlank(kindAt(i - 1))) return -1;
  }
}

int SearchForward(const KindAt& kindAt, int offset, int length, int& stop) {
  for (stop = offset; stop < length; ++stop) {
    ECharKind kind = kindAt(stop);
    if (HoldsWidgets(kind)) return stop;
    if (!IsBlank(kind)) return -1;
  }
  return -1;
}

bool LiesFrom(const CStroke& stroke, float left, float top) {
  for (size_t i = 0; i < stroke.xcoords.size(); ++i)
    if (stroke.xcoords[i] < left || stroke.ycoords[i] < top) return false;
  return true;
}

}  // namespace pen_rules
