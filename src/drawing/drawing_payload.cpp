#include "drawing/drawing_payload.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <stdexcept>

#include "drawing/base64.h"

namespace {

// The "%d" conversion followed by ",": leading blanks and a sign accepted.
// Returns the offset after the comma, or 0 when there is none.
size_t ParseLength(const std::string& p, long long& value) {
  size_t i = 0;
  while (i < p.size() && (p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < p.size() && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
  size_t digits = i;
  long long v = 0;
  for (; i < p.size() && p[i] >= '0' && p[i] <= '9'; ++i) {
    v = v * 10 + (p[i] - '0');
    if (v > INT_MAX) return 0;
  }
  if (i == digits || i >= p.size() || p[i] != ',') return 0;
  value = negative ? -v : v;
  return i + 1;
}

// Inflates into at most `limit` bytes, growing the buffer only as data
// actually arrives. Returns true when the stream ended at exactly `limit`.
bool Inflate(const std::vector<uint8_t>& in, size_t limit, std::vector<uint8_t>& out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  out.resize(std::min(limit, in.size() * 8 + 4096));
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  size_t produced = 0;
  int rc;
  for (;;) {
    zs.next_out = out.data() + produced;
    zs.avail_out = static_cast<uInt>(out.size() - produced);
    rc = inflate(&zs, Z_NO_FLUSH);
    produced = out.size() - zs.avail_out;
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    if (zs.avail_out != 0 || out.size() == limit) break;
    out.resize(std::min(limit, out.size() * 2));
  }
  inflateEnd(&zs);
  out.resize(produced);
  return rc == Z_STREAM_END && produced == limit;
}

int32_t ClampSide(int32_t v) { return std::max(0, std::min(v, kMaxDrawingSide)); }

}  // namespace

std::string EncodeDrawingPayload(int32_t width, int32_t height, const std::vector<CStroke>& strokes) {
  std::vector<uint8_t> record = WriteStrokeRecord(width, height, strokes);
  uLongf packed_size = compressBound(record.size());
  std::vector<uint8_t> packed(packed_size);
  compress2(packed.data(), &packed_size, record.data(), record.size(), 9);
  char length[24];
  snprintf(length, sizeof length, "%d,", static_cast<int>(record.size()));
  return length + Base64Encode(packed.data(), packed_size);
}

bool DecodeDrawingPayload(const std::string& payload, StrokeRecord& out) {
  out = StrokeRecord();
  long long length = 0;
  size_t start = ParseLength(payload, length);
  if (start == 0) return false;
  std::vector<uint8_t> packed;
  try {
    packed = Base64Decode(payload.substr(start));
  } catch (const std::runtime_error&) {
    return false;
  }
  if (length < 12 || length % 4 != 0) return false;
  if (static_cast<unsigned long long>(length) > packed.size() * kMaxInflateRatio) return false;

  std::vector<uint8_t> record;
  bool complete = Inflate(packed, static_cast<size_t>(length), record);
  bool ok = ReadStrokeRecord(record.data(), record.size(), out) && complete;
  if (ClampSide(out.width) != out.width || ClampSide(out.height) != out.height) {
    out.width = ClampSide(out.width);
    out.height = ClampSide(out.height);
    ok = false;
  }
  return ok;
}

bool DecodeDrawingSize(const std::string& payload, int32_t& width, int32_t& height) {
  long long length = 0;
  size_t start = ParseLength(payload, length);
  if (start == 0 || length < 12 || length % 4 != 0) return false;
  const size_t text = payload.size() - start;
  // The header sits in the first inflated bytes; a short prefix of the
  // compressed data almost always holds them.
  for (size_t prefix = 1024;; prefix *= 16) {  // multiples of 4: whole base64 quanta
    const bool whole = prefix >= text;
    std::vector<uint8_t> packed;
    try {
      packed = Base64Decode(whole ? payload.substr(start) : payload.substr(start, prefix));
    } catch (const std::runtime_error&) {
      return false;
    }
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    uint8_t header[8];
    zs.next_in = packed.data();
    zs.avail_in = static_cast<uInt>(packed.size());
    zs.next_out = header;
    zs.avail_out = sizeof header;
    int rc = Z_OK;
    while (zs.avail_out != 0 && rc == Z_OK) rc = inflate(&zs, Z_NO_FLUSH);
    bool got = zs.avail_out == 0;
    inflateEnd(&zs);
    if (got) {
      auto word = [&header](int i) {
        return static_cast<int32_t>(uint32_t(header[i]) | uint32_t(header[i + 1]) << 8 |
                                    uint32_t(header[i + 2]) << 16 | uint32_t(header[i + 3]) << 24);
      };
      width = word(0);
      height = word(4);
      return ClampSide(width) == width && ClampSide(height) == height;
    }
    if (whole || (rc != Z_OK && rc != Z_BUF_ERROR)) return false;
  }
}
