#include "drawing/stroke_record.h"

#include <cstring>

namespace {

static_assert(sizeof(float) == 4, "the record stores float32");

bool IsLittleEndian() {
  const uint16_t probe = 1;
  uint8_t first;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

uint32_t Swap(uint32_t v) { return (v >> 24) | ((v >> 8) & 0xff00) | ((v << 8) & 0xff0000) | (v << 24); }

// Copies count words, swapping on big-endian hosts.
void CopyWords(void* to, const void* from, size_t count) {
  std::memcpy(to, from, count * 4);
  if (IsLittleEndian()) return;
  auto* w = static_cast<uint32_t*>(to);
  for (size_t i = 0; i < count; ++i) w[i] = Swap(w[i]);
}

class Writer {
public:
  explicit Writer(uint8_t* out) : at(out) {}
  void Words(const void* from, size_t count) {
    CopyWords(at, from, count);
    at += count * 4;
  }
  void Int(int32_t v) { Words(&v, 1); }

private:
  uint8_t* at;
};

class Reader {
public:
  Reader(const uint8_t* data, size_t size) : at(data), words_left(size / 4) {}
  size_t WordsLeft() const { return words_left; }
  void Words(void* to, size_t count) {
    CopyWords(to, at, count);
    at += count * 4;
    words_left -= count;
  }
  int32_t Int() {
    int32_t v;
    Words(&v, 1);
    return v;
  }
  void Floats(std::vector<float>& to, size_t count) {
    to.resize(count);
    Words(to.data(), count);
  }

private:
  const uint8_t* at;
  size_t words_left;
};

}  // namespace

size_t StrokeRecordSize(const std::vector<CStroke>& strokes) {
  size_t words = 3;
  for (const CStroke& s : strokes) words += 5 + 3 * s.xcoords.size();
  return words * 4;
}

std::vector<uint8_t> WriteStrokeRecord(int32_t width, int32_t height, const std::vector<CStroke>& strokes) {
  std::vector<uint8_t> out(StrokeRecordSize(strokes));
  Writer w(out.data());
  w.Int(width);
  w.Int(height);
  w.Int(static_cast<int32_t>(strokes.size()));
  for (const CStroke& s : strokes) {
    size_t n = s.xcoords.size();
    w.Words(s.color, 4);
    w.Int(static_cast<int32_t>(n));
    w.Words(s.xcoords.data(), n);
    w.Words(s.ycoords.data(), n);
    w.Words(s.widths.data(), n);
  }
  return out;
}

bool ReadStrokeRecord(const uint8_t* data, size_t size, StrokeRecord& out) {
  out = StrokeRecord();
  if (size < 12) return false;
  Reader r(data, size);
  out.width = r.Int();
  out.height = r.Int();
  uint32_t count = static_cast<uint32_t>(r.Int());
  // No reservation from the count: it is only trusted as far as the data goes.
  for (uint32_t i = 0; i < count; ++i) {
    if (r.WordsLeft() < 5) return false;
    CStroke s;
    r.Words(s.color, 4);
    int32_t n = r.Int();
    if (n < 1 || static_cast<uint64_t>(n) * 3 > r.WordsLeft()) return false;
    r.Floats(s.xcoords, n);
    r.Floats(s.ycoords, n);
    r.Floats(s.widths, n);
    out.strokes.push_back(std::move(s));
  }
  return r.WordsLeft() == 0 && size % 4 == 0;
}
