// Pen input over a real editor: where strokes go in the text, the eraser,
// the selection box, link clicks and undo of pen gestures.
#include <random>

#include "drawing/bound_drawing.h"
#include "drawing/drawing_payload.h"
#include "drawing/pen_input.h"
#include "drawing/stroke_record.h"
#include "editor/document_format.h"
#include "markup_fixture.h"

namespace {

const char kObject[] = "\xEF\xBF\xBC";

// Device keys: the pen code never looks behind them.
int pen_device, mouse_device, eraser_device;

CStroke Square(float x, float y, float side, int points = 6) {
  CStroke s;
  s.color[3] = 1;
  for (int i = 0; i < points; ++i) s.Append(x + side * float(i) / float(points - 1), y + side * float(i % 2), 2);
  return s;
}

std::string LinkOf(int w, int h, const std::vector<CStroke>& strokes) {
  return "![](ql:" + EncodeDrawingPayload(w, h, strokes) + ")";
}

class PenTest : public MarkupTest {
protected:
  void SetUp() override {
    MarkupTest::SetUp();
    notebook.stroke_width = 2;
    notebook.device_modes.Set(&pen_device, 1);
    notebook.device_modes.Set(&eraser_device, 2);
    notebook.device_modes.Set(&mouse_device, 0);
    notebook.signal_link_activated().connect([this](const Glib::ustring& t) { links.push_back(t); });
  }

  // A pen event at a point in buffer coordinates.
  SPenEvent At(const void* device, double bx, double by, double pressure = 1.0, unsigned button = 1) {
    int ox, oy;
    notebook.window_to_buffer_coords(Gtk::TEXT_WINDOW_WIDGET, 0, 0, ox, oy);
    SPenEvent e;
    e.device = device;
    e.source = device == &mouse_device ? EPenSource::MOUSE : EPenSource::PEN;
    e.axes = device == &mouse_device ? 2 : 6;
    e.x = bx - ox;
    e.y = by - oy;
    e.has_pressure = device != &mouse_device;
    e.pressure = pressure;
    e.button = button;
    return e;
  }

  // Presses at the first point, moves through the rest, lifts at the last.
  void Gesture(const void* device, const std::vector<std::pair<double, double>>& points) {
    CPenInput& pen = notebook.Pen();
    pen.OnPress(At(device, points.front().first, points.front().second), nullptr);
    for (size_t i = 1; i < points.size(); ++i) pen.OnMotion(At(device, points[i].first, points[i].second, 0), nullptr);
    SPenEvent last = At(device, points.back().first, points.back().second);
    pen.OnRelease(last, nullptr);
    Settle();
  }
  void Stroke(const std::vector<std::pair<double, double>>& points) {
    testing::internal::CaptureStdout();
    Gesture(&pen_device, points);
    testing::internal::GetCapturedStdout();
  }
  // A small zigzag from (x, y), right and down.
  void Scribble(double x, double y, double side = 12) {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i <= 6; ++i) points.emplace_back(x + side * i / 6.0, y + (i % 2 ? side : 0));
    Stroke(points);
  }

  Gdk::Rectangle CharRect(int offset) {
    Gdk::Rectangle r;
    notebook.get_iter_location(At(offset), r);
    return r;
  }
  CBoundDrawing* DrawingAt(int offset) { return CPenInput::DrawingAt(At(offset)); }
  Gdk::Rectangle Origin(CBoundDrawing* d) {
    int x, y;
    notebook.Pen().OriginOf(*d, x, y);
    return Gdk::Rectangle(x, y, d->width, d->height);
  }
  std::vector<CBoundDrawing*> Drawings() {
    std::vector<CBoundDrawing*> all;
    for (Gtk::TextIter i = Buffer()->begin(); !i.is_end(); i.forward_char())
      if (CBoundDrawing* d = CPenInput::DrawingAt(i)) all.push_back(d);
    return all;
  }

  using MarkupTest::At;
  std::vector<Glib::ustring> links;
};

