// Shared pieces of the benchmarks: toolkit start-up, stroke fixtures and
// the side-by-side timing that reports ours / baseline as "ratio".
#pragma once

#include <benchmark/benchmark.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <random>
#include <vector>

#include "drawing/stroke.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline bool GtkReady() {
  static bool ready = [] {
    static Glib::RefPtr<Gtk::Application> app =
        Gtk::Application::create("org.quillon.Bench", Gio::APPLICATION_NON_UNIQUE);
    Gsv::init();
    return gtk_init_check(nullptr, nullptr) != 0;
  }();
  return ready;
}

// A smooth random walk of n points inside [0, w) x [y0, y0 + h), widths 2 to 3.
inline CStroke Walk(std::mt19937& rng, int n, float w, float y0, float h) {
  std::uniform_real_distribution<float> unit(0, 1);
  std::normal_distribution<float> turn(0, 0.3f);
  CStroke s;
  s.color[3] = 1;
  float x = 10 + unit(rng) * (w - 20), y = y0 + 10 + unit(rng) * (h - 20), a = unit(rng) * 6.283f;
  for (int i = 0; i < n; ++i) {
    s.Append(x, y, 2 + unit(rng));
    a += turn(rng);
    x = std::min(std::max(x + 2.5f * std::cos(a), 5.0f), w - 5);
    y = std::min(std::max(y + 2.5f * std::sin(a), y0 + 5), y0 + h - 5);
  }
  return s;
}

inline std::vector<CStroke> Strokes(int count, int points, float w, float h, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::vector<CStroke> strokes;
  for (int i = 0; i < count; ++i) strokes.push_back(Walk(rng, points, w, 0, h));
  return strokes;
}

// Times `ours` and `base` alternately in every iteration; `prepare` runs
// untimed before each.
template <class Prepare, class Ours, class Base>
void Compare(benchmark::State& state, Prepare prepare, Ours ours, Base base) {
  double t_ours = 0, t_base = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepare();
    state.ResumeTiming();
    auto a = Clock::now();
    ours();
    auto b = Clock::now();
    base();
    auto c = Clock::now();
    t_ours += std::chrono::duration<double>(b - a).count();
    t_base += std::chrono::duration<double>(c - b).count();
  }
  double n = static_cast<double>(state.iterations());
  state.counters["ours_us"] = t_ours / n * 1e6;
  state.counters["baseline_us"] = t_base / n * 1e6;
  state.counters["ratio"] = t_ours / t_base;
}

// A path in a scratch directory made once per run.
inline std::string Scratch(const char* name) {
  static const std::string dir = [] {
    gchar* made = g_dir_make_tmp("quillon-bench-XXXXXX", nullptr);
    std::string path = made ? made : "/tmp";
    g_free(made);
    return path;
  }();
  return dir + "/" + name;
}

// Writes bytes with plain stdio: the baseline of the saving benchmarks.
inline void PlainWrite(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

template <class Ours, class Base>
void Compare(benchmark::State& state, Ours ours, Base base) {
  Compare(state, [] {}, ours, base);
}

}  // namespace bench
