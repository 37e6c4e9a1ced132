#include "drawing/pen_event.h"

#include <gdk/gdk.h>

namespace {

EPenSource SourceOf(GdkDevice* device) {
  if (!device) return EPenSource::MOUSE;
  switch (gdk_device_get_source(device)) {
    case GDK_SOURCE_MOUSE:
      return EPenSource::MOUSE;
    case GDK_SOURCE_PEN:
      return EPenSource::PEN;
    case GDK_SOURCE_ERASER:
      return EPenSource::ERASER;
    case GDK_SOURCE_TOUCHSCREEN:
      return EPenSource::TOUCHSCREEN;
    default:
      return EPenSource::OTHER;
  }
}

}  // namespace

SPenEvent PenEventFrom(const GdkEvent* event) {
  SPenEvent pen;
  GdkDevice* device = gdk_event_get_source_device(event);
  pen.device = device;
  pen.source = SourceOf(device);
  pen.axes = device ? gdk_device_get_n_axes(device) : 0;
  gdk_event_get_coords(event, &pen.x, &pen.y);
  double pressure;
  if (gdk_event_get_axis(event, GDK_AXIS_PRESSURE, &pressure)) {
    pen.has_pressure = true;
    pen.pressure = pressure;
  }
  GdkModifierType state;
  if (gdk_event_get_state(event, &state)) pen.control = (state & GDK_CONTROL_MASK) != 0;
  guint button;
  if (gdk_event_get_button(event, &button)) pen.button = button;
  GdkEventType type = gdk_event_get_event_type(event);
  pen.repeated = type == GDK_2BUTTON_PRESS || type == GDK_3BUTTON_PRESS;
  pen.time = gdk_event_get_time(event);
  return pen;
}
