// The open note follows every rename and move of itself or of a folder
// above it, also through parts of the tree that were never read.
#include <functional>

#include "navigation_fixture.h"

class NavigationFollow : public NavigationFixture {
public:
  void Rename(const std::string& notePath, const std::string& name) {
    nav->OnNameEdited(PathOf(notePath).to_string(), name);
  }
  // Drops the row onto `folder` (its first child position).
  bool Drop(const std::string& notePath, const std::string& folder) {
    Gtk::TreeModel::Path dest = PathOf(folder);
    dest.push_back(0);
    testing::internal::CaptureStdout();
    const bool moved = nav->MoveRow(PathOf(notePath), dest);
    testing::internal::GetCapturedStdout();
    return moved;
  }
  void Expand(const std::string& folder) { view->expand_row(PathOf(folder), false); }
};

TEST_F(NavigationFollow, OpenNoteFollowsRenamesAndMovesAbove) {
  const struct {
    const char* name;
    const char* open;
    std::function<void(NavigationFollow&)> act;
    const char* followed;
  } cases[] = {
      {"folder never read, renamed", "/w/deep/n.md", [](NavigationFollow& t) { t.Rename("/w", "v"); },
       "/v/deep/n.md"},
      {"folder read, sub-folder never read", "/w/deep/n.md",
       [](NavigationFollow& t) {
         t.Expand("/w");
         t.Rename("/w", "v");
       },
       "/v/deep/n.md"},
      {"sub-folder renamed", "/w/deep/n.md",
       [](NavigationFollow& t) {
         t.Expand("/w");
         t.Rename("/w/deep", "d2");
       },
       "/w/d2/n.md"},
      {"folder never read, dropped into a read one", "/w/deep/n.md",
       [](NavigationFollow& t) {
         t.Expand("/dest");
         EXPECT_TRUE(t.Drop("/w", "/dest"));
       },
       "/dest/w/deep/n.md"},
      {"folder never read, dropped into one never read", "/w/deep/n.md",
       [](NavigationFollow& t) { EXPECT_TRUE(t.Drop("/w", "/dest")); }, "/dest/w/deep/n.md"},
      {"the note itself renamed", "/w/top.md",
       [](NavigationFollow& t) {
         t.Expand("/w");
         t.Rename("/w/top.md", "t2");
       },
       "/w/t2.md"},
      {"the note itself dropped", "/w/top.md",
       [](NavigationFollow& t) {
         t.Expand("/w");
         EXPECT_TRUE(t.Drop("/w/top.md", "/dest"));
       },
       "/dest/top.md"},
      // Whole names only: /w is no prefix of /ws.
      {"a folder whose name begins the same", "/ws/x.md", [](NavigationFollow& t) { t.Rename("/w", "v"); },
       "/ws/x.md"},
      {"an unrelated note renamed", "/ws/x.md",
       [](NavigationFollow& t) {
         t.Expand("/w");
         t.Rename("/w/top.md", "t2");
       },
       "/ws/x.md"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Stop();
    ASSERT_EQ(system(("rm -rf '" + base + "' && mkdir -p '" + base + "/w/deep' '" + base + "/ws' '" + base +
                      "/dest'")
                         .c_str()),
              0);
    MakeNote("/w/deep/n.md", "N");
    MakeNote("/w/top.md", "T");
    MakeNote("/ws/x.md", "X");
    FakeTreeHost host;
    host.open = host.current = c.open;
    Start(&host);
    c.act(*this);
    EXPECT_EQ(host.OpenNotePath(), c.followed);
    EXPECT_TRUE(PathExists(File(host.OpenNotePath())));
    Stop();
  }
}

// The row dropped into a folder never read is listed once, when it is read;
// the open note it holds follows it.
TEST_F(NavigationFollow, DropIntoUnreadFolderListsTheEntryOnce) {
  MakeFolder("/f");
  MakeNote("/f/n.md");
  MakeFolder("/u");
  FakeTreeHost host;
  host.open = host.current = "/f/n.md";
  Start(&host);
  ASSERT_EQ(Type("/u"), ROW_FOLDER_UNLOADED);
  ASSERT_TRUE(Drop("/f", "/u"));
  EXPECT_EQ(Level(), "u,+");
  EXPECT_EQ(host.OpenNotePath(), "/u/f/n.md");
  Expand("/u");
  EXPECT_EQ(Level("/u"), "f,+");
  Expand("/u/f");
  EXPECT_EQ(Level("/u/f"), "n,+");
  // Selected on the way, as the current note.
  EXPECT_EQ(SelectedPath(), "/u/f/n.md");
}
