// Cost of replacing a note safely (temporary file, fsync, rename) against
// a plain stdio write of the same bytes, measured in the same run.
#include <glib.h>

#include <cstdio>
#include <string>

#include "app/safe_file_writer.h"
#include "bench_support.h"

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

void BM_SafeWrite_vs_PlainWrite(benchmark::State& state) {
  const std::string bytes(size_t(state.range(0)), 'x'), plain = Directory() + "/plain.md",
                                                        safe = Directory() + "/safe.md";
  auto writer = CSafeFileWriter::System();
  std::string error;
  bench::Compare(
      state, [&] { benchmark::DoNotOptimize(writer.Write(safe, bytes, error)); },
      [&] {
        FILE* file = std::fopen(plain.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
      });
}

}  // namespace

BENCHMARK(BM_SafeWrite_vs_PlainWrite)->Arg(4 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
