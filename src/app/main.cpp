#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <memory>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  Gsv::init();
  auto application = Gtk::Application::create(argc, argv, "org.quillon.Quillon");

  // One window for the process: a further activation (a second start hands
  // its activation to this one) shows it again, since a second editor on
  // the same notes would overwrite the first one's saves. The window is
  // destroyed when the loop returns.
  std::unique_ptr<CMainWindow> window;
  application->signal_activate().connect([&]() {
    if (window) {
      window->present();
      return;
    }
    window = std::make_unique<CMainWindow>(application);
    application->add_window(*window);
  });

  application->set_accel_for_action("notebook.next-note", "<Primary>Tab");
  application->set_accel_for_action("notebook.prev-note", "<Primary><Shift>Tab");
  application->set_accel_for_action("notebook.show-find", "<Primary>F");

  int status = application->run();
  window.reset();
  return status;
}