TEST_F(PenTest, StrokeOverADrawingJoinsItAndGrowsItRightAndDown) {
  Open("Text ![](ql:" + EncodeDrawingPayload(60, 40, {Square(5, 5, 20)}) + ") after\n");
  CBoundDrawing* d = DrawingAt(5);
  ASSERT_NE(d, nullptr);
  Gdk::Rectangle o = Origin(d);
  std::string before = Slice();
  Scribble(o.get_x() + 30, o.get_y() + 20, 50);
  EXPECT_EQ(Slice(), before);  // no text changed
  ASSERT_EQ(d->Strokes().size(), 2u);
  // In the drawing's own coordinates, grown to take the stroke.
  EXPECT_NEAR(d->Strokes()[1].xcoords.front(), 30, 1);
  EXPECT_GE(d->width, 30 + 50);
  EXPECT_GE(d->height, 20 + 50);
  EXPECT_EQ(Drawings().size(), 1u);
}

TEST_F(PenTest, StrokeOnTheEmptyLineAboveADrawingMovesItUpAndGrowsIt) {
  Open("x\n\n![](ql:" + EncodeDrawingPayload(60, 40, {Square(5, 5, 20)}) + ")\n");
  CBoundDrawing* d = DrawingAt(3);
  ASSERT_NE(d, nullptr);
  Gdk::Rectangle line = CharRect(2), o = Origin(d);
  ASSERT_GT(o.get_y(), line.get_y());
  Scribble(line.get_x() + 10, line.get_y() + 4, 8);
  EXPECT_EQ(Slice(), Glib::ustring("x\n") + kObject + "\n");  // the blank line is gone
  ASSERT_EQ(DrawingAt(2), d);
  ASSERT_EQ(d->Strokes().size(), 2u);
  EXPECT_GT(d->height, 40);  // grown upwards by the line it took
  // The old stroke kept its place on screen.
  Gdk::Rectangle moved = Origin(d);
  EXPECT_NEAR(moved.get_y() + d->Strokes()[0].ycoords[0], o.get_y() + 5, 1.5);
}

TEST_F(PenTest, StrokeRightOfALineEndAnchorsThereWithoutANewline) {
  Load("hello\nworld\n");
  Gdk::Rectangle end = CharRect(5);
  Scribble(end.get_x() + 40, end.get_y() + 2, 10);
  EXPECT_EQ(Slice(), Glib::ustring("hello") + kObject + "\nworld\n");
  ASSERT_NE(DrawingAt(5), nullptr);
  EXPECT_EQ(DrawingAt(5)->Strokes().size(), 1u);
}

TEST_F(PenTest, StrokeStartingLeftOfItsCharacterGetsANewline) {
  Load("hello world\n");
  // The right half of the "o": the position found is after it.
  Gdk::Rectangle o = CharRect(4);
  Scribble(o.get_x() + o.get_width() * 0.8 + 2, o.get_y() + 2, 10);
  Glib::ustring text = Slice();
  EXPECT_EQ(text, Glib::ustring("hello") + kObject + "\n world\n");
}

TEST_F(PenTest, OnePointStrokeIsStoredAndReadBack) {
  Load("first line\n\n\n");
  Gdk::Rectangle line = CharRect(12);
  Stroke({{line.get_x() + 20.0, line.get_y() + 5.0}});
  std::string note = Note();
  size_t link = note.find("![](ql:");
  ASSERT_NE(link, std::string::npos) << note;
  StrokeRecord record;
  size_t end = note.find(')', link);
  ASSERT_TRUE(DecodeDrawingPayload(note.substr(link + 7, end - link - 7), record));
  ASSERT_EQ(record.strokes.size(), 1u);
  EXPECT_EQ(record.strokes[0].xcoords.size(), 1u);
  EXPECT_FLOAT_EQ(record.strokes[0].widths[0], 2.0f);
}

TEST_F(PenTest, StrokeLeftOfTheTextIsMovedRightOfItsStart) {
  Load("\n\nline\n");
  Gdk::Rectangle first = CharRect(0);
  Stroke({{first.get_x() - 20.0, first.get_y() + 30.0}, {first.get_x() + 10.0, first.get_y() + 34.0}});
  auto drawings = Drawings();
  ASSERT_EQ(drawings.size(), 1u);
  Gdk::Rectangle o = Origin(drawings[0]);
  const CStroke& s = drawings[0]->Strokes()[0];
  for (size_t i = 0; i < s.xcoords.size(); ++i) EXPECT_GE(o.get_x() + s.xcoords[i] - s.widths[i], first.get_x() - 0.01);
}

