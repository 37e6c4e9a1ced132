// Pen decisions without a display: compression, where a stroke commits,
// the per-device modes, and pen edits in the undo history.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing/device_modes.h"
#include "drawing/pen_rules.h"
#include "editor/undo_history.h"

namespace {

using pen_rules::ECharKind;
using pen_rules::ECompression;

CStroke Points(std::vector<std::pair<float, float>> points) {
  CStroke s;
  for (auto& p : points) s.Append(p.first, p.second, 2);
  return s;
}

TEST(PenRulesTest, MotionDropsNearPointsAndAsksForEveryEventOnTurnsAndSpeed) {
  struct {
    const char* what;
    CStroke stroke;
    double x, y;
    bool drop;
    ECompression compression;
  } cases[] = {
      {"closer than 0.6 px", Points({{10, 10}}), 10.5, 10.1, true, ECompression::ON},
      {"slow and straight", Points({{0, 0}, {2, 0}}), 4, 0, false, ECompression::ON},
      {"fast and straight", Points({{0, 0}, {5, 0}}), 10, 0, false, ECompression::ON},  // k = 0.2
      {"a right angle", Points({{0, 0}, {2, 0}}), 2, 2, false, ECompression::OFF},
      {"a slight turn, fast", Points({{0, 0}, {5, 0}}), 10, 0.2, false, ECompression::OFF},
      {"first motion after the press", Points({{0, 0}}), 3, 0, false, ECompression::ON},
  };
  for (auto& c : cases) {
    pen_rules::SMotionStep step = pen_rules::DecideMotion(c.stroke, c.x, c.y, 2.0f, 0.5);
    EXPECT_EQ(step.drop, c.drop) << c.what;
    EXPECT_EQ(step.compression, c.compression) << c.what;
    if (!c.drop) {
      EXPECT_FLOAT_EQ(step.width, 1.0f) << c.what;
    }
  }
  // Coincident last points make the turn measure not a number: no decision.
  pen_rules::SMotionStep nan = pen_rules::DecideMotion(Points({{0, 0}, {0, 0}}), 1, 0, 2, 1);
  EXPECT_FALSE(nan.drop);
  EXPECT_EQ(nan.compression, ECompression::KEEP);
}

TEST(PenRulesTest, RepaintSquareCoversTheNewSegment) {
  pen_rules::SRect r = pen_rules::SegmentRepaint(100.5, 50.5, 3, 2);
  EXPECT_EQ(r.x, 95);
  EXPECT_EQ(r.y, 45);
  EXPECT_EQ(r.width, 14);
  EXPECT_EQ(r.height, 14);
  pen_rules::SBox box = pen_rules::NormalizeBox(30, 5, 10, 40);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.right, 30);
  EXPECT_EQ(box.top, 5);
  EXPECT_EQ(box.bottom, 40);
}

// The text as characters: ' ' and '\n' blank, '#' a bare anchor, 'D' a
// drawing, 'W' another widget, anything else text.
pen_rules::KindAt Text(const std::string& text) {
  return [text](int offset) {
    if (offset >= int(text.size())) return ECharKind::TEXT;
    switch (text[size_t(offset)]) {
      case ' ':
      case '\n':
        return ECharKind::BLANK;
      case '#':
        return ECharKind::BARE_ANCHOR;
      case 'D':
        return ECharKind::DRAWING;
      case 'W':
        return ECharKind::WIDGET;
      default:
        return ECharKind::TEXT;
    }
  };
}

TEST(PenRulesTest, SearchesCrossOnlyBlanks) {
  struct {
    std::string text;
    int from;
    int back, ahead, stop;
  } cases[] = {
      {"abD  x", 4, 2, -1, 5},   // back over blanks to the drawing
      {"abD# x", 4, 2, -1, 5},   // a bare anchor is blank
      {"abDx x", 4, -1, -1, 5},  // text between
      {"ab\n\nDx", 2, -1, 4, 4}, // ahead over the empty line
      {"ab\n\nWx", 2, -1, 4, 4}, // another widget stops the search too
      {"D", 0, 0, 0, 0},         // on the drawing itself
      {"ab  ", 3, -1, -1, 4},    // to the end of the buffer
      {"  ab", 1, -1, -1, 2},    // back to the start
  };
  for (const auto& c : cases) {
    auto kind = Text(c.text);
    EXPECT_EQ(pen_rules::SearchBackward(kind, c.from), c.back) << c.text;
    int stop = -1;
    EXPECT_EQ(pen_rules::SearchForward(kind, c.from, int(c.text.size()), stop), c.ahead) << c.text;
    EXPECT_EQ(stop, c.stop) << c.text;
  }
  CStroke s = Points({{10, 20}, {15, 25}});
  EXPECT_TRUE(pen_rules::LiesFrom(s, 10, 20));
  EXPECT_FALSE(pen_rules::LiesFrom(s, 10.5f, 20));
}

TEST(DeviceModesTest, FirstSightDecidesAndChoicesStay) {
  CDeviceModes modes;
  int tablet = 0, mouse = 0, pen = 0, eraser = 0, touch = 0;
  EXPECT_EQ(modes.EnterForPress(&tablet, 5), 1);
  EXPECT_EQ(modes.EnterForPress(&mouse, 2), 0);
  EXPECT_EQ(modes.EnterForSource(&pen, EPenSource::PEN), 1);
  EXPECT_EQ(modes.EnterForSource(&eraser, EPenSource::ERASER), 2);
  EXPECT_EQ(modes.EnterForSource(&touch, EPenSource::TOUCHSCREEN), 0);
  modes.Set(&pen, 3);
  // Seen again, in a press or a motion: the chosen mode stays.
  EXPECT_EQ(modes.EnterForPress(&pen, 7), 3);
  EXPECT_EQ(modes.EnterForSource(&pen, EPenSource::PEN), 3);
  EXPECT_EQ(modes.ModeOf(&pen), 3);
  int unseen = 0;
  EXPECT_FALSE(modes.Knows(&unseen));
  EXPECT_EQ(modes.ModeOf(&unseen), 0);
}

struct Edit : SObjectEdit {
  int id;
  explicit Edit(int n) : id(n) {}
};

TEST(UndoHistoryTest, PenEditsAreStepsThatMoveWithTheText) {
  CUndoHistory history;
  SUndoContent ab;
  ab.text = "ab";
  ab.length = 2;
  history.Inserted(0, ab);                         // "ab"
  history.Edited(1, std::make_shared<Edit>(1));    // the object at 1
  history.ObjectInserted(0);                       // an anchor placed in front
  history.ObjectInserted(5);                       // and one well after
  ASSERT_EQ(history.UndoSteps().size(), 2u);
  const SUndoRecord& edit = history.NextUndo().front();
  ASSERT_TRUE(edit.edit);
  EXPECT_EQ(static_cast<Edit&>(*edit.edit).id, 1);
  EXPECT_EQ(edit.offset, 2);
  history.Undone();
  // Typing after an edit never merges into it.
  SUndoContent c;
  c.text = "c";
  c.length = 1;
  history.Redone();
  history.Inserted(3, c);
  EXPECT_EQ(history.UndoSteps().size(), 3u);
}

}  // namespace
