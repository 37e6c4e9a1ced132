#include <gtest/gtest.h>

#include <cairomm/context.h>
#include <cairomm/surface.h>

#include <cmath>
#include <string>
#include <vector>

#include "drawing/stroke.h"

namespace {

struct Pt {
  float x, y, w;
};

CStroke Make(const std::vector<Pt>& points) {
  CStroke s;
  for (const Pt& p : points) s.Append(p.x, p.y, p.w);
  return s;
}

std::string SimplifyOutput(CStroke& s) {
  testing::internal::CaptureStdout();
  s.Simplify();
  return testing::internal::GetCapturedStdout();
}

// Alpha of every pixel of an ARGB32 surface, summed.
long AlphaSum(const Cairo::RefPtr<Cairo::ImageSurface>& surface) {
  surface->flush();
  long sum = 0;
  const unsigned char* data = surface->get_data();
  for (int y = 0; y < surface->get_height(); ++y)
    for (int x = 0; x < surface->get_width(); ++x) sum += data[y * surface->get_stride() + x * 4 + 3];
  return sum;
}

}  // namespace

TEST(StrokeTest, SimplifyThinsByTurnDistanceAndWidth) {
  struct Case {
    const char* name;
    std::vector<Pt> in;
    std::vector<float> kept_x;  // x of the points left, in order
    const char* message;
  } cases[] = {
      // D is 15 at the third point, which does not count; 20 at the fourth.
      {"straight line 5 px apart", {{0, 0, 2}, {5, 0, 2}, {10, 0, 2}, {15, 0, 2}, {20, 0, 2}}, {0, 15, 20},
       "old: 5, new: 3\n"},
      {"right angle", {{0, 0, 2}, {3, 0, 2}, {3, 3, 2}}, {0, 3, 3}, "old: 3, new: 3\n"},
      {"width change", {{0, 0, 2.0f}, {1, 0, 2.4f}, {2, 0, 2.4f}}, {0, 1, 2}, "old: 3, new: 3\n"},
      {"small width change", {{0, 0, 2.0f}, {1, 0, 2.25f}, {2, 0, 2.25f}}, {0, 2}, "old: 3, new: 2\n"},
      // Small turns add up: 0.1 each, kept once the sum passes 0.15.
      {"turns accumulate",
       {{0, 0, 1}, {1, 0, 1}, {2, 0.1f, 1}, {3, 0.3f, 1}, {4, 0.6f, 1}, {5, 1.0f, 1}},
       {0, 2, 4, 5},
       "old: 6, new: 4\n"},
      {"two points untouched", {{0, 0, 1}, {50, 50, 1}}, {0, 50}, ""},
      {"one point untouched", {{7, 7, 1}}, {7}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CStroke s = Make(c.in);
    s.color[0] = 0.5f;
    s.selected = {true, false};
    EXPECT_EQ(SimplifyOutput(s), c.message);
    EXPECT_EQ(s.xcoords, c.kept_x);
    EXPECT_EQ(s.ycoords.size(), c.kept_x.size());
    EXPECT_EQ(s.widths.size(), c.kept_x.size());
    EXPECT_EQ(s.color[0], 0.5f);
    EXPECT_EQ(s.selected.size(), 2u);
  }
}

TEST(StrokeTest, SimplifyKeepsWidthsOfKeptPoints) {
  CStroke s = Make({{0, 0, 1}, {5, 0, 2}, {10, 0, 3}, {15, 0, 4}, {20, 0, 5}});
  SimplifyOutput(s);
  // Every width step is above 0.3, so every point stays with its own width.
  EXPECT_EQ(s.widths, (std::vector<float>{1, 2, 3, 4, 5}));
}

TEST(StrokeTest, TurnSine) {
  CStroke s = Make({{0, 0, 1}});
  EXPECT_EQ(s.TurnSine(5, 5), 0.0f);
  s.Append(10, 0, 1);
  EXPECT_FLOAT_EQ(std::fabs(s.TurnSine(10, 10)), 1.0f);
  EXPECT_FLOAT_EQ(s.TurnSine(20, 0), 0.0f);
  EXPECT_NEAR(std::fabs(s.TurnSine(20, 10)), std::sqrt(0.5f), 1e-6);
  EXPECT_TRUE(std::isnan(s.TurnSine(10, 0)));  // coincident with the last point
}

TEST(StrokeTest, ResetAndLastPoint) {
  CStroke s;
  float x = -1, y = -2;
  s.LastPoint(x, y);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, -2);
  s.color[3] = 1;
  s.Append(1, 2, 3);
  s.Append(4, 5, 6);
  s.SelectInRect(0, 10, 0, 10);
  s.LastPoint(x, y);
  EXPECT_EQ(x, 4);
  EXPECT_EQ(y, 5);
  s.Reset();
  EXPECT_TRUE(s.xcoords.empty() && s.ycoords.empty() && s.widths.empty());
  EXPECT_EQ(s.color[3], 1);
  EXPECT_EQ(s.selected.size(), 2u);
  CStroke copy = s;  // deep copy
  copy.selected.clear();
  EXPECT_EQ(s.selected.size(), 2u);
}

