#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <memory>
#include <vector>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  Gsv::init();
  auto application = Gtk::Application::create(argc, argv, "org.quillon.Quillon");

  // Every activation builds a further window; all are destroyed when the
  // loop returns.
  std::vector<std::unique_ptr<CMainWindow>> windows;
  application->signal_activate().connect([&]() {
    windows.push_back(std::make_unique<CMainWindow>(application));
    application->add_window(*windows.back());
  });

  application->set_accel_for_action("notebook.next-note", "<Primary>Tab");
  application->set_accel_for_action("notebook.prev-note", "<Primary><Shift>Tab");
  application->set_accel_for_action("notebook.show-find", "<Primary>F");

  int status = application->run();
  windows.clear();
  return status;
}
