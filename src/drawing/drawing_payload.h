#pragma once

#include <string>

#include "drawing/stroke_record.h"

// The text a drawing is stored as inside its "![](ql:...)" link: the raw
// record's byte length in decimal, a comma, then the record compressed by
// zlib at level 9 and encoded in base64.

// Largest drawing side a payload may declare: Cairo cannot paint more.
constexpr int32_t kMaxDrawingSide = 32767;
// Deflate never expands more than about 1032 to 1, so a declared length
// beyond that for the compressed bytes at hand is a lie.
constexpr size_t kMaxInflateRatio = 1032;

std::string EncodeDrawingPayload(int32_t width, int32_t height, const std::vector<CStroke>& strokes);

// Reads only the drawing's size from the start of a payload, so that a
// drawing can take its place in the text before its strokes are decoded.
// False when the start is malformed or the size out of range.
bool DecodeDrawingSize(const std::string& payload, int32_t& width, int32_t& height);

// Reads a payload without ever trusting its counts beyond the data.
// Returns false when it is malformed or could not be read completely;
// `out` then holds the strokes read completely and a size clamped to
// 0..kMaxDrawingSide.
bool DecodeDrawingPayload(const std::string& payload, StrokeRecord& out);