TEST(StrokeTest, BoundsAndClamp) {
  float x0, x1, y0, y1;
  CStroke one = Make({{10, 20, 3}});
  one.GetBounds(x0, x1, y0, y1);
  EXPECT_EQ((std::vector<float>{x0, x1, y0, y1}), (std::vector<float>{7, 13, 17, 23}));

  CStroke s = Make({{10, 20, 1}, {30, 5, 4}, {2, 8, 0.5f}});
  s.GetBounds(x0, x1, y0, y1);
  EXPECT_EQ((std::vector<float>{x0, x1, y0, y1}), (std::vector<float>{1.5f, 34, 1, 21}));

  struct Case {
    Pt in;
    float left, top;
    Pt out;
  } cases[] = {
      {{1, 5, 3}, 0, 0, {3, 5, 3}},
      {{10, 10, 3}, 0, 0, {10, 10, 3}},
      {{3, 3, 3}, 0, 0, {3, 3, 3}},  // x - w == left: not moved
      {{-4, -9, 1}, 2, 5, {3, 6, 1}},
  };
  for (const Case& c : cases) {
    CStroke t = Make({c.in});
    t.ClampMin(c.left, c.top);
    EXPECT_EQ(t.xcoords[0], c.out.x);
    EXPECT_EQ(t.ycoords[0], c.out.y);
    EXPECT_EQ(t.widths[0], c.out.w);
  }
}

TEST(StrokeTest, SelectInRectIsStrictOverlap) {
  // A point at (10, 10) of width 2 covers the square 8..12.
  struct Case {
    float x0, x1, y0, y1;
    bool hit;
  } cases[] = {
      {0, 9, 0, 9, true},    {12, 20, 0, 20, false},  // touches the right edge only
      {0, 8, 0, 20, false},  {0, 20, 12, 20, false}, {0, 20, 0, 8, false},
      {11.9f, 20, 11.9f, 20, true}, {9, 11, 9, 11, true},  // inside the square
  };
  for (const Case& c : cases) {
    CStroke s = Make({{10, 10, 2}});
    EXPECT_EQ(s.SelectInRect(c.x0, c.x1, c.y0, c.y1), c.hit) << c.x0 << "," << c.x1 << "," << c.y0 << "," << c.y1;
    EXPECT_EQ(s.selected, std::vector<bool>{c.hit});
  }
  CStroke s = Make({{0, 0, 1}, {50, 0, 1}, {100, 0, 1}});
  EXPECT_TRUE(s.SelectInRect(40, 60, -5, 5));
  EXPECT_EQ(s.selected, (std::vector<bool>{false, true, false}));
  s.ClearSelection();
  EXPECT_TRUE(s.selected.empty());
}

TEST(StrokeTest, RenderPaintsSegmentsOnly) {
  auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 60, 60);
  auto cr = Cairo::Context::create(surface);
  CStroke dot = Make({{30, 30, 10}});
  dot.color[3] = 1;
  dot.Render(cr, 1, 0, 0);
  dot.SelectInRect(0, 60, 0, 60);
  dot.RenderSelection(cr, 0, 0);
  EXPECT_EQ(AlphaSum(surface), 0) << "one point has no segment and no halo";

  CStroke line = Make({{10, 10, 4}, {50, 10, 4}});
  line.RenderSelection(cr, 0, 0);
  EXPECT_EQ(AlphaSum(surface), 0) << "never hit-tested: no halo";
  line.color[0] = 1;
  line.color[3] = 1;
  line.Render(cr, 1, 0, 20);  // shifted up by 20: nothing lands on the surface but y < 0
  EXPECT_EQ(AlphaSum(surface), 0);
  line.Render(cr, 1, 0, -20);  // painted at y = 30
  surface->flush();
  const unsigned char* px = surface->get_data() + 30 * surface->get_stride() + 30 * 4;
  EXPECT_EQ(px[3], 255);
  EXPECT_EQ(px[2], 255);  // red, premultiplied BGRA
  // The translation is undone.
  double x = 0, y = 0;
  cr->user_to_device(x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

TEST(StrokeTest, SelectionHaloIsSixPixelsWider) {
  auto plain = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 60, 40);
  auto halo = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 60, 40);
  CStroke s = Make({{10, 20, 2}, {50, 20, 2}});
  s.color[3] = 1;
  s.Render(Cairo::Context::create(plain), 1, 0, 0);
  s.SelectInRect(45, 55, 15, 25);  // selects the end point, so segment 1
  s.RenderSelection(Cairo::Context::create(halo), 0, 0);
  halo->flush();
  const unsigned char* data = halo->get_data();
  auto alpha = [&](int x, int y) { return data[y * halo->get_stride() + x * 4 + 3]; };
  EXPECT_EQ(alpha(30, 20 + 3), 255);  // inside the 8 px wide halo
  EXPECT_EQ(alpha(30, 20 + 5), 0);
  EXPECT_GT(AlphaSum(halo), AlphaSum(plain) * 3);
}