TEST_F(PenTest, PressureBecomesWidthAndTheMouseDrawsFullWidth) {
  Load("\n\n\n");
  Gdk::Rectangle line = CharRect(1);
  double x = line.get_x() + 10, y = line.get_y() + 10;
  CPenInput& pen = notebook.Pen();
  testing::internal::CaptureStdout();
  pen.OnPress(At(&pen_device, x, y, 0.1), nullptr);
  for (int i = 1; i <= 20; ++i) pen.OnMotion(At(&pen_device, x + 20 * i, y + (i % 2) * 9, 0.1 + 0.04 * i), nullptr);
  pen.OnRelease(At(&pen_device, x + 400, y), nullptr);
  notebook.device_modes.Set(&mouse_device, 1);
  pen.OnPress(At(&mouse_device, x, y + 60), nullptr);
  pen.OnMotion(At(&mouse_device, x + 30, y + 80), nullptr);
  pen.OnRelease(At(&mouse_device, x + 30, y + 80), nullptr);
  testing::internal::GetCapturedStdout();
  Settle();
  std::vector<const CStroke*> strokes;
  for (CBoundDrawing* d : Drawings())
    for (const CStroke& s : d->Strokes()) strokes.push_back(&s);
  ASSERT_EQ(strokes.size(), 2u);
  const CStroke& pressed = *strokes[0];
  ASSERT_GE(pressed.widths.size(), 3u);
  EXPECT_NEAR(pressed.widths.front(), 0.2, 1e-5);
  for (size_t i = 1; i < pressed.widths.size(); ++i) EXPECT_GT(pressed.widths[i], pressed.widths[i - 1]);
  for (float w : strokes[1]->widths) EXPECT_EQ(w, 2.0f);
}

TEST_F(PenTest, EraserRadiusIsTheStrokeWidth) {
  // Points ten pixels apart; the eraser touches near a point or between two.
  CStroke line;
  line.color[3] = 1;
  for (int i = 0; i < 5; ++i) line.Append(10 + 10 * i, 20, 0.5f);
  Open("![](ql:" + EncodeDrawingPayload(80, 40, {line}) + ")\n");
  CBoundDrawing* d = DrawingAt(0);
  ASSERT_NE(d, nullptr);
  Gdk::Rectangle o = Origin(d);
  struct {
    double dx, dy;
    bool removed;
  } cases[] = {
      {15, 20, false},  // on the painted line, 5 px from both points
      {30 + 2.5, 20, false},
      {30, 20 + 2.5, false},
      {20 + 1.9, 20, true},
      {30, 20 - 1.9, true},
  };
  for (const auto& c : cases) {
    Open("![](ql:" + EncodeDrawingPayload(80, 40, {line}) + ")\n");
    d = DrawingAt(0);
    double x = o.get_x() + c.dx, y = o.get_y() + c.dy;
    notebook.last_change_time = 0;
    Gesture(&eraser_device, {{x - 8, y - 20}, {x, y}, {x, y}});
    EXPECT_EQ(d->Strokes().empty(), c.removed) << c.dx << "," << c.dy;
    EXPECT_GT(notebook.last_change_time, 0);  // every contact counts as a change
  }
}

TEST_F(PenTest, SelectionPicksOnlyDrawingsAnchoredBetweenItsCorners) {
  std::string link = LinkOf(60, 30, {Square(5, 5, 20)});
  Open("a " + link + "\n\n\nb " + link + "\n");
  CBoundDrawing* first = DrawingAt(2);
  CBoundDrawing* second = DrawingAt(8);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  Gdk::Rectangle f = Origin(first);
  notebook.device_modes.Set(&pen_device, 3);
  testing::internal::CaptureStdout();
  Gesture(&pen_device, {{f.get_x() + 2.0, f.get_y() + 2.0}, {f.get_x() + 40.0, f.get_y() + 40.0}});
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(first->has_selection);
  EXPECT_FALSE(second->has_selection);
  char unsel[64];
  std::snprintf(unsel, sizeof unsel, "unsel %p\n", static_cast<void*>(second));
  EXPECT_NE(out.find(unsel), std::string::npos) << out;

  // A box in the empty lines between: the first drawing loses its selection.
  Gdk::Rectangle gap = CharRect(4);
  testing::internal::CaptureStdout();
  Gesture(&pen_device, {{gap.get_x() + 100.0, gap.get_y() + 1.0}, {gap.get_x() + 120.0, gap.get_y() + 3.0}});
  out = testing::internal::GetCapturedStdout();
  std::snprintf(unsel, sizeof unsel, "unsel %p\n", static_cast<void*>(first));
  EXPECT_NE(out.find(unsel), std::string::npos) << out;
  EXPECT_FALSE(first->has_selection);
}

