// The real binary on a real X server with a real tablet pen, its eraser
// end, a mouse and a keyboard (Xorg's inputtest devices).
#include <gtest/gtest.h>
#include <unistd.h>

#include "drawing/drawing_payload.h"
#include "drawing/stroke.h"
#include "drawing/stroke_record.h"
#include "support/process.h"
#include "support/test_util.h"
#include "support/xorg_rig.h"

namespace {

class PenEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    if (!rig.Running()) GTEST_SKIP() << "Xorg with the inputtest driver did not start:\n" << rig.Log();
    setenv("DISPLAY", rig.Display().c_str(), 1);
    std::string link = "ln -s '" QL_SOURCE_DIR "/data' '" + dir / "data" + "' && ln -s '" QL_SOURCE_DIR
                       "/sourceview' '" + dir / "sourceview" + "' && mkdir -p '" + dir / "notesbase" + "'";
    ASSERT_EQ(system(link.c_str()), 0);
    WriteFileText(dir / "notesbase/config.json",
                  R"({"active_document": "/n.md", "colors": [{"r": 0, "g": 0, "b": 0}]})");
  }

  std::unique_ptr<CProcessUnderTest> Start() {
    auto app = std::make_unique<CProcessUnderTest>(
        std::map<std::string, std::string>{{"QL_DEVEL", dir.path()}, {"DISPLAY", rig.Display()}});
    int w, h;
    EXPECT_TRUE(WindowGeometry(app->pid(), 30, wx, wy, w, h)) << app->Stderr();
    usleep(1500000);  // highlighting and rendering settle
    return app;
  }

  void Close(CProcessUnderTest& app) {
    ASSERT_TRUE(CloseWindowOf(app.pid(), 5));
    ASSERT_EQ(app.Wait(30), 0) << app.Stderr();
  }

  // A stroke with the device, left to right with a zigzag, pressure from
  // `p0` to `p1`, at window coordinates.
  void Stroke(CXorgRig::CDevice& device, double x, double y, double p0, double p1, int steps = 30) {
    double sx = wx + x, sy = wy + y;
    device.Proximity(true, sx, sy);
    device.Move(sx, sy, 0);
    device.Sync();
    usleep(100000);
    device.Button(1, true, sx, sy, p0);
    for (int i = 1; i <= steps; ++i) {
      device.Move(sx + 6 * i, sy + (i % 2) * 6, p0 + (p1 - p0) * i / steps);
      device.Sync();
      usleep(5000);
    }
    device.Button(1, false, sx + 6 * steps, sy + (steps % 2) * 6, p1);
    device.Sync();
    usleep(300000);
  }

  std::vector<CStroke> SavedStrokes() {
    std::string note = ReadFileText(dir / "notesbase/n.md");
    size_t at = note.find("![](ql:");
    if (at == std::string::npos) return {};
    size_t end = note.find(')', at);
    StrokeRecord record;
    EXPECT_TRUE(DecodeDrawingPayload(note.substr(at + 7, end - at - 7), record));
    return record.strokes;
  }

  TempDir dir;
  CXorgRig rig;
  int wx = 0, wy = 0;
};

const char kNote[] = "# Pen\n\nWrite here.\n\n\n\n\n\n\n\n";

TEST_F(PenEndToEnd, PenDrawsWithPressureTheEraserErasesAndReopeningShowsTheStrokes) {
  WriteFileText(dir / "notesbase/n.md", kNote);
  auto app = Start();
  // No toolbar button touched: the pen draws because it is a pen.
  Stroke(rig.Pen(), 420, 260, 0.1, 0.9);
  Close(*app);
  std::vector<CStroke> strokes = SavedStrokes();
  ASSERT_EQ(strokes.size(), 1u) << ReadFileText(dir / "notesbase/n.md") << app->Stdout();
  const std::vector<float>& widths = strokes[0].widths;
  ASSERT_GE(widths.size(), 3u);
  EXPECT_NEAR(widths.front() / widths.back(), 0.1 / 0.9, 0.08);
  for (size_t i = 1; i < widths.size(); ++i) EXPECT_GE(widths[i], widths[i - 1]);
  std::string saved = ReadFileText(dir / "notesbase/n.md");

  // Open again: the stroke is on screen where it was drawn, and closing
  // writes the same note.
  app = Start();
  unsigned long ink = ScreenPixel(wx + 420 + 6 * 15, wy + 260 + 6);  // a point of the stroke
  unsigned long paper = ScreenPixel(wx + 420 + 6 * 15, wy + 260 - 40);
  EXPECT_NE(ink, paper);
  Close(*app);
  EXPECT_EQ(ReadFileText(dir / "notesbase/n.md"), saved);

  // The eraser end over the same path takes the stroke away.
  app = Start();
  Stroke(rig.Eraser(), 420, 260, 0.5, 0.5);
  Close(*app);
  EXPECT_TRUE(SavedStrokes().empty()) << ReadFileText(dir / "notesbase/n.md");
}

}  // namespace
namespace {

// The toolbar's mode buttons, from the window's right edge and top.
const int kToolbarX = 22, kSelectY = 151;

TEST_F(PenEndToEnd, MouseKeepsEditingTextAndThePenKeepsTheModeChosenWithIt) {
  CStroke line;
  line.color[3] = 1;
  for (int i = 0; i < 10; ++i) line.Append(10 + 18 * i, 20, 2);
  WriteFileText(dir / "notesbase/n.md",
                "# Pen\n\nWrite here.\n\n![](ql:" + EncodeDrawingPayload(200, 40, {line}) + ")\n\n\n");
  auto app = Start();
  int x, y, w, h;
  ASSERT_TRUE(WindowGeometry(app->pid(), 5, x, y, w, h));

  // The pen picks "select" on the toolbar.
  CXorgRig::CDevice& pen = rig.Pen();
  pen.Proximity(true, wx + 500, wy + 400);
  pen.Move(wx + 500, wy + 400, 0);
  pen.Move(wx + w - kToolbarX, wy + kSelectY, 0);
  pen.Sync();
  usleep(200000);
  pen.Button(1, true, wx + w - kToolbarX, wy + kSelectY, 0.5);
  pen.Button(1, false, wx + w - kToolbarX, wy + kSelectY, 0);
  pen.Sync();
  usleep(200000);

  // The mouse comes back in text mode: a click after the line's end and a
  // key type text there, and draw nothing.
  CXorgRig::CDevice& mouse = rig.Mouse();
  mouse.Move(wx + 500, wy + 300);
  mouse.Move(wx + 400, wy + 103);
  mouse.Sync();
  usleep(200000);
  mouse.Button(1, true, wx + 400, wy + 103);
  mouse.Button(1, false, wx + 400, wy + 103);
  mouse.Sync();
  usleep(200000);
  rig.Keyboard().Key(53, true);  // x
  rig.Keyboard().Key(53, false);
  rig.Keyboard().Sync();
  usleep(200000);

  // The pen again: a box over the drawing selects in it, no stroke is drawn.
  Stroke(pen, 250, 140, 0.5, 0.5, 12);
  Close(*app);
  std::string note = ReadFileText(dir / "notesbase/n.md");
  EXPECT_NE(note.find("Write here.x\n"), std::string::npos) << note;
  EXPECT_EQ(SavedStrokes().size(), 1u) << note;
  EXPECT_NE(app->Stdout().find(": select "), std::string::npos) << app->Stdout();
}

}  // namespace
