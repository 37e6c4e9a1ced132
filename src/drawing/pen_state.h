#pragma once

#include "drawing/device_modes.h"
#include "drawing/stroke.h"

typedef struct _GdkDevice GdkDevice;

// The editor's pen state, shared by the pen handlers, the toolbar's mode
// and width actions and the window's device handling.
struct SPenState {
  CStroke active_stroke;  // in buffer coordinates while drawn
  int pen_operation = 0;  // 0 nothing, 1 drawing, 2 erasing, 3 selecting
  float stroke_width = 0;
  double box_start[2] = {0, 0}, box_end[2] = {0, 0};
  GdkDevice* last_device = nullptr;
  bool cursor_refresh = false;
  CDeviceModes device_modes;
  bool link_hover = false;
};
