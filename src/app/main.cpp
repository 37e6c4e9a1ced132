#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <memory>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  Gsv::init();
  auto application = Gtk::Application::create(argc, argv, "org.quillon.Quillon");

  std::unique_ptr<CMainWindow> window;
  application->signal_activate().connect([&]() {
    // Every activation builds a further window; only the latest is kept.
    auto* built = new CMainWindow(application);
    application->add_window(*built);
    window.release();
    window.reset(built);
  });

  application->set_accel_for_action("notebook.next-note", "<Primary>Tab");
  application->set_accel_for_action("notebook.prev-note", "<Primary><Shift>Tab");
  application->set_accel_for_action("notebook.show-find", "<Primary>F");

  int status = application->run();
  window.reset();
  return status;
}
