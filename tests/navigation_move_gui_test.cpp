// Moving notes and folders by dropping their rows into another folder.
#include "navigation_fixture.h"

class NavigationMove : public NavigationFixture {
protected:
  // The drop position `index` among the children of `folder` ("" = top level).
  Gtk::TreeModel::Path Into(const std::string& folder, int index) {
    Gtk::TreeModel::Path path = folder.empty() ? Gtk::TreeModel::Path() : PathOf(folder);
    path.push_back(index);
    return path;
  }
  std::string Move(const std::string& notePath, const Gtk::TreeModel::Path& dest, bool expected = true) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(nav->MoveRow(PathOf(notePath), dest), expected) << notePath;
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(NavigationMove, DropRulesFollowRowKinds) {
  MakeNote("/a.md");
  MakeFolder("/f");
  Start();  // a, f (+), +
  auto store = nav->Store();
  const struct {
    std::vector<int> path;
    bool draggable, droppable;
  } cases[] = {
      {{0}, true, true},         // a note; a drop before it
      {{1}, true, true},         // a folder
      {{2}, false, true},        // the top "+": not draggable, a drop just before it is fine
      {{3}, false, false},       // nothing goes after a "+" row
      {{1, 0}, false, true},     // into the folder
      {{1, 1}, false, false},    // after the folder's "+"
      {{0, 0}, false, false},    // a note is no folder
      {{7, 0}, false, false},    // no parent row
  };
  for (const auto& c : cases) {
    Gtk::TreeModel::Path path;
    for (int i : c.path) path.push_back(i);
    EXPECT_EQ(store->row_draggable(path), c.draggable) << path.to_string();
    // The toolkit's wrapper insists on selection data that the answer never reads.
    auto dest = GTK_TREE_DRAG_DEST_GET_IFACE(store->gobj());
    EXPECT_EQ(bool(dest->row_drop_possible(GTK_TREE_DRAG_DEST(store->gobj()), path.gobj(), nullptr)),
              c.droppable)
        << path.to_string();
  }
}

TEST_F(NavigationMove, NoteDroppedIntoFolderMovesTheFile) {
  for (int index : {0, 1}) {  // onto the folder, or between two of its rows
    SCOPED_TRACE(index);
    Stop();
    base = temp / ("notes" + std::to_string(index));
    mkdir(base.c_str(), 0755);
    MakeNote("/a.md", "A");
    MakeFolder("/f");
    MakeNote("/f/x.md");
    MakeNote("/f/z.md");
    Start();
    view->expand_row(PathOf("/f"), false);

    EXPECT_EQ(Move("/a.md", Into("/f", index)), "Move: /a.md -> /f/a.md\n");
    EXPECT_EQ(ReadFileText(File("/f/a.md")), "A");
    EXPECT_FALSE(PathExists(File("/a.md")));
    EXPECT_EQ(Level(), "f,+");
    EXPECT_EQ(Level("/f"), "a,x,z,+");
    EXPECT_EQ(SelectedPath(), "/f/a.md");
  }
}

TEST_F(NavigationMove, FailedMovesChangeNothing) {
  MakeNote("/a.md");
  MakeFolder("/f");
  MakeFolder("/f/g");
  Start();
  view->expand_row(PathOf("/f"), false);

  // Back into its own folder: the name is taken.
  std::string out = Move("/a.md", Into("", 0), false);
  EXPECT_NE(out.find("\nFailed to move: "), std::string::npos) << out;
  // A folder into its own sub-folder.
  out = Move("/f", Into("/f/g", 0), false);
  EXPECT_NE(out.find("\nFailed to move: "), std::string::npos) << out;

  EXPECT_EQ(Level(), "a,f,+");
  EXPECT_EQ(Level("/f"), "g,+");
  EXPECT_TRUE(PathExists(File("/a.md")));
  EXPECT_TRUE(PathExists(File("/f/g")));
}

TEST_F(NavigationMove, MovedFoldersKeepTheirExpansion) {
  if (!XattrsSupported()) GTEST_SKIP() << "the file system of TMPDIR has no user extended attributes";
  MakeFolder("/d");
  MakeFolder("/open");
  MakeNote("/open/o.md");
  MakeFolder("/shut");
  MakeNote("/shut/s.md");
  ASSERT_TRUE(SetXattr("/open", "qlexpand", "1"));
  Start();
  view->expand_row(PathOf("/d"), false);

  Move("/open", Into("/d", 0));
  Move("/shut", Into("/d", 0));
  EXPECT_EQ(Level("/d"), "open,shut,+");
  EXPECT_TRUE(Expanded("/d/open"));
  EXPECT_EQ(Level("/d/open"), "o,+");  // read again at its new place
  EXPECT_FALSE(Expanded("/d/shut"));
  EXPECT_EQ(Type("/d/shut"), ROW_FOLDER_UNLOADED);
  EXPECT_EQ(GetXattr("/d/open", "qlexpand"), std::optional<std::string>("1"));
}

// A folder not read yet lists the moved entry once, when it is read.
TEST_F(NavigationMove, DropIntoUnreadFolderShowsTheEntryOnce) {
  MakeNote("/a.md");
  MakeFolder("/u");
  Start();
  ASSERT_EQ(Type("/u"), ROW_FOLDER_UNLOADED);
  Move("/a.md", Into("/u", 0));
  EXPECT_TRUE(PathExists(File("/u/a.md")));
  EXPECT_EQ(Level(), "u,+");
  view->expand_row(PathOf("/u"), false);
  EXPECT_EQ(Level("/u"), "a,+");
}
