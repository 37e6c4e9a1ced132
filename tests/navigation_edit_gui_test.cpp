// Changing the notes base from the tree: creating and renaming by editing
// the name cell, deleting after confirmation, moving by drag and drop.
#include <sys/stat.h>
#include <unistd.h>

#include "navigation_fixture.h"

class NavigationEdit : public NavigationFixture {
protected:
  void Edit(const std::string& notePath, const std::string& text) {
    nav->OnNameEdited(PathOf(notePath).to_string(), text);
  }
  // Answers the next confirmation dialog with `response`, noting its texts.
  void AnswerDialogs(int response) {
    answer = Glib::signal_timeout().connect(
        [this, response] {
          for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
            auto dialog = dynamic_cast<Gtk::MessageDialog*>(w);
            if (!dialog || !dialog->get_visible()) continue;
            asked = dialog->property_text().get_value();
            secondary = dialog->property_secondary_text().get_value();
            warning = dialog->property_message_type().get_value() == Gtk::MESSAGE_WARNING;
            dialog->response(response);
          }
          return true;
        },
        20);
  }
  void TearDown() override {
    answer.disconnect();
    NavigationFixture::TearDown();
  }

  sigc::connection answer;
  std::string asked, secondary;
  bool warning = false;
};

TEST_F(NavigationEdit, NewEntryRowCreatesNotesAndFolders) {
  Start();
  Gtk::Entry entry;
  entry.set_text("+");
  nav->OnEditingStarted(&entry, "0");
  EXPECT_EQ(entry.get_text(), "");

  Edit("/+", "Ideas");
  EXPECT_TRUE(PathExists(File("/Ideas.md")));
  EXPECT_EQ(Level(), "Ideas,+");
  EXPECT_EQ(CursorPath(), "/Ideas.md");

  Edit("/+", "Work/");
  EXPECT_TRUE(Glib::file_test(File("/Work"), Glib::FILE_TEST_IS_DIR));
  EXPECT_EQ(Level(), "Ideas,Work,+");
  EXPECT_EQ(Type("/Work"), ROW_FOLDER);
  EXPECT_TRUE(Expanded("/Work"));
  EXPECT_EQ(Level("/Work"), "+");
  EXPECT_EQ(CursorPath(), "/Work");
  if (XattrsSupported()) {
    EXPECT_EQ(GetXattr("/Work", "qlexpand"), std::optional<std::string>("1"));
  }

  Edit("/Work/+", "Inner");
  EXPECT_TRUE(PathExists(File("/Work/Inner.md")));
  EXPECT_EQ(Level("/Work"), "Inner,+");

  // Empty names, names with "/" and a note that exists already change nothing.
  for (const char* text : {"", "/", "a/b", "a/b/", "Ideas"}) Edit("/+", text);
  EXPECT_EQ(Level(), "Ideas,Work,+");
  EXPECT_FALSE(PathExists(File("/a")));
  EXPECT_FALSE(PathExists(File("/.md")));
}

TEST_F(NavigationEdit, RenameMovesTheFileAndItsSubtree) {
  MakeNote("/a.md", "A");
  MakeNote("/b.md", "B");
  MakeFolder("/w");
  MakeNote("/w/n.md", "N");
  Start();
  view->expand_row(PathOf("/w"), false);

  Edit("/a.md", "c");
  EXPECT_FALSE(PathExists(File("/a.md")));
  EXPECT_EQ(ReadFileText(File("/c.md")), "A");
  EXPECT_EQ(Level(), "b,c,w,+");

  // Renaming onto an existing note would overwrite it: refused.
  Edit("/c.md", "b");
  EXPECT_EQ(ReadFileText(File("/b.md")), "B");
  EXPECT_EQ(ReadFileText(File("/c.md")), "A");
  EXPECT_EQ(Level(), "b,c,w,+");

  Edit("/w", "v");
  EXPECT_EQ(ReadFileText(File("/v/n.md")), "N");
  EXPECT_EQ(Level(), "b,c,v,+");
  ASSERT_TRUE(Row("/v/n.md"));
  Edit("/v/+", "m");  // the "+" row follows its folder
  EXPECT_TRUE(PathExists(File("/v/m.md")));
}

// Names that mean something to the shell reach the file system as they are.
TEST_F(NavigationEdit, HostileNamesRunNothing) {
  Start();
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(base.c_str()), 0);
  const std::string names[] = {"it's", "$(touch PWNED)", "`touch PWNED`", "q\"$HOME\\x;touch PWNED"};
  for (const std::string& name : names) {
    Edit("/+", name);
    EXPECT_TRUE(PathExists(File("/" + name + ".md"))) << name;
    Edit("/" + name + ".md", name + "'2");
    EXPECT_TRUE(PathExists(File("/" + name + "'2.md"))) << name;
    EXPECT_TRUE(nav->DeleteRow(Row("/" + name + "'2.md"))) << name;
    EXPECT_FALSE(PathExists(File("/" + name + "'2.md"))) << name;
    Edit("/+", name + "/");
    EXPECT_TRUE(nav->DeleteRow(Row("/" + name))) << name;
  }
  EXPECT_EQ(chdir(cwd), 0);
  free(cwd);
  EXPECT_FALSE(PathExists(File("/PWNED")));
  EXPECT_EQ(Level(), "+");
  EXPECT_EQ(system(("rmdir '" + base + "'").c_str()), 0) << "something was left in the notes base";
}

