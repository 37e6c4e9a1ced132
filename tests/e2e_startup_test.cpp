#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>

#include "support/process.h"
#include "support/test_util.h"

namespace {

std::string Link(const TempDir& dir) {
  return "ln -s '" QL_SOURCE_DIR "/data' '" + dir / "data" + "' && ln -s '" QL_SOURCE_DIR "/sourceview' '" +
         dir / "sourceview" + "' && mkdir -p '" + dir / "notesbase" + "'";
}

TEST(EndToEnd, StartsReportsAndWritesConfigurationOnClose) {
  TempDir dir;
  ASSERT_EQ(system(Link(dir).c_str()), 0);
  WriteFileText(dir / "notesbase/config.json",
                R"({"use_headerbar": true, "colors": [{"r": 0, "g": 0, "b": 0}], "mine": "kept"})");
  CProcessUnderTest app({{"QL_DEVEL", dir.path()}});
  ASSERT_TRUE(CloseWindowOf(app.pid(), 30)) << app.Stderr();
  ASSERT_EQ(app.Wait(30), 0) << app.Stderr();

  std::string expected = "\nDetected paths:\nConfig: " + dir / "notesbase" + "\nDefault notes path: " +
                         dir / "notesbase" + "\nResource path: " + dir.path() +
                         "\nActive notes path: " + dir / "notesbase" + "\n\n";
  std::smatch banner;
  ASSERT_TRUE(std::regex_search(app.Stdout(), banner,
                                std::regex("^== This is quillon, built at [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d "
                                           "\\d\\d:\\d\\d:\\d\\d \\d{4}\\. ==\n")))
      << app.Stdout();
  EXPECT_EQ(app.Stdout().substr(banner.length() - 1, expected.size()), expected);
  EXPECT_EQ(app.Stderr().rfind("INFO: Debug mode set! Will operate in " + dir.path() + ".\n", 0), 0u) << app.Stderr();

  std::string config = ReadFileText(dir / "notesbase/config.json");
  EXPECT_EQ(config.rfind("{\n\t\"active_document\" : \"\",\n", 0), 0u) << config;
  EXPECT_NE(config.find("\t\"mine\" : \"kept\""), std::string::npos) << config;
  EXPECT_NE(config.find("\t\"use_highlight_proxy\" : null"), std::string::npos) << config;
  EXPECT_FALSE(PathExists(dir / "notesbase/config.json.tmp"));
}

TEST(EndToEnd, NoConfigurationAtAllIsFatal) {
  TempDir dir;
  CProcessUnderTest app({{"QL_DEVEL", dir.path()}});
  EXPECT_EQ(app.Wait(30), 255);
  EXPECT_NE(app.Stderr().find(
                "FATAL: config.json not found in note tree, and default_config.json not found in data tree!\n"),
            std::string::npos)
      << app.Stderr();
  // It stops while loading the configuration, before any widget exists.
  EXPECT_EQ(app.Stdout().find("Active notes path"), std::string::npos);
}

}  // namespace

namespace {

TEST(EndToEnd, AutosaveWritesAnOpenedNoteOnceWithTheRealTimer) {
  TempDir dir;
  ASSERT_EQ(system(Link(dir).c_str()), 0);
  WriteFileText(dir / "notesbase/config.json", R"({"active_document": "/n.md"})");
  WriteFileText(dir / "notesbase/n.md", "# Kept\n");
  struct stat before;
  ASSERT_EQ(stat((dir / "notesbase/n.md").c_str(), &before), 0);
  CProcessUnderTest app({{"QL_DEVEL", dir.path()}});
  ASSERT_TRUE(HasWindow(app.pid(), 30)) << app.Stderr();
  // Loading counts as a change: the first tick more than five seconds
  // later writes it, and nothing after that.
  EXPECT_EQ(app.Wait(12), -1);
  struct stat after;
  ASSERT_EQ(stat((dir / "notesbase/n.md").c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // replaced by a rename
  ASSERT_TRUE(CloseWindowOf(app.pid(), 5));
  ASSERT_EQ(app.Wait(30), 0);
  size_t first = app.Stdout().find("autosave\n");
  EXPECT_NE(first, std::string::npos) << app.Stdout();
  EXPECT_EQ(app.Stdout().find("autosave\n", first + 1), std::string::npos) << app.Stdout();
  EXPECT_EQ(ReadFileText(dir / "notesbase/n.md"), "# Kept\n");
}

}  // namespace
