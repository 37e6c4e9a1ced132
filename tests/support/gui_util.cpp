#include "support/gui_util.h"

#include <gtk/gtk.h>

void RunUntilIdle() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

void RunFor(int milliseconds) {
  gint64 end = g_get_monotonic_time() + gint64(milliseconds) * 1000;
  while (g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
  RunUntilIdle();
}
