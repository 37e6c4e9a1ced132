#include "support/gui_util.h"

#include <gtk/gtk.h>

#include <cstdlib>

#include "support/test_util.h"

void RunUntilIdle() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

void RunFor(int milliseconds) {
  gint64 end = g_get_monotonic_time() + gint64(milliseconds) * 1000;
  while (g_get_monotonic_time() < end) g_main_context_iteration(nullptr, FALSE);
  RunUntilIdle();
}

bool RunUntil(const std::function<bool()>& done, int milliseconds) {
  gint64 end = g_get_monotonic_time() + gint64(milliseconds) * 1000;
  while (!done() && g_get_monotonic_time() < end) {
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return done();
}

Glib::RefPtr<Gtk::Application> TestApplication() {
  static Glib::RefPtr<Gtk::Application> app = [] {
    auto made = Gtk::Application::create("org.quillon.Tests", Gio::APPLICATION_NON_UNIQUE);
    made->register_application();
    return made;
  }();
  return app;
}

DevelTree::DevelTree(const std::string& dir) : root(dir) {
  std::string command = "mkdir -p '" + root + "/notesbase' && ln -sfn '" QL_SOURCE_DIR "/data' '" + root +
                        "/data' && ln -sfn '" QL_SOURCE_DIR "/sourceview' '" + root + "/sourceview'";
  if (system(command.c_str()) != 0) abort();
  setenv("QL_DEVEL", root.c_str(), 1);
}

void DevelTree::WriteConfig(const std::string& json) const { WriteFileText(Notes("/config.json"), json); }
