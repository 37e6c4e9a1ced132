// Changing the notes base from the tree: creating and renaming by editing
// the name cell, deleting after confirmation, moving by drag and drop.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <vector>

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

// A name that begins with "." would vanish from the tree at the next start:
// refused, and the user is told why. So are names with "/".
TEST_F(NavigationEdit, RefusedNamesAreShown) {
  MakeNote("/a.md", "A");
  MakeFolder("/w");
  Start();
  const struct {
    const char* row;
    const char* text;
    const char* problem;
  } cases[] = {
      {"/+", ".hidden", "Names cannot begin with \u201c.\u201d"},
      {"/+", ".hidden/", "Names cannot begin with \u201c.\u201d"},
      {"/+", "..", "Names cannot begin with \u201c.\u201d"},
      {"/a.md", ".a", "Names cannot begin with \u201c.\u201d"},
      {"/w", ".w", "Names cannot begin with \u201c.\u201d"},
      {"/+", "x/y", "Names cannot contain \u201c/\u201d"},
      {"/a.md", "x/y", "Names cannot contain \u201c/\u201d"},
      {"/+", "", ""},  // an empty entry is no request
      {"/a.md", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " <- " + c.text);
    if (nav->ProblemDialog()) nav->ProblemDialog()->hide();
    Edit(c.row, c.text);
    EXPECT_EQ(Problem(), c.problem);
    EXPECT_EQ(Level(), "a,w,+");
  }
  EXPECT_EQ(system(("test -z \"$(find '" + base + "' -mindepth 1 ! -path '" + base + "/a.md' ! -path '" + base +
                    "/w')\"")
                       .c_str()),
            0)
      << "something else appeared in the notes base";
}

// What the file system refuses reaches standard error and the window.
TEST_F(NavigationEdit, FailuresAreReportedAndChangeNothing) {
  MakeNote("/a.md", "A");
  MakeNote("/b.md", "B");
  MakeFolder("/w");
  Start();
  const struct {
    const char* row;
    const char* text;
    const char* problem;
    const char* printed;
  } cases[] = {
      {"/a.md", "b", "Could not rename \u201ca\u201d", "Error: Could not rename a: "},
      {"/w", "a.md", "Could not rename \u201cw\u201d", "Error: Could not rename w: "},  // onto the note a.md
      {"/+", "b", "Could not create the note \u201cb\u201d", "Error: Could not create the note b: "},
      {"/+", "w/", "Could not create the folder \u201cw\u201d", "Error: Could not create the folder w: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.row) + " <- " + c.text);
    testing::internal::CaptureStderr();
    Edit(c.row, c.text);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Problem(), c.problem);
    EXPECT_EQ(printed.rfind(c.printed, 0), 0u) << printed;
    EXPECT_NE(printed.find("exists"), std::string::npos) << printed;
    EXPECT_EQ(Level(), "a,b,w,+");
  }
  EXPECT_EQ(ReadFileText(File("/a.md")), "A");
  EXPECT_EQ(ReadFileText(File("/b.md")), "B");
}

namespace {

// Everything below `root` with its kind, size, inode, change time and
// content, one line each: any touched file shows as a changed line.
std::string Snapshot(const std::string& root) {
  std::string out;
  std::function<void(const std::string&)> walk = [&](const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    out += path + " " + std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " " +
           std::to_string(st.st_ino) + " " + std::to_string(st.st_ctim.tv_sec) + "." +
           std::to_string(st.st_ctim.tv_nsec) + (S_ISREG(st.st_mode) ? " " + ReadFileText(path) : "") + "\n";
    if (!S_ISDIR(st.st_mode)) return;
    GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
    std::vector<std::string> names;
    while (const char* name = dir ? g_dir_read_name(dir) : nullptr) names.push_back(name);
    if (dir) g_dir_close(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) walk(path + "/" + name);
  };
  walk(root);
  return out;
}

}  // namespace

