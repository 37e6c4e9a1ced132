#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include "support/process.h"
#include "support/test_util.h"

namespace {

// Another process replaces the open note the way a sync tool does; the
// running editor takes that version and closing does not write the old
// text back.
TEST(EndToEnd, ASyncToolsRenameOverTheOpenNoteIsKept) {
  TempDir dir;
  ASSERT_EQ(system(("ln -s '" QL_SOURCE_DIR "/data' '" + dir / "data" + "' && ln -s '" QL_SOURCE_DIR
                    "/sourceview' '" + dir / "sourceview" + "' && mkdir -p '" + dir / "notesbase" + "'")
                       .c_str()),
            0);
  WriteFileText(dir / "notesbase/config.json", R"({"active_document": "/n.md"})");
  WriteFileText(dir / "notesbase/n.md", "# Old\n");
  CProcessUnderTest app({{"QL_DEVEL", dir.path()}});
  ASSERT_TRUE(HasWindow(app.pid(), 30)) << app.Stderr();
  ASSERT_EQ(system(("sleep 0.5 && printf '# From the other machine\\n' > '" + dir / "notesbase/.n.md.part" +
                    "' && mv '" + dir / "notesbase/.n.md.part" + "' '" + dir / "notesbase/n.md" + "'")
                       .c_str()),
            0);
  usleep(1500000);
  ASSERT_TRUE(CloseWindowOf(app.pid(), 5));
  ASSERT_EQ(app.Wait(30), 0) << app.Stderr();
  EXPECT_EQ(ReadFileText(dir / "notesbase/n.md"), "# From the other machine\n");
  int notes = 0;
  if (DIR* d = opendir((dir / "notesbase").c_str())) {
    while (dirent* e = readdir(d)) notes += std::string(e->d_name).size() > 3 && e->d_name[0] != '.';
    closedir(d);
  }
  EXPECT_EQ(notes, 2) << "n.md and config.json, no conflict copy";
}

}  // namespace
