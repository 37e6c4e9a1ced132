// Reading the notes base: naming, order, lazy loading, stored expansion,
// walking and selecting.
#include <unistd.h>

#include "navigation_fixture.h"

using NavigationView = NavigationFixture;

TEST_F(NavigationView, ShowsNotesAndFoldersOnly) {
  for (const char* name : {"/a.md", "/b.md.md", "/c.MD", "/.hidden.md", "/notes.txt", "/ab"}) MakeNote(name);
  MakeFolder("/d.md");
  MakeFolder("/.images");
  ASSERT_EQ(symlink("a.md", File("/l.md").c_str()), 0);
  ASSERT_EQ(symlink("d.md", File("/linked").c_str()), 0);
  Start();

  EXPECT_EQ(Level(), "a,d.md,l,linked,+");
  const struct {
    const char* path;
    int type;
    const char *dir, *ext;
  } rows[] = {
      {"/a.md", ROW_NOTE, "/", ".md"},
      {"/l.md", ROW_NOTE, "/", ".md"},
      {"/d.md", ROW_FOLDER_UNLOADED, "/", ""},
      {"/linked", ROW_FOLDER_UNLOADED, "/", ""},
      {"/d.md/+", ROW_NEW_ENTRY, "/d.md/", ""},
      {"/+", ROW_NEW_ENTRY, "/", ""},
  };
  for (const auto& r : rows) {
    auto it = Row(r.path);
    ASSERT_TRUE(it) << r.path;
    EXPECT_EQ((*it)[Cols().type], r.type) << r.path;
    EXPECT_EQ(Glib::ustring((*it)[Cols().dir]), r.dir) << r.path;
    EXPECT_EQ(Glib::ustring((*it)[Cols().ext]), r.ext) << r.path;
  }
  // An empty folder holds only its "+" row, also once it has been read.
  EXPECT_EQ(Level("/d.md"), "+");
  view->expand_row(PathOf("/d.md"), false);
  EXPECT_EQ(Type("/d.md"), ROW_FOLDER);
  EXPECT_EQ(Level("/d.md"), "+");
}

TEST_F(NavigationView, OrderKeysPlaceRowsAndPlusStaysLast) {
  if (!XattrsSupported()) GTEST_SKIP() << "the file system of TMPDIR has no user extended attributes";
  for (const char* name : {"/Zeta.md", "/beta.md", "/ten.md", "/nine.md", "/alpha.md"}) MakeNote(name);
  MakeFolder("/Mid");
  ASSERT_TRUE(SetXattr("/Zeta.md", "qlorder", "a"));
  ASSERT_TRUE(SetXattr("/ten.md", "qlorder", "10"));
  ASSERT_TRUE(SetXattr("/nine.md", "qlorder", "9"));
  ASSERT_TRUE(SetXattr("/Mid", "qlorder", "b"));
  Start();
  // "10" < "9" < "a" < "alpha" < "b" < "beta"
  EXPECT_EQ(Level(), "ten,nine,Zeta,alpha,Mid,beta,+");
  EXPECT_EQ(Glib::ustring((*Row("/Zeta.md"))[Cols().order]), "a");

  // A row that changes its name is placed again; "+" stays last.
  (*Row("/alpha.md"))[Cols().name] = "zz";
  EXPECT_EQ(Level(), "ten,nine,Zeta,Mid,beta,zz,+");
}