// Names that mean something to a shell, to option parsers or to encodings
// go through every operation exactly as typed; nothing runs, and nothing
// but the entry itself is touched.
TEST_F(NavigationEdit, HostileNamesThroughEveryOperation) {
  const std::string names[] = {
      "it's",          "say \"hi\"",        "$HOME",        "$(touch CANARY)", "`touch CANARY`",
      "back\\slash\\", "new\nline",         "-rf",          "--help",          "; touch CANARY #",
      "a\tb",          "Grüße 日本 😀",    "*",            "~",               "x > CANARY",
  };
  MakeNote("/keep.md", "keep");
  MakeFolder("/other");
  MakeNote("/other/x.md", "x");
  MakeFolder("/dest");
  Start();
  view->expand_row(PathOf("/dest"), false);
  const std::string bystanders = Snapshot(File("/keep.md")) + Snapshot(File("/other"));
  char* cwd = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(base.c_str()), 0);

  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    for (const bool folder : {false, true}) {
      const std::string ext = folder ? "" : ".md";
      Edit("/+", folder ? name + "/" : name);  // create
      ASSERT_TRUE(PathExists(File("/" + name + ext)));
      ASSERT_TRUE(Row("/" + name + ext));
      Edit("/" + name + ext, "2" + name);  // rename
      EXPECT_FALSE(PathExists(File("/" + name + ext)));
      ASSERT_TRUE(Row("/2" + name + ext));
      Gtk::TreeModel::Path into = PathOf("/dest");  // move
      into.push_back(0);
      testing::internal::CaptureStdout();
      EXPECT_TRUE(nav->MoveRow(PathOf("/2" + name + ext), into));
      testing::internal::GetCapturedStdout();
      const std::string moved = "/dest/2" + name + ext;
      ASSERT_TRUE(PathExists(File(moved)));
      EXPECT_TRUE(nav->DeleteRow(Row(moved)));  // delete
      EXPECT_FALSE(PathExists(File(moved)));
      EXPECT_FALSE(Trashed(moved).empty());
      EXPECT_EQ(Problem(), "");
    }
  }
  EXPECT_EQ(chdir(cwd), 0);
  free(cwd);
  for (const std::string& dir : {base, temp.path(), std::string(".")}) EXPECT_FALSE(PathExists(dir + "/CANARY")) << dir;
  EXPECT_EQ(Snapshot(File("/keep.md")) + Snapshot(File("/other")), bystanders);
  EXPECT_EQ(Level(), "dest,keep,other,+");
  EXPECT_EQ(Level("/dest"), "+");
  EXPECT_EQ(system(("test \"$(find '" + base + "' -mindepth 1 | wc -l)\" = 4").c_str()), 0)
      << "something else appeared in the notes base";
  EXPECT_EQ(system(("test \"$(find '" + temp.path() + "' -mindepth 1 -maxdepth 1)\" = '" + base + "'").c_str()), 0)
      << "something appeared beside the notes base";
}

// Another program renames the files behind the tree: the tree's own
// operations then fail, say so and change nothing, never touching the file
// at its new name.
TEST_F(NavigationEdit, EntriesRenamedByAnotherProgramFailSafely) {
  MakeNote("/a.md", "A");
  MakeFolder("/f");
  MakeNote("/f/n.md", "N");
  Start();
  ASSERT_EQ(system(("mv '" + File("/a.md") + "' '" + File("/moved.md") + "' && mv '" + File("/f") + "' '" +
                    File("/g") + "'")
                       .c_str()),
            0);
  testing::internal::CaptureStderr();
  Edit("/a.md", "c");
  EXPECT_EQ(Problem(), "Could not rename \u201ca\u201d");
  EXPECT_FALSE(nav->DeleteRow(Row("/a.md")));
  EXPECT_EQ(Problem(), "Could not delete \u201ca\u201d");
  EXPECT_FALSE(nav->DeleteRow(Row("/f"), true));
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("Error: Could not rename a: "), std::string::npos) << printed;
  EXPECT_NE(printed.find("Error: Could not delete f: "), std::string::npos) << printed;
  EXPECT_EQ(Level(), "a,f,+");
  EXPECT_EQ(ReadFileText(File("/moved.md")), "A");
  EXPECT_EQ(ReadFileText(File("/g/n.md")), "N");
  EXPECT_FALSE(PathExists(File("/c.md")));
}
