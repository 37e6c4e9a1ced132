// Cost of replacing a note safely (temporary file, fsync, rename) against
// a plain stdio write of the same bytes, measured in the same run.
#include "app/safe_file_writer.h"
#include "bench_support.h"

namespace {

void BM_SafeWrite_vs_PlainWrite(benchmark::State& state) {
  const std::string bytes(size_t(state.range(0)), 'x'), plain = bench::Scratch("plain.md"),
                                                        safe = bench::Scratch("safe.md");
  auto writer = CSafeFileWriter::System();
  std::string error;
  bench::Compare(
      state, [&] { benchmark::DoNotOptimize(writer.Write(safe, bytes, error)); },
      [&] { bench::PlainWrite(plain, bytes); });
}

}  // namespace

BENCHMARK(BM_SafeWrite_vs_PlainWrite)->Arg(4 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
