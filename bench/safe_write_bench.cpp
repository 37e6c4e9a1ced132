// Cost of replacing a note safely (temporary file, fsync, rename) against
// a plain stdio write of the same bytes, measured in the same run.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <cstdio>
#include <string>

#include "app/safe_file_writer.h"

namespace {

std::string Directory() {
  static std::string dir = [] {
    gchar* made = g_dir_make_tmp("quillon-bench-XXXXXX", nullptr);
    std::string path = made ? made : "/tmp";
    g_free(made);
    return path;
  }();
  return dir;
}

std::string Note() { return std::string(1 << 20, 'x'); }

void PlainWrite(benchmark::State& state) {
  std::string bytes = Note(), path = Directory() + "/plain.md";
  for (auto _ : state) {
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void SafeWrite(benchmark::State& state) {
  std::string bytes = Note(), path = Directory() + "/safe.md", error;
  auto writer = CSafeFileWriter::System();
  for (auto _ : state) benchmark::DoNotOptimize(writer.Write(path, bytes, error));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

}  // namespace

BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(SafeWrite)->Unit(benchmark::kMillisecond);
