// Drawing storage and editing costs, each against a baseline measured in
// the same benchmark; the "ratio" counter is ours / baseline.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gtkmm.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "drawing/bound_drawing.h"
#include "drawing/drawing_payload.h"
#include "drawing/stroke_record.h"

namespace {

using bench::Clock;
using bench::Compare;
using bench::GtkReady;
using bench::Strokes;
using bench::Walk;

std::unique_ptr<CBoundDrawing> NewDrawing() {
  return std::unique_ptr<CBoundDrawing>(new CBoundDrawing(Glib::RefPtr<Gdk::Window>()));
}

const std::vector<CStroke>& TwoHundredStrokes() {
  static const std::vector<CStroke> strokes = Strokes(200, 60, 800, 600);
  return strokes;
}

// Writing a drawing that changed (a loaded, unchanged one returns its
// text as is) against compress2 alone of the same raw record.
void BM_Drawing_Serialize_vs_compress2(benchmark::State& state) {
  const std::vector<CStroke>& strokes = TwoHundredStrokes();
  std::vector<uint8_t> record = WriteStrokeRecord(800, 600, strokes);
  std::vector<uint8_t> packed(compressBound(record.size()));
  Compare(
      state, [&] { benchmark::DoNotOptimize(EncodeDrawingPayload(800, 600, strokes)); },
      [&] {
        uLongf size = packed.size();
        compress2(packed.data(), &size, record.data(), record.size(), 9);
        benchmark::DoNotOptimize(size);
      });
}
BENCHMARK(BM_Drawing_Serialize_vs_compress2)->Unit(benchmark::kMillisecond);

// Saving an unchanged loaded drawing against writing it afresh.
void BM_Drawing_SerializeUnchanged_vs_fresh(benchmark::State& state) {
  if (!GtkReady()) return state.SkipWithError("no display");
  const std::vector<CStroke>& strokes = TwoHundredStrokes();
  std::string payload = EncodeDrawingPayload(800, 600, strokes);
  auto drawing = NewDrawing();
  drawing->Deserialize(payload);
  Compare(
      state, [&] { benchmark::DoNotOptimize(drawing->Serialize()); },
      [&] { benchmark::DoNotOptimize(EncodeDrawingPayload(800, 600, strokes)); });
}
BENCHMARK(BM_Drawing_SerializeUnchanged_vs_fresh)->Unit(benchmark::kMillisecond);

// Loading into a drawing widget against uncompress alone.
void BM_Drawing_Deserialize_vs_uncompress(benchmark::State& state) {
  if (!GtkReady()) return state.SkipWithError("no display");
  const std::vector<CStroke>& strokes = TwoHundredStrokes();
  std::vector<uint8_t> record = WriteStrokeRecord(800, 600, strokes);
  uLongf packed_size = compressBound(record.size());
  std::vector<uint8_t> packed(packed_size);
  compress2(packed.data(), &packed_size, record.data(), record.size(), 9);
  std::string payload = EncodeDrawingPayload(800, 600, strokes);
  std::vector<uint8_t> out(record.size());
  auto drawing = NewDrawing();
  Compare(
      state,
      [&] {
        drawing->Deserialize(payload);
        benchmark::DoNotOptimize(drawing->Strokes().data());
      },
      [&] {
        uLongf size = out.size();
        uncompress(out.data(), &size, packed.data(), packed_size);
        benchmark::DoNotOptimize(out.data());
      });
  if (drawing->IsDamaged() || drawing->Strokes().size() != strokes.size()) state.SkipWithError("payload not read");
}
BENCHMARK(BM_Drawing_Deserialize_vs_uncompress)->Unit(benchmark::kMillisecond);

// Thinning a 10,000-point stroke; items_per_second are input points.
void BM_Stroke_Simplify10000(benchmark::State& state) {
  std::mt19937 rng(3);
  CStroke walk = Walk(rng, 10000, 4000, 0, 4000);
  // Simplify reports each stroke on stdout; keep that out of the results.
  fflush(stdout);
  int saved = dup(1);
  int null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  for (auto _ : state) {
    state.PauseTiming();
    CStroke s = walk;
    state.ResumeTiming();
    s.Simplify();
    benchmark::DoNotOptimize(s.xcoords.data());
  }
  fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(null);
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_Stroke_Simplify10000)->Unit(benchmark::kMicrosecond);

// An eraser touching nothing in 10,000 strokes against 100, at the same
// density: the large drawing is the small one stacked 100 times. Argument 0
// jumps to a random tile at every event (cold memory), argument 1 keeps to
// one tile, as an eraser dragged over one part of the drawing does.
void BM_Drawing_EraseAtMiss_10000_vs_100_strokes(benchmark::State& state) {
  const bool local = state.range(0) == 1;
  if (!GtkReady()) return state.SkipWithError("no display");
  const float w = 800, h = 600;
  std::vector<CStroke> tile = Strokes(100, 60, w, h, 5);
  auto small = NewDrawing(), large = NewDrawing();
  for (int k = 0; k < 100; ++k)
    for (const CStroke& s : tile) {
      CStroke copy = s;
      if (k == 0) small->AddStroke(copy, false, 0, 0);
      large->AddStroke(copy, false, 0, k * h);
    }
  // Eraser positions at least 2.5 px from every point, away from tile edges.
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> ux(0, w), uy(5, h - 5);
  std::vector<std::pair<float, float>> spots;
  while (spots.size() < 512) {
    float x = ux(rng), y = uy(rng);
    bool clear = true;
    for (const CStroke& s : tile)
      for (size_t j = 0; j < s.xcoords.size() && clear; ++j)
        clear = std::hypot(s.xcoords[j] - x, s.ycoords[j] - y) > 2.5f;
    if (clear) spots.emplace_back(x, y);
  }
  small->Cells();
  large->Cells();
  size_t i = 0;
  Compare(
      state,
      [&] {
        auto& p = spots[i % spots.size()];
        large->EraseAt(p.first, p.second + static_cast<float>(local ? 50 : (i * 37) % 100) * h, 2);
      },
      [&] {
        auto& p = spots[i % spots.size()];
        small->EraseAt(p.first, p.second, 2);
        ++i;
      });
  if (small->Strokes().size() != 100 || large->Strokes().size() != 10000) state.SkipWithError("the eraser hit a stroke");
}
BENCHMARK(BM_Drawing_EraseAtMiss_10000_vs_100_strokes)->Arg(0)->Arg(1);

// Adding a 60-point stroke to a drawing of 10,000 strokes against an empty
// one of the same size; both caches exist, so only the new stroke is painted.
void BM_Drawing_AddStroke_into10000_vs_empty(benchmark::State& state) {
  if (!GtkReady()) return state.SkipWithError("no display");
  auto full = NewDrawing(), empty = NewDrawing();
  for (CStroke& s : Strokes(10000, 60, 800, 600, 11)) full->AddStroke(s, false, 0, 0);
  empty->Resize(full->width, full->height, 0, 0);
  full->Cache();
  empty->Cache();
  std::mt19937 rng(13);
  std::vector<CStroke> news;
  for (int i = 0; i < 256; ++i) news.push_back(Walk(rng, 60, 790, 0, 590));
  size_t i = 0;
  Compare(
      state, [&] { full->AddStroke(news[i % news.size()], false, 0, 0); },
      [&] { empty->AddStroke(news[i++ % news.size()], false, 0, 0); });
}
BENCHMARK(BM_Drawing_AddStroke_into10000_vs_empty)->Unit(benchmark::kMicrosecond);

}  // namespace
