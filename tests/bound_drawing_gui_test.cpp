#include <gtest/gtest.h>
#include <gtkmm.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drawing/base64.h"
#include "drawing/bound_drawing.h"
#include "drawing/cell_key.h"
#include "support/gui_util.h"

namespace {

CStroke Line(std::vector<std::pair<float, float>> points, float width = 2, float alpha = 1) {
  CStroke s;
  s.color[0] = 0.2f;
  s.color[3] = alpha;
  for (auto& p : points) s.Append(p.first, p.second, width);
  return s;
}

// A drawing owned by the test, with an image-surface cache.
struct Drawing {
  std::unique_ptr<CBoundDrawing> d{new CBoundDrawing(Glib::RefPtr<Gdk::Window>())};
  CBoundDrawing* operator->() { return d.get(); }
  CBoundDrawing& operator*() { return *d; }
};

int Alpha(CBoundDrawing& d, int x, int y) {
  auto image = Cairo::RefPtr<Cairo::ImageSurface>::cast_dynamic(d.Cache());
  image->flush();
  return image->get_data()[y * image->get_stride() + x * 4 + 3];
}

// The cell index holds exactly one entry per point, under current indices.
void ExpectCellsConsistent(CBoundDrawing& d) {
  std::vector<std::tuple<int, int, int>> want, have;
  for (size_t i = 0; i < d.Strokes().size(); ++i)
    for (size_t j = 0; j < d.Strokes()[i].xcoords.size(); ++j)
      want.emplace_back(CellKey(d.Strokes()[i].xcoords[j], d.Strokes()[i].ycoords[j]), int(i), int(j));
  for (auto& cell : d.Cells())
    for (auto& p : cell.second) {
      have.emplace_back(cell.first, p.stroke, p.point);
      // The coordinates kept beside the entry are the point's own.
      EXPECT_EQ(p.x, d.Strokes()[size_t(p.stroke)].xcoords[size_t(p.point)]);
      EXPECT_EQ(p.y, d.Strokes()[size_t(p.stroke)].ycoords[size_t(p.point)]);
    }
  std::sort(want.begin(), want.end());
  std::sort(have.begin(), have.end());
  EXPECT_EQ(have, want);
}

std::string Captured(const std::function<void()>& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

std::string PayloadOf(const std::string& link) {
  EXPECT_EQ(link.substr(0, 7), "![](ql:");
  EXPECT_EQ(link.back(), ')');
  return link.substr(7, link.size() - 8);
}

}  // namespace

TEST(BoundDrawingTest, TypeNameIdentifiesDrawings) {
  Drawing d;
  EXPECT_STREQ(G_OBJECT_TYPE_NAME(d->gobj()), "gtkmm__CustomObject_CBoundDrawing");
  EXPECT_EQ(IsBoundDrawing(d.d.get()), d.d.get());
  Gtk::DrawingArea other;
  EXPECT_EQ(IsBoundDrawing(&other), nullptr);
  EXPECT_EQ(IsBoundDrawing(nullptr), nullptr);
  EXPECT_EQ(d->width, 1);
  EXPECT_EQ(d->height, 1);
}

TEST(BoundDrawingTest, AddStrokeGrowsClampsAndRefuses) {
  struct Case {
    const char* name;
    float x, w, dx;
    bool force, added;
    float stored_x;
    int min_width;
  } cases[] = {
      {"right edge with width", 99.6f, 2.5f, 0, false, true, 99.6f, 102},
      {"left of the drawing", 9.5f, 1, -10, false, false, 0, 1},
      {"forced onto the edge", 9.5f, 1, -10, true, true, 0, 2},
      {"on the edge", 10, 1, -10, false, true, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drawing d;
    CStroke s = Line({{c.x, 5}});
    s.widths[0] = c.w;
    EXPECT_EQ(d->AddStroke(s, c.force, c.dx, 0), c.added);
    ASSERT_EQ(d->Strokes().size(), c.added ? 1u : 0u);
    if (c.added) {
      EXPECT_EQ(d->Strokes()[0].xcoords[0], c.stored_x);
    }
    EXPECT_EQ(d->width, c.min_width);
    ExpectCellsConsistent(*d);
  }
  // Only growing: a small stroke keeps the size.
  Drawing d;
  CStroke big = Line({{10, 10}, {80, 60}});
  CStroke small = Line({{3, 3}, {5, 5}});
  d->AddStroke(big, false, 0, 0);
  d->AddStroke(small, false, 0, 0);
  EXPECT_EQ(d->width, 83);
  EXPECT_EQ(d->height, 63);
  EXPECT_EQ(Alpha(*d, 45, 35), 255);  // painted into the cache
  EXPECT_EQ(Alpha(*d, 70, 10), 0);
}

TEST(BoundDrawingTest, ResizeMovesStrokesAndPicture) {
  Drawing d;
  CStroke s = Line({{12, 10}, {40, 10}}, 4);
  d->AddStroke(s, false, 0, 0);
  int w = d->width, h = d->height;
  ASSERT_EQ(Alpha(*d, 20, 10), 255);

  EXPECT_FALSE(d->Resize(w, h, 13, 0)) << "a point has x < 13";
  EXPECT_FALSE(d->Resize(5, h, 10, 0)) << "negative width";
  EXPECT_EQ(d->width, w);
  EXPECT_EQ(d->Strokes()[0].xcoords[0], 12);

  ASSERT_TRUE(d->Resize(w, h, -10, 0));
  EXPECT_EQ(d->width, w + 10);
  EXPECT_EQ(d->height, h);
  EXPECT_EQ(d->Strokes()[0].xcoords[0], 22);
  EXPECT_EQ(Alpha(*d, 48, 10), 255);
  EXPECT_EQ(Alpha(*d, 17, 10), 0);
  ExpectCellsConsistent(*d);

  ASSERT_TRUE(d->Resize(d->width, d->height, 10, 0));  // cuts the left edge off
  EXPECT_EQ(d->width, w);
  EXPECT_EQ(d->Strokes()[0].xcoords[0], 12);
  EXPECT_EQ(Alpha(*d, 20, 10), 255);
  ExpectCellsConsistent(*d);
}

TEST(BoundDrawingTest, EraseRemovesWholeStrokesStrictlyWithinRadius) {
  struct Case {
    const char* name;
    float ex, ey;
    std::vector<int> left;  // strokes left, by their original index
  } cases[] = {
      {"distance 1.9", 51.9f, 50, {1, 2, 3}},
      {"distance exactly 2", 52, 50, {0, 1, 2, 3}},
      {"two strokes in one cell", 60, 30, {0, 3}},
      {"across a cell border", 47.5f, 64, {0, 1, 2}},  // point at (47.5, 65.9) lies in the cell below
      {"on the line between points", 30, 80, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drawing d;
    std::vector<CStroke> in = {Line({{50, 50}, {90, 50}}), Line({{61, 30}, {61, 20}}), Line({{59, 31}, {5, 31}}),
                               Line({{47.5f, 65.9f}, {10, 80}, {50, 80}})};
    for (CStroke& s : in) {
      s.color[1] = static_cast<float>(&s - in.data());  // tags the stroke
      d->AddStroke(s, false, 0, 0);
    }
    int w = d->width, h = d->height;
    d->EraseAt(c.ex, c.ey, 2);
    std::vector<int> left;
    for (const CStroke& s : d->Strokes()) left.push_back(static_cast<int>(s.color[1]));
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(d->width, w);
    EXPECT_EQ(d->height, h);
    ExpectCellsConsistent(*d);
  }
}

TEST(BoundDrawingTest, ErasingEverythingKeepsAnEmptyDrawingOfTheSameSize) {
  Drawing d;
  CStroke s = Line({{10, 10}, {20, 10}});
  d->AddStroke(s, false, 0, 0);
  std::string before = d->Serialize();
  d->EraseAt(10, 10, 3);
  EXPECT_TRUE(d->Strokes().empty());
  EXPECT_EQ(d->width, 23);
  EXPECT_EQ(Alpha(*d, 15, 10), 0) << "the cache is repainted";
  EXPECT_NE(d->Serialize(), before);
  EXPECT_EQ(PayloadOf(d->Serialize()).substr(0, 3), "12,");
}

TEST(BoundDrawingTest, SelectPaintsFadedHalosAndClearsOutside) {
  Drawing d;
  CStroke s = Line({{10, 20}, {60, 20}}, 2);
  d->AddStroke(s, false, 0, 0);
  EXPECT_EQ(Alpha(*d, 30, 17), 0);

  std::string out = Captured([&] { d->Select(50, 70, 10, 30); });
  EXPECT_NE(out.find(": select 50.00,10.00 -- 70.00,30.00\n"), std::string::npos) << out;
  EXPECT_EQ(out.rfind("drawing 0x", 0), 0u) << out;
  EXPECT_TRUE(d->has_selection);
  EXPECT_NEAR(Alpha(*d, 30, 17), 255 * 0.3, 2);  // halo faded to 30 %
  EXPECT_EQ(Alpha(*d, 30, 20), 255);              // the stroke over it

  Captured([&] { d->Select(200, 300, 0, 30); });  // wholly right of the drawing
  EXPECT_FALSE(d->has_selection);
  EXPECT_TRUE(d->Strokes()[0].selected.empty());
  EXPECT_EQ(Alpha(*d, 30, 17), 0);

  // Nothing selected and nothing hit: the cache is left alone.
  auto image = Cairo::RefPtr<Cairo::ImageSurface>::cast_dynamic(d->Cache());
  image->get_data()[0 * image->get_stride() + 3] = 77;
  image->mark_dirty();
  Captured([&] { d->Select(200, 300, 0, 30); });
  Captured([&] { d->Select(1, 2, 1, 2); });
  d->Unselect();
  d->EraseAt(40, 40, 1);
  EXPECT_EQ(Alpha(*d, 0, 0), 77);
}

TEST(BoundDrawingTest, SerializeRoundTripsBitForBit) {
  Drawing a;
  CStroke s1 = Line({{1.1f, 2.2f}, {30.3f, 4.4f}, {5.5f, 60.6f}}, 2.7f, 0.5f);
  CStroke s2 = Line({{100.125f, 7}}, 3.1f);
  s2.color[2] = 0.9f;
  a->AddStroke(s1, false, 0, 0);
  a->AddStroke(s2, false, 0, 0);
  ASSERT_TRUE(a->Resize(150, 90, 0, 0));
  Captured([&] { a->Select(0, 200, 0, 200); });
  std::string link = a->Serialize();

  Drawing b;
  b->Deserialize(PayloadOf(link));
  EXPECT_FALSE(b->IsDamaged());
  EXPECT_FALSE(b->cache) << "painted on first use, not at load";
  EXPECT_EQ(b->width, 150);
  EXPECT_EQ(b->height, 90);
  ASSERT_EQ(b->Strokes().size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const CStroke &x = a->Strokes()[i], &y = b->Strokes()[i];
    EXPECT_EQ(std::memcmp(x.color, y.color, 16), 0);
    EXPECT_EQ(x.xcoords, y.xcoords);
    EXPECT_EQ(x.ycoords, y.ycoords);
    EXPECT_EQ(x.widths, y.widths);
    EXPECT_TRUE(y.selected.empty());
  }
  EXPECT_FALSE(b->has_selection);
  ExpectCellsConsistent(*b);
  EXPECT_EQ(b->Serialize(), link);
  EXPECT_NEAR(Alpha(*b, 15, 3), 127, 1);  // half-transparent first stroke

  // A loaded link is written back as it was, even when another writer
  // compressed it differently, until the drawing changes.
  std::vector<uint8_t> raw(12, 0);
  raw[0] = 9;
  raw[4] = 9;
  uLongf size = compressBound(raw.size());
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, raw.data(), raw.size(), 1);
  packed.resize(size);
  std::string foreign = " 12," + Base64Encode(packed);
  Drawing c;
  c->Deserialize(foreign);
  EXPECT_FALSE(c->IsDamaged());
  EXPECT_EQ(c->Serialize(), "![](ql:" + foreign + ")");
  CStroke s3 = Line({{2, 2}});
  c->AddStroke(s3, false, 0, 0);
  EXPECT_EQ(PayloadOf(c->Serialize()).substr(0, 3), "44,");
}

TEST(BoundDrawingTest, DamagedPayloadIsWrittenBackUntilTheUserDraws) {
  Drawing a;
  CStroke s1 = Line({{10, 10}, {40, 10}});
  CStroke s2 = Line({{10, 30}, {40, 30}});
  a->AddStroke(s1, false, 0, 0);
  a->AddStroke(s2, false, 0, 0);
  std::string good = PayloadOf(a->Serialize());
  size_t comma = good.find(',');
  std::vector<uint8_t> packed = Base64Decode(good.substr(comma + 1));
  std::vector<uint8_t> flipped = packed;
  flipped[flipped.size() - 6] ^= 0x01;  // damages the end of the stream
  struct Case {
    const char* name;
    std::string payload;
    int strokes;  // strokes read completely, -1: depends on where zlib stops
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 8), -1},
      {"flipped bit", good.substr(0, comma + 1) + Base64Encode(flipped), -1},
      {"hostile length", "2147483644," + good.substr(comma + 1), 0},
      {"not a payload", "hello)(world", 0},
      {"second stroke cut off", "64," + good.substr(comma + 1), 1},
      {"length beyond the record", "120," + good.substr(comma + 1), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drawing d;
    d->Deserialize(c.payload);
    EXPECT_TRUE(d->IsDamaged());
    if (c.strokes >= 0) {
      EXPECT_EQ(d->Strokes().size(), size_t(c.strokes));
    }
    EXPECT_GE(d->width, 16);
    EXPECT_EQ(d->Serialize(), "![](ql:" + c.payload + ")");
    Captured([&] { d->Select(0, 100, 0, 100); });
    d->Unselect();
    d->EraseAt(300, 300, 2);  // erases nothing
    EXPECT_EQ(d->Serialize(), "![](ql:" + c.payload + ")");
    EXPECT_FALSE(d->RenderPngLink().empty());
    CStroke more = Line({{5, 5}, {8, 8}});
    size_t before = d->Strokes().size();
    ASSERT_TRUE(d->AddStroke(more, false, 0, 0));
    EXPECT_FALSE(d->IsDamaged());
    Drawing e;
    e->Deserialize(PayloadOf(d->Serialize()));
    EXPECT_FALSE(e->IsDamaged());
    EXPECT_EQ(e->Strokes().size(), before + 1);
  }
}

TEST(BoundDrawingTest, PngLinkHasTheDrawingsSize) {
  Drawing d;
  CStroke s = Line({{10, 10}, {30, 20}});
  d->AddStroke(s, false, 0, 0);
  ASSERT_TRUE(d->Resize(120, 40, 0, 0));
  std::string link = d->RenderPngLink();
  const std::string head = "![](data:image/png;base64,";
  ASSERT_EQ(link.substr(0, head.size()), head);
  ASSERT_EQ(link.back(), ')');
  std::vector<uint8_t> png = Base64Decode(link.substr(head.size(), link.size() - head.size() - 1));
  auto loader = Gdk::PixbufLoader::create("png");
  loader->write(png.data(), png.size());
  loader->close();
  auto pixbuf = loader->get_pixbuf();
  EXPECT_EQ(pixbuf->get_width(), 120);
  EXPECT_EQ(pixbuf->get_height(), 40);
  EXPECT_TRUE(pixbuf->get_has_alpha());
  const guint8* px = pixbuf->get_pixels();
  EXPECT_EQ(px[15 * pixbuf->get_rowstride() + 20 * 4 + 3], 255);
  EXPECT_EQ(px[35 * pixbuf->get_rowstride() + 100 * 4 + 3], 0);
}

TEST(BoundDrawingTest, ShownInAWindowAndDestroyedWithIt) {
  auto* window = new Gtk::Window();
  auto* box = Gtk::manage(new Gtk::Box());
  window->add(*box);
  auto* d = Gtk::manage(new CBoundDrawing(Glib::RefPtr<Gdk::Window>()));
  d->Deserialize(PayloadOf(([] {
    Drawing a;
    CStroke s = Line({{5, 5}, {50, 30}});
    a->AddStroke(s, false, 0, 0);
    return a->Serialize();
  })()));
  box->pack_start(*d, false, false);
  window->show_all();
  RunUntilIdle();
  int w = 0, h = 0;
  d->get_size_request(w, h);
  EXPECT_EQ(w, 53);
  EXPECT_EQ(h, 33);
  EXPECT_EQ(d->get_allocated_width(), 53);
  char address[32];
  snprintf(address, sizeof address, "%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(d)));
  std::string out = Captured([&] {
    delete window;
    RunUntilIdle();
  });
  EXPECT_NE(out.find(std::string("unrealize event on ") + address + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find(std::string("destroy event on ") + address + "\n"), std::string::npos) << out;
}