TEST_F(PenTest, SelectedStrokesGoWithDeleteAsOneStepAndEscapeDropsTheSelection) {
  Open("a " + LinkOf(120, 40, {Square(5, 5, 20), Square(80, 5, 20)}) + "\n");
  std::string loaded = Note();
  CBoundDrawing* d = DrawingAt(2);
  Gdk::Rectangle o = Origin(d);
  notebook.device_modes.Set(&pen_device, 3);
  testing::internal::CaptureStdout();
  Gesture(&pen_device, {{o.get_x() + 1.0, o.get_y() + 1.0}, {o.get_x() + 30.0, o.get_y() + 30.0}});
  Key(GDK_KEY_Escape);
  EXPECT_FALSE(d->has_selection);
  Key(GDK_KEY_Delete);  // nothing highlighted: the key edits text as usual
  EXPECT_EQ(d->Strokes().size(), 2u);

  Gesture(&pen_device, {{o.get_x() + 1.0, o.get_y() + 1.0}, {o.get_x() + 30.0, o.get_y() + 30.0}});
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(d->has_selection);
  std::string text = Slice();
  Key(GDK_KEY_BackSpace);
  ASSERT_EQ(d->Strokes().size(), 1u);
  EXPECT_NEAR(d->Strokes()[0].xcoords[0], 80, 0.01);
  EXPECT_EQ(Slice(), text);  // the text stays
  Buffer()->undo();
  Settle();
  EXPECT_EQ(Note(), loaded);
}

TEST_F(PenTest, LinkClicksOpenWithoutControlAndPlaceTheCursorWithIt) {
  Load("see [a](b.md) here\n");
  // Hidden markup has no place on screen: find the label by pointing.
  Gdk::Rectangle line = CharRect(0);
  double x = 0, y = line.get_y() + line.get_height() / 2.0;
  for (Gtk::TextIter i; x < 300; x += 1) {
    notebook.get_iter_at_location(i, int(x), int(y));
    if (i.get_offset() == 5) break;
  }
  ASSERT_LT(x, 300);
  SPenEvent click = At(&mouse_device, x, y);
  EXPECT_TRUE(notebook.Pen().OnPress(click, nullptr));
  EXPECT_EQ(links, std::vector<Glib::ustring>{"b.md"});
  click.control = true;
  EXPECT_FALSE(notebook.Pen().OnPress(click, nullptr));  // the view places the cursor
  EXPECT_EQ(links.size(), 1u);
  SPenEvent right = At(&mouse_device, x, y, 1.0, 3);
  EXPECT_FALSE(notebook.Pen().OnPress(right, nullptr));  // the context menu stays
  EXPECT_EQ(links.size(), 1u);
}

TEST_F(PenTest, FirstPressModeFollowsTheDeviceAxes) {
  Load("text\n");
  int tablet = 0, mouse = 0;
  SPenEvent e = At(&tablet, 40, 5);
  e.axes = 5;
  notebook.Pen().OnPress(e, nullptr);
  EXPECT_EQ(notebook.device_modes.ModeOf(&tablet), 1);
  testing::internal::CaptureStdout();
  notebook.Pen().OnRelease(e, nullptr);
  testing::internal::GetCapturedStdout();
  e = At(&mouse, 40, 5);
  e.axes = 2;
  EXPECT_FALSE(notebook.Pen().OnPress(e, nullptr));
  EXPECT_EQ(notebook.device_modes.ModeOf(&mouse), 0);
}

TEST_F(PenTest, EveryCommitSetsTheLastChangeTime) {
  Load("\n\n");
  notebook.last_change_time = 0;
  Scribble(60, 20);
  EXPECT_GT(notebook.last_change_time, 0);
}

