#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "drawing/base64.h"
#include "drawing/drawing_payload.h"
#include "drawing/stroke_record.h"

namespace {

// Builds records word by word, little-endian, independently of the writer.
struct Words {
  std::vector<uint8_t> bytes;
  Words& Int(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
    return *this;
  }
  Words& Float(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return Int(static_cast<int32_t>(u));
  }
};

std::string Deflate(const std::vector<uint8_t>& raw, int level = 9) {
  uLongf size = compressBound(raw.size());
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, raw.data(), raw.size(), level);
  out.resize(size);
  return Base64Encode(out);
}

std::string Payload(const std::vector<uint8_t>& raw) { return std::to_string(raw.size()) + "," + Deflate(raw); }

CStroke Stroke(std::vector<float> xs, std::vector<float> ys, std::vector<float> ws, std::vector<float> color) {
  CStroke s;
  s.xcoords = xs;
  s.ycoords = ys;
  s.widths = ws;
  std::copy(color.begin(), color.end(), s.color);
  return s;
}

void ExpectSameBits(const std::vector<float>& a, const std::vector<float>& b) {
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * 4), 0);
}

void ExpectSameStrokes(const std::vector<CStroke>& a, const std::vector<CStroke>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(std::memcmp(a[i].color, b[i].color, sizeof a[i].color), 0) << "stroke " << i;
    ExpectSameBits(a[i].xcoords, b[i].xcoords);
    ExpectSameBits(a[i].ycoords, b[i].ycoords);
    ExpectSameBits(a[i].widths, b[i].widths);
  }
}

}  // namespace

TEST(StrokeStorageTest, HandMadePayloadLoadsExactly) {
  Words w;
  w.Int(120).Int(40).Int(2);
  w.Float(1).Float(0).Float(0.25f).Float(1).Int(2);
  w.Float(1.5f).Float(100.25f).Float(2).Float(30).Float(2.5f).Float(3);
  w.Float(0).Float(0).Float(0).Float(0.5f).Int(1);
  w.Float(-0.0f).Float(1e-40f).Float(7);  // a negative zero and a denormal keep their bits
  StrokeRecord r;
  ASSERT_TRUE(DecodeDrawingPayload(Payload(w.bytes), r));
  EXPECT_EQ(r.width, 120);
  EXPECT_EQ(r.height, 40);
  ExpectSameStrokes(r.strokes, {Stroke({1.5f, 100.25f}, {2, 30}, {2.5f, 3}, {1, 0, 0.25f, 1}),
                                Stroke({-0.0f}, {1e-40f}, {7}, {0, 0, 0, 0.5f})});
  EXPECT_EQ(WriteStrokeRecord(120, 40, r.strokes), w.bytes);
}

TEST(StrokeStorageTest, WriterRoundTripsAndDeclaresRawLength) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> any(-1000, 1000);
  std::vector<CStroke> strokes;
  for (int i = 0; i < 5; ++i) {
    CStroke s;
    for (float& c : s.color) c = any(rng);
    for (int j = 0; j <= i * 3; ++j) s.Append(any(rng), any(rng), any(rng));
    s.selected = {true};  // selection is not stored
    strokes.push_back(s);
  }
  std::string payload = EncodeDrawingPayload(300, 200, strokes);
  size_t raw = 4 * (3 + 5 * 5 + 3 * (1 + 4 + 7 + 10 + 13));
  EXPECT_EQ(payload.substr(0, payload.find(',')), std::to_string(raw));
  StrokeRecord r;
  ASSERT_TRUE(DecodeDrawingPayload(payload, r));
  EXPECT_EQ(r.width, 300);
  EXPECT_EQ(r.height, 200);
  ExpectSameStrokes(r.strokes, strokes);
  for (const CStroke& s : r.strokes) EXPECT_TRUE(s.selected.empty());

  // Lengths of the documented shapes: empty is 12, one stroke 12 + 20 + 12n.
  EXPECT_EQ(EncodeDrawingPayload(5, 6, {}).substr(0, 3), "12,");
  EXPECT_EQ(EncodeDrawingPayload(5, 6, {Stroke({1, 2, 3}, {1, 2, 3}, {1, 1, 1}, {0, 0, 0, 1})}).substr(0, 3), "68,");
  ASSERT_TRUE(DecodeDrawingPayload(EncodeDrawingPayload(5, 6, {}), r));
  EXPECT_TRUE(r.strokes.empty());
  EXPECT_EQ(r.width, 5);
}

TEST(StrokeStorageTest, LengthPrefixLikeScanf) {
  Words w;
  w.Int(3).Int(4).Int(0);
  std::string data = Deflate(w.bytes);
  struct Case {
    std::string prefix;
    bool ok;
  } cases[] = {{"12,", true},   {"  12,", true}, {"+12,", true}, {"\n12,", true}, {"12 ,", false},
               {",", false},    {"12", false},   {"-12,", false}, {"x12,", false}, {"99999999999,", false},
               {"8,", false},   {"14,", false},  {"16,", false}};
  for (const Case& c : cases) {
    StrokeRecord r;
    EXPECT_EQ(DecodeDrawingPayload(c.prefix + data, r), c.ok) << c.prefix;
  }
}

