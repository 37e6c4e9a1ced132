#include <gtest/gtest.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include "support/gui_util.h"
#include "support/test_util.h"

// GUI tests share one GTK and GtkSourceView initialisation per process.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Before the toolkit reads them: deleting from the tree fills a scratch
  // trash, never the user's.
  UseScratchHome();
  Gsv::init();
  if (!gtk_init_check(&argc, &argv)) {
    fprintf(stderr, "no display: run under xvfb-run\n");
    return 1;
  }
  TestApplication();
  return RUN_ALL_TESTS();
}
