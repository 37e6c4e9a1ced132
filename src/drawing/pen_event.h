#pragma once

#include <cstdint>

typedef union _GdkEvent GdkEvent;

// What kind of device a pointer event came from.
enum class EPenSource { MOUSE, PEN, ERASER, TOUCHSCREEN, OTHER };

// A pointer event as pen input sees it: plain values, so that the pen
// decisions can be driven without a display.
struct SPenEvent {
  const void* device = nullptr;  // the source device; a key, never dereferenced
  EPenSource source = EPenSource::MOUSE;
  int axes = 0;  // axis count of the source device
  // In the view's widget window.
  double x = 0, y = 0;
  bool has_pressure = false;
  double pressure = 1.0;  // 0 to 1; 1 without a pressure axis
  bool control = false;
  unsigned button = 0;  // 0 for motion
  bool repeated = false;  // the second or third press of a double or triple click
  uint32_t time = 0;
};

// The one place where toolkit events become pen events. (x, y) are the
// event's own window coordinates; the view moves them to its widget window.
SPenEvent PenEventFrom(const GdkEvent* event);
