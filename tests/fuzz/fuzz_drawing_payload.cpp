// The whole payload reader: "length,base64(zlib(record))". A plain byte
// mutator would almost never get past base64 and zlib, so the custom mutator
// unpacks the record, mutates it raw, packs it again and sometimes lies
// about its length.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include "drawing/base64.h"
#include "drawing/drawing_payload.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

constexpr size_t kMaxRecord = 1 << 16;

bool Unpack(const std::string& text, std::vector<uint8_t>& raw) {
  size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  std::vector<uint8_t> packed;
  try {
    packed = Base64Decode(text.substr(comma + 1));
  } catch (const std::runtime_error&) {
    return false;
  }
  raw.resize(kMaxRecord);
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = packed.data();
  zs.avail_in = static_cast<uInt>(packed.size());
  zs.next_out = raw.data();
  zs.avail_out = static_cast<uInt>(raw.size());
  inflate(&zs, Z_FINISH);
  raw.resize(raw.size() - zs.avail_out);
  inflateEnd(&zs);
  return true;
}

std::string Pack(const std::vector<uint8_t>& raw, int level) {
  uLongf size = compressBound(raw.size());
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, raw.data(), raw.size(), level);
  packed.resize(size);
  return Base64Encode(packed);
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  std::minstd_rand rng(seed);
  std::vector<uint8_t> raw;
  if (rng() % 8 == 0 || !Unpack(std::string(reinterpret_cast<char*>(data), size), raw))
    return LLVMFuzzerMutate(data, size, max_size);
  size_t raw_size = raw.size();
  raw.resize(std::min(kMaxRecord, raw_size * 2 + 64));
  raw_size = LLVMFuzzerMutate(raw.data(), raw_size, raw.size());
  raw.resize(raw_size);

  long long length = static_cast<long long>(raw_size);
  switch (rng() % 10) {
    case 0: length += static_cast<int>(rng() % 33) - 16; break;
    case 1: length = static_cast<int32_t>(rng()); break;
    case 2: length = (length & ~3LL) + 4 * static_cast<int>(rng() % 5); break;
    default: break;
  }
  std::string out = std::to_string(length) + "," + Pack(raw, static_cast<int>(rng() % 10));
  if (rng() % 16 == 0 && out.size() > 4) out.resize(out.size() - 1 - rng() % 4);  // truncated text
  if (out.size() > max_size) return LLVMFuzzerMutate(data, size, max_size);
  std::memcpy(data, out.data(), out.size());
  return out.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string payload(reinterpret_cast<const char*>(data), size);
  StrokeRecord record;
  bool ok = DecodeDrawingPayload(payload, record);
  // The size read on its own, before the strokes, agrees with the full read.
  int32_t width = -1, height = -1;
  if (DecodeDrawingSize(payload, width, height) && ok && (width != record.width || height != record.height)) abort();
  if (record.width < 0 || record.width > kMaxDrawingSide || record.height < 0 || record.height > kMaxDrawingSide)
    abort();
  for (const CStroke& s : record.strokes)
    if (s.xcoords.empty() || s.ycoords.size() != s.xcoords.size() || s.widths.size() != s.xcoords.size()) abort();
  if (!ok) return 0;
  // A payload read completely writes back to the same record.
  StrokeRecord again;
  if (!DecodeDrawingPayload(EncodeDrawingPayload(record.width, record.height, record.strokes), again)) abort();
  if (WriteStrokeRecord(again.width, again.height, again.strokes) !=
      WriteStrokeRecord(record.width, record.height, record.strokes))
    abort();
  return 0;
}
