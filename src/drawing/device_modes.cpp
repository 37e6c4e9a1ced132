#include "drawing/device_modes.h"

int CDeviceModes::ModeOf(const void* device) const {
  auto found = modes.find(device);
  return found == modes.end() ? 0 : found->second;
}

int CDeviceModes::EnterForPress(const void* device, int axes) {
  auto found = modes.find(device);
  if (found != modes.end()) return found->second;
  return modes[device] = axes >= 5 ? 1 : 0;
}

int CDeviceModes::EnterForSource(const void* device, EPenSource source) {
  auto found = modes.find(device);
  if (found != modes.end()) return found->second;
  return modes[device] = source == EPenSource::ERASER ? 2 : source == EPenSource::PEN ? 1 : 0;
}