TEST_F(NavigationEdit, DeleteAsksFirstAndFillsTheTrash) {
  MakeNote("/a.md", "A");
  MakeNote("/b.md", "B");
  MakeFolder("/f");
  MakeNote("/f/inner.md", "I");
  FakeTreeHost host;
  host.open = host.current = "/b.md";
  Start(&host);
  const struct {
    const char* row;
    int response;
    const char *asked, *secondary;
    bool warning, deleted;
    const char* level;
  } cases[] = {
      {"/a.md", Gtk::RESPONSE_CANCEL, "Delete note a?", "The note goes to the trash, from where it can be restored.",
       false, false, "a,b,f,+"},
      {"/a.md", Gtk::RESPONSE_DELETE_EVENT, "Delete note a?",
       "The note goes to the trash, from where it can be restored.", false, false, "a,b,f,+"},
      {"/a.md", Gtk::RESPONSE_OK, "Delete note a?", "The note goes to the trash, from where it can be restored.", false,
       true, "b,f,+"},
      {"/f", Gtk::RESPONSE_OK, "Delete FOLDER f?",
       "The folder and every note in it go to the trash, from where they can be restored.", true, true, "b,+"},
      {"/+", Gtk::RESPONSE_OK, "", "", false, false, "b,+"},  // no dialog for the "+" row
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    asked.clear();
    secondary.clear();
    warning = false;
    host.opened.clear();
    view->get_selection()->select(Row(c.row));
    AnswerDialogs(c.response);
    nav->OnDelete();
    answer.disconnect();
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(secondary, c.secondary);
    EXPECT_EQ(warning, c.warning);
    if (std::string(c.row) != "/+") {
      EXPECT_EQ(PathExists(File(c.row)), !c.deleted);
      EXPECT_EQ(Trashed(c.row).empty(), !c.deleted);
    }
    // The open note is closed before anything goes, even an unrelated one.
    EXPECT_EQ(host.opened, c.deleted ? std::vector<std::string>{""} : std::vector<std::string>{});
    EXPECT_EQ(Level(), c.level);
  }
  EXPECT_EQ(ReadFileText(Trashed("/a.md")), "A");
  EXPECT_EQ(ReadFileText(Trashed("/f") + "/inner.md"), "I");
}

// While the open note cannot be saved it stays open, and then nothing may go.
TEST_F(NavigationEdit, NothingIsDeletedWhileTheOpenNoteStaysOpen) {
  MakeNote("/a.md", "A");
  FakeTreeHost host;
  host.open = host.current = "/a.md";
  host.refuse = true;
  Start(&host);
  view->get_selection()->select(Row("/a.md"));
  AnswerDialogs(Gtk::RESPONSE_OK);
  nav->OnDelete();
  answer.disconnect();
  EXPECT_EQ(asked, "Delete note a?");
  EXPECT_EQ(host.opened, std::vector<std::string>{""});
  EXPECT_EQ(ReadFileText(File("/a.md")), "A");
  EXPECT_EQ(Trashed("/a.md"), "");
  EXPECT_EQ(Level(), "a,+");
}

// A system mount (tmpfs) has no trash: the dialog says what OK will do.
TEST_F(NavigationEdit, WithoutATrashTheDialogSaysDeletedForGood) {
  struct stat shm, tmp;
  if (stat("/dev/shm", &shm) != 0 || stat(temp.path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no /dev/shm on a file system of its own";
  gchar* made = g_strdup("/dev/shm/quillon-test-XXXXXX");
  if (!g_mkdtemp(made)) {
    g_free(made);
    GTEST_SKIP() << "/dev/shm is not writable";
  }
  base = made;
  g_free(made);
  MakeNote("/n.md", "N");
  MakeFolder("/f");
  MakeNote("/f/inner.md", "I");
  Start();
  const struct {
    const char* row;
    int response;
    const char* secondary;
    bool deleted;
  } cases[] = {
      {"/n.md", Gtk::RESPONSE_CANCEL, "This file system has no trash: the note will be deleted for good.", false},
      {"/n.md", Gtk::RESPONSE_OK, "This file system has no trash: the note will be deleted for good.", true},
      {"/f", Gtk::RESPONSE_OK, "This file system has no trash: the folder and every note in it will be deleted for good.",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    view->get_selection()->select(Row(c.row));
    AnswerDialogs(c.response);
    nav->OnDelete();
    answer.disconnect();
    EXPECT_EQ(secondary, c.secondary);
    EXPECT_TRUE(warning);
    EXPECT_EQ(PathExists(File(c.row)), !c.deleted);
  }
  EXPECT_EQ(Level(), "+");
  Stop();
  EXPECT_EQ(rmdir(base.c_str()), 0) << "something was left in the notes base";
}

TEST_F(NavigationEdit, FailedDeleteKeepsTheRow) {
  MakeNote("/a.md");
  Start();
  ASSERT_EQ(remove(File("/a.md").c_str()), 0);
  EXPECT_FALSE(nav->DeleteRow(Row("/a.md")));
  EXPECT_EQ(Level(), "a,+");
}