// Strokes, eraser gestures, typing, undo and redo in random order: every
// undo and redo must give back exactly the note as it was.
TEST_F(PenTest, UndoAndRedoOfPenGesturesInterleavedWithTyping) {
  std::mt19937 rng(7);
  for (int round = 0; round < 12; ++round) {
    Open("# Note\n\nSome words here.\n\nMore text below.\n\n\n");
    std::vector<std::string> states{Note()};
    size_t now = 0;
    for (int op = 0; op < 14; ++op) {
      int kind = int(rng() % 6);
      std::string before = Note();
      if (kind == 0) {
        int at = int(rng() % unsigned(Buffer()->get_char_count() + 1));
        Buffer()->begin_user_action();
        Buffer()->insert(At(at), rng() % 2 ? "ab" : "\nxy");
        Buffer()->end_user_action();
        Settle();
      } else if (kind == 1 || kind == 2) {
        std::uniform_real_distribution<double> ux(40, 380), uy(2, 160);
        Scribble(ux(rng), uy(rng), 6 + double(rng() % 30));
      } else if (kind == 3) {
        auto drawings = Drawings();
        if (drawings.empty() || drawings[0]->Strokes().empty()) continue;
        CBoundDrawing* d = drawings[rng() % drawings.size()];
        if (d->Strokes().empty()) continue;
        const CStroke& s = d->Strokes()[rng() % d->Strokes().size()];
        Gdk::Rectangle o = Origin(d);
        double x = o.get_x() + s.xcoords[0], y = o.get_y() + s.ycoords[0];
        Gesture(&eraser_device, {{x + 30, y + 30}, {x + 0.5, y}, {x, y}});
      } else if (kind == 4) {
        if (now == 0) continue;
        Buffer()->undo();
        Settle();
        --now;
        ASSERT_EQ(Note(), states[now]) << "round " << round << " op " << op;
        continue;
      } else {
        if (now + 1 >= states.size()) continue;
        Buffer()->redo();
        Settle();
        ++now;
        ASSERT_EQ(Note(), states[now]) << "round " << round << " op " << op;
        continue;
      }
      std::string after = Note();
      if (after == before) continue;  // nothing happened (an eraser that missed)
      states.resize(now + 1);
      states.push_back(after);
      ++now;
    }
    while (now > 0) {
      ASSERT_TRUE(Buffer()->can_undo());
      Buffer()->undo();
      Settle();
      ASSERT_EQ(Note(), states[--now]) << "round " << round;
    }
  }
}

}  // namespace
namespace {

// The toolkit aborts when a point below a paragraph with hidden markup is
// looked up; clicks, hovering pens and strokes there must not reach it.
TEST_F(PenTest, PointsBelowAHeadingWithHiddenMarkupAreSafe) {
  Load("# Note\nabc\n");
  ASSERT_TRUE(At(0).has_tag(notebook.hidden_tag));
  Gdk::Rectangle heading = CharRect(3);
  int top = 0, height = 0;
  notebook.get_line_yrange(At(0), top, height);
  ASSERT_GT(top + height, heading.get_y() + heading.get_height());  // there is a gap
  for (int y = heading.get_y() + heading.get_height(); y < top + height; ++y) {
    int wx, wy;
    notebook.buffer_to_window_coords(Gtk::TEXT_WINDOW_TEXT, 30, y, wx, wy);
    GdkEvent* e = gdk_event_new(GDK_BUTTON_PRESS);
    e->button.window = GDK_WINDOW(g_object_ref(notebook.get_window(Gtk::TEXT_WINDOW_TEXT)->gobj()));
    e->button.x = wx;
    e->button.y = wy;
    e->button.button = 1;
    gdk_event_set_device(e, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(GTK_WIDGET(notebook.gobj()), e);
    e->type = GDK_BUTTON_RELEASE;
    gtk_widget_event(GTK_WIDGET(notebook.gobj()), e);
    gdk_event_free(e);
    notebook.Pen().OnMotion(At(&mouse_device, 30, y), nullptr);
    EXPECT_EQ(notebook.LinkAt(30, y), "");
  }
  EXPECT_EQ(Buffer()->get_iter_at_mark(Buffer()->get_insert()).get_line(), 0);  // the click landed on the heading
  Scribble(40, top + height - 2, 5);
  EXPECT_EQ(Drawings().size(), 1u);
}

}  // namespace
