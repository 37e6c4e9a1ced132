#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/stroke.h"

// The raw record of a drawing: little-endian 32-bit words holding width,
// height, stroke count, then per stroke its colour, point count n and the
// n x, n y and n width floats.
struct StrokeRecord {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<CStroke> strokes;
};

// Size in bytes of the record for these strokes.
size_t StrokeRecordSize(const std::vector<CStroke>& strokes);

std::vector<uint8_t> WriteStrokeRecord(int32_t width, int32_t height, const std::vector<CStroke>& strokes);

// Reads a record from size bytes. Returns false when the record is
// malformed: shorter than its header, counts running past the data, a
// stroke without points, or bytes left over. `out` then holds the header
// and every stroke read completely before the fault.
bool ReadStrokeRecord(const uint8_t* data, size_t size, StrokeRecord& out);