TEST_F(NavigationView, StoredExpansionReopensAndFollowsTheUser) {
  if (!XattrsSupported()) GTEST_SKIP() << "the file system of TMPDIR has no user extended attributes";
  MakeFolder("/Work");
  MakeNote("/Work/Ideas.md");
  MakeFolder("/Work/Deep");
  MakeNote("/Work/Deep/x.md");
  MakeFolder("/Closed");
  MakeNote("/Closed/y.md");
  ASSERT_TRUE(SetXattr("/Work", "qlexpand", "0"));  // any non-empty value counts
  ASSERT_TRUE(SetXattr("/Work/Deep", "qlexpand", "1"));
  Start();

  EXPECT_TRUE(Expanded("/Work"));
  EXPECT_TRUE(Expanded("/Work/Deep"));
  EXPECT_EQ(Level("/Work/Deep"), "x,+");
  // Folders never expanded are not read.
  EXPECT_FALSE(Expanded("/Closed"));
  EXPECT_EQ(Type("/Closed"), ROW_FOLDER_UNLOADED);
  EXPECT_EQ(Level("/Closed"), "+");

  view->collapse_row(PathOf("/Work"));
  EXPECT_EQ(GetXattr("/Work", "qlexpand"), std::optional<std::string>(""));  // emptied, not removed
  EXPECT_EQ((*Row("/Work"))[Cols().expanded], 0);
  view->expand_row(PathOf("/Closed"), false);
  EXPECT_EQ(GetXattr("/Closed", "qlexpand"), std::optional<std::string>("1"));
  EXPECT_EQ(Level("/Closed"), "y,+");
  EXPECT_EQ(GetXattr("/Work/Deep", "qlexpand"), std::optional<std::string>("1"));

  Start();  // the state survives a restart
  EXPECT_FALSE(Expanded("/Work"));
  EXPECT_TRUE(Expanded("/Closed"));
  view->expand_row(PathOf("/Work"), false);
  EXPECT_TRUE(Expanded("/Work/Deep"));  // re-expanded from its own stored state
}

TEST_F(NavigationView, FailedScanKeepsOnlyThePlusRow) {
  MakeFolder("/Gone");
  MakeNote("/Gone/n.md");
  Start();
  ASSERT_EQ(system(("rm -r '" + File("/Gone") + "'").c_str()), 0);
  testing::internal::CaptureStdout();
  auto gone = Row("/Gone");
  nav->Populate("/Gone", gone);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("Gio error when expanding directory: ", 0), 0u) << out;
  EXPECT_EQ(Level("/Gone"), "+");
}

TEST_F(NavigationView, NextAndPreviousWalkEveryShownRow) {
  MakeNote("/a.md");
  MakeFolder("/m");
  MakeNote("/m/f1.md");
  MakeNote("/m/f2.md");
  MakeNote("/z.md");
  Start();
  view->expand_row(PathOf("/m"), false);

  view->set_cursor(PathOf("/a.md"));
  const char* forward[] = {"/m", "/m/f1.md", "/m/f2.md", "/m/+", "/z.md", "/+", "/+"};
  for (const char* expected : forward) {
    nav->NextNote();
    EXPECT_EQ(CursorPath(), expected);
  }
  const char* backward[] = {"/z.md", "/m/+", "/m/f2.md", "/m/f1.md", "/m", "/a.md", "/a.md"};
  for (const char* expected : backward) {
    nav->PreviousNote();
    EXPECT_EQ(CursorPath(), expected);
  }
  // A collapsed folder is stepped over as one row.
  view->collapse_row(PathOf("/m"));
  nav->NextNote();
  nav->NextNote();
  EXPECT_EQ(CursorPath(), "/z.md");
  nav->PreviousNote();
  EXPECT_EQ(CursorPath(), "/m");
}

TEST_F(NavigationView, SelectPathLoadsFoldersOnTheWay) {
  MakeFolder("/A");
  MakeFolder("/A/B");
  MakeNote("/A/B/c.md");
  MakeFolder("/Work");
  MakeFolder("/Workshop");
  MakeNote("/Workshop/n.md");
  Start();
  ASSERT_EQ(Type("/A"), ROW_FOLDER_UNLOADED);

  nav->SelectPath("/A/B/c.md");
  EXPECT_EQ(SelectedPath(), "/A/B/c.md");
  EXPECT_EQ(Type("/A/B"), ROW_FOLDER);
  EXPECT_TRUE(Expanded("/A"));
  EXPECT_TRUE(Expanded("/A/B"));

  // /Work is not on the way to /Workshop.
  nav->SelectPath("/Workshop/n.md");
  EXPECT_EQ(SelectedPath(), "/Workshop/n.md");
  EXPECT_EQ(Type("/Work"), ROW_FOLDER_UNLOADED);

  nav->SelectPath("/A/missing.md");
  EXPECT_EQ(SelectedPath(), "/Workshop/n.md");
}