TEST(StrokeStorageTest, MalformedRecordsKeepCompleteStrokesOnly) {
  auto header = [](int32_t count) { return Words().Int(10).Int(20).Int(count); };
  struct Case {
    const char* name;
    Words record;
    size_t strokes_read;
  } cases[] = {
      {"count past the data", header(3).Float(0).Float(0).Float(0).Float(1).Int(1).Float(1).Float(2).Float(3), 1},
      {"point count past the data", header(1).Float(0).Float(0).Float(0).Float(1).Int(2).Float(1).Float(2).Float(3), 0},
      {"huge point count", header(1).Float(0).Float(0).Float(0).Float(1).Int(0x7fffffff).Float(1), 0},
      {"negative point count", header(1).Float(0).Float(0).Float(0).Float(1).Int(-1), 0},
      {"stroke without points", header(2).Float(0).Float(0).Float(0).Float(1).Int(1).Float(1).Float(2).Float(3)
                                     .Float(0).Float(0).Float(0).Float(1).Int(0), 1},
      {"huge stroke count", header(-1), 0},
      {"bytes left over", header(0).Int(5), 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    StrokeRecord r;
    EXPECT_FALSE(ReadStrokeRecord(c.record.bytes.data(), c.record.bytes.size(), r));
    EXPECT_EQ(r.strokes.size(), c.strokes_read);
    EXPECT_EQ(r.width, 10);
    EXPECT_FALSE(DecodeDrawingPayload(Payload(c.record.bytes), r));
    EXPECT_EQ(r.strokes.size(), c.strokes_read);
  }
  StrokeRecord r;
  EXPECT_FALSE(ReadStrokeRecord(header(0).bytes.data(), 11, r));
}

TEST(StrokeStorageTest, HostilePayloadsAreRefusedWithoutTrustingTheirCounts) {
  Words w;
  w.Int(50).Int(60).Int(1).Float(0).Float(0).Float(0).Float(1).Int(1).Float(1).Float(2).Float(3);
  std::string good = Payload(w.bytes);
  std::string data = good.substr(good.find(',') + 1);
  std::vector<uint8_t> packed = Base64Decode(data);
  std::vector<uint8_t> truncated(packed.begin(), packed.begin() + packed.size() / 2);
  std::vector<uint8_t> flipped = packed;
  flipped[flipped.size() / 2] ^= 0x10;
  std::vector<uint8_t> zeros(1 << 20);  // inflates 1032 : 1 at best
  struct Case {
    const char* name;
    std::string payload;
  } cases[] = {
      {"length beyond what the data can inflate to", "2000000000," + data},
      {"length shorter than the record", "32," + data},
      {"length longer than the record", "40000," + data},
      {"truncated stream", std::to_string(w.bytes.size()) + "," + Base64Encode(truncated)},
      {"flipped bit", std::to_string(w.bytes.size()) + "," + Base64Encode(flipped)},
      {"not zlib", "44," + Base64Encode(w.bytes)},
      {"not base64", "44,@@@@"},
      {"empty", ""},
      {"huge size", Payload(Words().Int(1 << 30).Int(-5).Int(0).bytes)},
      {"megabyte of zeros, within the inflation bound", std::to_string(zeros.size()) + "," + Deflate(zeros)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StrokeRecord r;
    EXPECT_FALSE(DecodeDrawingPayload(c.payload, r));
    EXPECT_LE(r.strokes.size(), 1u);
    EXPECT_GE(r.width, 0);
    EXPECT_LE(r.width, kMaxDrawingSide);
    EXPECT_GE(r.height, 0);
    EXPECT_LE(r.height, kMaxDrawingSide);
  }
}

TEST(StrokeStorageTest, SizeIsReadAheadOfTheStrokes) {
  std::vector<uint8_t> big = Words().Int(640).Int(480).Int(0).bytes;
  struct {
    const char* name;
    std::string payload;
    bool read;
    int32_t width, height;
  } cases[] = {
      {"a plain record", Payload(Words().Int(320).Int(200).Int(0).bytes), true, 320, 200},
      {"stored without compression",
       std::to_string(big.size()) + "," + Deflate(big, 0), true, 640, 480},
      {"side beyond what can be painted", Payload(Words().Int(40000).Int(10).Int(0).bytes), false, 0, 0},
      {"negative side", Payload(Words().Int(10).Int(-1).Int(0).bytes), false, 0, 0},
      {"declared length below a header", "8," + Deflate(Words().Int(1).Int(1).bytes), false, 0, 0},
      {"base64 cut inside its last quantum", "12,eNrTYGBg9", false, 0, 0},
      {"no comma", "12eNrT", false, 0, 0},
      {"not base64", "12,@@@@", false, 0, 0},
  };
  for (const auto& c : cases) {
    int32_t width = 0, height = 0;
    EXPECT_EQ(DecodeDrawingSize(c.payload, width, height), c.read) << c.name;
    if (!c.read) continue;
    EXPECT_EQ(width, c.width) << c.name;
    EXPECT_EQ(height, c.height) << c.name;
  }
}
