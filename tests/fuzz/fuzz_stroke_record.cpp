// The reader of an inflated record: counts and lengths are hostile, the data
// may end anywhere. What it reads must be exactly what the bytes say: a
// complete record writes back to the same bytes, a partial one to a prefix.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "drawing/stroke_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StrokeRecord record;
  bool ok = ReadStrokeRecord(data, size, record);
  std::vector<uint8_t> again = WriteStrokeRecord(record.width, record.height, record.strokes);
  if (ok) {
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) abort();
    return 0;
  }
  if (size < 12) {
    if (!record.strokes.empty()) abort();
    return 0;
  }
  // Width and height, then the strokes read, as they stood in the input.
  if (again.size() > size || std::memcmp(again.data(), data, 8) != 0 ||
      std::memcmp(again.data() + 12, data + 12, again.size() - 12) != 0)
    abort();
  return 0;
}
