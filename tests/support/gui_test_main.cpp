#include <gtest/gtest.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include "support/gui_util.h"

// GUI tests share one GTK and GtkSourceView initialisation per process.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Gsv::init();
  if (!gtk_init_check(&argc, &argv)) {
    fprintf(stderr, "no display: run under xvfb-run\n");
    return 1;
  }
  TestApplication();
  return RUN_ALL_TESTS();
}
