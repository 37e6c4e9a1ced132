#pragma once

#include <functional>

#include "drawing/stroke.h"

// Pen decisions that need no widget: what a motion does to the stroke and
// the toolkit's event compression, what it repaints, and where a finished
// stroke goes in the text.
namespace pen_rules {

enum class ECompression { KEEP, ON, OFF };

struct SMotionStep {
  bool drop = false;  // too close to the last point: the point is dropped
  ECompression compression = ECompression::KEEP;
  float width = 0;  // of the new point
  float dist = 0;   // from the last point
};

// A pointer at buffer point (bx, by) with the given pressure while `stroke`
// is drawn. Straight, slow strokes let the toolkit merge pointer events;
// sharp turns and fast moves ask for every event.
SMotionStep DecideMotion(const CStroke& stroke, double bx, double by, float strokeWidth, double pressure);

struct SRect {
  int x = 0, y = 0, width = 0, height = 0;
};
// The overlay square to repaint around the newest segment, window coordinates.
SRect SegmentRepaint(double wx, double wy, float dist, float width);

// A box from two corners, as left, right, top, bottom.
struct SBox {
  double left, right, top, bottom;
};
SBox NormalizeBox(double x0, double y0, double x1, double y1);

// Characters as the stroke commit sees them. TEXT also stands for the end
// of the buffer.
enum class ECharKind { TEXT, BLANK, BARE_ANCHOR, DRAWING, WIDGET };
using KindAt = std::function<ECharKind(int offset)>;

inline bool IsBlank(ECharKind kind) { return kind != ECharKind::TEXT; }
inline bool HoldsWidgets(ECharKind kind) { return kind == ECharKind::DRAWING || kind == ECharKind::WIDGET; }

// From the stroke's position back over blanks: the offset of the first
// anchor with widgets met, or -1. `kindAt(offset)` is the character at offset.
int SearchBackward(const KindAt& kindAt, int offset);
// From the stroke's position forward over blanks: the offset of the first
// anchor with widgets met, or -1; `stop` is where the blanks end.
int SearchForward(const KindAt& kindAt, int offset, int length, int& stop);

// Every point lies right of and below (left, top).
bool LiesFrom(const CStroke& stroke, float left, float top);

}  // namespace pen_rules
