#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

// Truncates toward zero like a float-to-int cast, but saturates instead of
// overflowing, and maps NaN to 0: stored coordinates come from notes.
inline int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT_MAX;
  if (v <= -2147483648.0) return INT_MIN;
  return static_cast<int>(v);
}

// Drawings index their points in 16 x 16 pixel cells. The arithmetic wraps
// instead of overflowing for coordinates far outside any real drawing.
inline int CellKeyOf(int kx, int ky) {
  return static_cast<int>(static_cast<uint32_t>(ky / 16) * 65536u + static_cast<uint32_t>(kx / 16));
}

inline int CellKey(float x, float y) { return CellKeyOf(TruncToInt(x), TruncToInt(y)); }
