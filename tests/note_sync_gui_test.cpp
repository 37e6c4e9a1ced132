// The open note against other programs and failing disks: a sync tool's
// change is never overwritten, a failed save never thrown away, saving
// keeps what the file had, and writes run off the main loop.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <regex>
#include <vector>

#include "app/main_window.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

class NoteSyncTest : public ::testing::Test {
protected:
  TempDir dir;
  DevelTree tree{dir.path()};

  void TearDown() override {
    answer.disconnect();
    if (window) window->FinishSave();
  }
  void Note(const std::string& path, const std::string& bytes) { WriteFileText(tree.Notes(path), bytes); }
  std::string Disk(const std::string& path) { return ReadFileText(tree.Notes(path)); }
  ino_t Inode(const std::string& path) {
    struct stat st;
    return stat(tree.Notes(path).c_str(), &st) == 0 ? st.st_ino : 0;
  }
  void Start(const std::string& config) {
    tree.WriteConfig(config);
    ::testing::internal::CaptureStdout();
    window = std::make_unique<CMainWindow>(TestApplication());
    RunUntilIdle();
    ::testing::internal::GetCapturedStdout();
  }
  Glib::RefPtr<Gsv::Buffer> Buffer() { return window->Notebook().SourceBuffer(); }
  std::string Text() { return Buffer()->get_text(Buffer()->begin(), Buffer()->end(), true); }
  void Type(const std::string& text) { Buffer()->insert_at_cursor(text); }
  // What a sync tool or `git pull` does: a whole new file renamed over the
  // note, by another process.
  void SyncTool(const std::string& path, const std::string& bytes) {
    WriteFileText(tree.Notes("/.incoming"), bytes);
    ASSERT_EQ(system(("mv '" + tree.Notes("/.incoming") + "' '" + tree.Notes(path) + "'").c_str()), 0);
  }
  // Notes in the base's top folder, but the configuration.
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    if (DIR* d = opendir(tree.Notes().c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.' && std::string(e->d_name) != "config.json") names.push_back(e->d_name);
      closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  bool Autosave() {
    ::testing::internal::CaptureStdout();
    bool saved = window->AutosaveTick(g_get_real_time() + 6000000);
    window->FinishSave();
    ::testing::internal::GetCapturedStdout();
    return saved;
  }
  static std::string Label(Gtk::InfoBar& bar) {
    auto children = dynamic_cast<Gtk::Container*>(bar.get_content_area())->get_children();
    auto* label = children.empty() ? nullptr : dynamic_cast<Gtk::Label*>(children[0]);
    return label ? label->get_text() : "";
  }
  // Answers every message dialog with `response`, noting its default.
  void AnswerDialogs(int response) {
    answer = Glib::signal_timeout().connect(
        [this, response] {
          for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
            auto* dialog = dynamic_cast<Gtk::MessageDialog*>(w);
            if (!dialog || !dialog->get_visible()) continue;
            asked = dialog->property_text().get_value();
            secondary = dialog->property_secondary_text().get_value();
            Gtk::Widget* cancel = dialog->get_widget_for_response(Gtk::RESPONSE_CANCEL);
            cancel_is_default = cancel && cancel->has_default();
            dialog->response(response);
          }
          return true;
        },
        20);
  }
  // The window's close button, as the window manager sends it.
  bool CloseRefused() {
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    gboolean handled = FALSE;
    g_signal_emit_by_name(window->gobj(), "delete-event", event, &handled);
    gdk_event_free(event);
    return handled;
  }
  static void FailWrites(CSafeFileWriter& writer) {
    writer.write = [](const void*, size_t, FILE*) -> size_t {
      errno = ENOSPC;
      return 0;
    };
  }

  std::unique_ptr<CMainWindow> window;
  sigc::connection answer;
  std::string asked, secondary;
  bool cancel_is_default = false;
};

TEST_F(NoteSyncTest, ASyncToolsChangeOfAnUntouchedNoteIsReloadedInPlace) {
  Note("/n.md", "one\ntwo\nthree\nfour\n");
  Start(R"({"active_document": "/n.md"})");
  Buffer()->place_cursor(Buffer()->get_iter_at_line(2));
  SyncTool("/n.md", "ONE\nTWO\nTHREE\nFOUR\nFIVE\n");
  const ino_t synced = Inode("/n.md");
  // The file monitor reports it; nothing is pressed or saved.
  ASSERT_TRUE(RunUntil([&] { return Text() == "ONE\nTWO\nTHREE\nFOUR\nFIVE\n"; })) << Text();
  EXPECT_EQ(Buffer()->get_insert()->get_iter().get_line(), 2);
  EXPECT_EQ(Inode("/n.md"), synced);  // nothing written
  EXPECT_FALSE(window->ConflictBar().get_visible());
  EXPECT_FALSE(Buffer()->can_undo());

  // And the next save writes the synced text, not the old one.
  EXPECT_TRUE(Autosave());
  EXPECT_EQ(Disk("/n.md"), "ONE\nTWO\nTHREE\nFOUR\nFIVE\n");
}

TEST_F(NoteSyncTest, WhenBothChangedTheEditorsTextGoesToAConflictCopy) {
  Note("/n.md", "base\n");
  Start(R"({"active_document": "/n.md"})");
  Buffer()->place_cursor(Buffer()->end());
  Type("typed here\n");
  ::testing::internal::CaptureStderr();
  SyncTool("/n.md", "from elsewhere\n");
  ASSERT_TRUE(RunUntil([&] { return window->ConflictBar().get_visible(); }));
  std::string errors = ::testing::internal::GetCapturedStderr();

  const std::string copy = window->ConflictCopyPath();
  EXPECT_TRUE(std::regex_match(copy, std::regex(R"(/n \(conflict \d{4}-\d\d-\d\d \d\d\.\d\d\)\.md)"))) << copy;
  EXPECT_EQ(Disk(copy), "base\ntyped here\n");
  EXPECT_EQ(Disk("/n.md"), "from elsewhere\n");
  EXPECT_EQ(Text(), "from elsewhere\n");
  EXPECT_NE(Label(window->ConflictBar()).find(copy), std::string::npos) << Label(window->ConflictBar());
  EXPECT_NE(errors.find("WARNING: /n.md was changed by another program"), std::string::npos) << errors;

  // The bar offers the copy.
  window->ConflictBar().response(1);
  EXPECT_EQ(window->OpenNotePath(), copy);
  EXPECT_EQ(Text(), "base\ntyped here\n");
  EXPECT_FALSE(window->ConflictBar().get_visible());
}

// The check before every save finds the change even when no report of the
// monitor came first (the main loop does not run between).
TEST_F(NoteSyncTest, EverySaveComparesWithTheDiskFirst) {
  struct Case {
    const char* name;
    bool typed;
    std::function<void(CMainWindow&)> save;
  } cases[] = {
      {"autosave", true, [](CMainWindow& w) {
         ::testing::internal::CaptureStdout();
         w.AutosaveTick(g_get_real_time() + 6000000);
         w.FinishSave();
         ::testing::internal::GetCapturedStdout();
       }},
      {"autosave, untouched", false, [](CMainWindow& w) {
         ::testing::internal::CaptureStdout();
         w.AutosaveTick(g_get_real_time() + 6000000);
         w.FinishSave();
         ::testing::internal::GetCapturedStdout();
       }},
      {"opening another note", true, [](CMainWindow& w) { EXPECT_TRUE(w.OpenDocument("/other.md")); }},
      {"opening another note, untouched", false, [](CMainWindow& w) { EXPECT_TRUE(w.OpenDocument("/other.md")); }},
      {"save", true, [](CMainWindow& w) { EXPECT_TRUE(w.SaveDocument()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& f : Files()) unlink(tree.Notes("/" + f).c_str());
    Note("/n.md", "base\n");
    Note("/other.md", "other\n");
    Start(R"({"active_document": "/n.md"})");
    if (c.typed) Type("mine ");
    SyncTool("/n.md", "theirs\n");
    ::testing::internal::CaptureStderr();
    c.save(*window);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Disk("/n.md"), "theirs\n");
    std::vector<std::string> files = Files();
    if (c.typed) {
      ASSERT_EQ(files.size(), 3u);
      EXPECT_EQ(Disk("/" + files[0]), "mine base\n") << files[0];
    } else {
      EXPECT_EQ(files, (std::vector<std::string>{"n.md", "other.md"}));
    }
    window->FinishSave();
    window.reset();
  }
}

TEST_F(NoteSyncTest, AFailedSaveIsShownAndTheNoteIsNotLeftUntilItSaves) {
  Note("/n.md", "old");
  Note("/other.md", "other");
  Start(R"({"active_document": "/n.md"})");
  const CSafeFileWriter good = window->NoteWriter();
  FailWrites(window->NoteWriter());
  Buffer()->place_cursor(Buffer()->end());
  Type(" and new");

  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(Autosave());
  EXPECT_TRUE(window->SaveErrorBar().get_visible());
  const std::string shown = Label(window->SaveErrorBar());
  EXPECT_NE(shown.find("/n.md"), std::string::npos) << shown;
  EXPECT_NE(shown.find("No space left on device"), std::string::npos) << shown;

  // Another note, a link, the empty path before a delete: all refused.
  for (const char* other : {"/other.md", ""}) {
    EXPECT_FALSE(window->OpenDocument(other)) << other;
    EXPECT_EQ(window->OpenNotePath(), "/n.md");
    EXPECT_EQ(Text(), "old and new");
    EXPECT_TRUE(window->SaveErrorBar().get_visible());
  }
  window->OnLinkActivated("/other.md");
  EXPECT_EQ(window->OpenNotePath(), "/n.md");
  ::testing::internal::GetCapturedStderr();

  // The bar stays until a save works.
  window->NoteWriter() = good;
  window->SaveErrorBar().response(1);  // "Try Again"
  EXPECT_FALSE(window->SaveErrorBar().get_visible());
  EXPECT_EQ(Disk("/n.md"), "old and new");
  EXPECT_TRUE(window->OpenDocument("/other.md"));
  EXPECT_EQ(Text(), "other");
}

TEST_F(NoteSyncTest, TheTreeDeletesNothingWhileTheOpenNoteCannotBeSaved) {
  Note("/n.md", "old");
  Start(R"({"active_document": "/n.md"})");
  FailWrites(window->NoteWriter());
  Type("unsaved ");
  window->NavigationView().SelectPath("/n.md");
  AnswerDialogs(Gtk::RESPONSE_OK);
  ::testing::internal::CaptureStderr();
  window->NavigationView().OnDelete();
  ::testing::internal::GetCapturedStderr();
  answer.disconnect();
  EXPECT_EQ(asked, "Delete note n?");
  EXPECT_TRUE(PathExists(tree.Notes("/n.md")));
  EXPECT_EQ(window->OpenNotePath(), "/n.md");
  EXPECT_EQ(Text(), "unsaved old");
}

TEST_F(NoteSyncTest, ANoteThatWasOnlyReadCanBeLeftWhenItCannotBeWritten) {
  Note("/n.md", "read only here");
  Note("/other.md", "other");
  Start(R"({"active_document": "/n.md"})");
  window->NoteWriter().rename = [](const char*, const char*) {
    errno = EROFS;
    return -1;
  };
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(window->OpenDocument("/other.md"));
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(Text(), "other");
  EXPECT_EQ(Disk("/n.md"), "read only here");
}

TEST_F(NoteSyncTest, DiscardingIsTheUsersExplicitChoice) {
  Note("/n.md", "on disk");
  Note("/other.md", "other");
  Start(R"({"active_document": "/n.md"})");
  FailWrites(window->NoteWriter());
  Type("lost on purpose ");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(window->OpenDocument("/other.md"));
  window->SaveErrorBar().response(2);  // "Discard Changes"
  EXPECT_EQ(Text(), "on disk");
  EXPECT_FALSE(window->SaveErrorBar().get_visible());
  EXPECT_TRUE(window->OpenDocument("/other.md"));
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(Disk("/n.md"), "on disk");
}

TEST_F(NoteSyncTest, ClosingWithUnsavedChangesAsksAndCancelIsTheDefault) {
  Note("/n.md", "old");
  Start(R"({"active_document": "/n.md"})");
  const CSafeFileWriter good = window->NoteWriter();
  FailWrites(window->NoteWriter());
  Type("unsaved ");
  ::testing::internal::CaptureStderr();
  AnswerDialogs(Gtk::RESPONSE_CANCEL);
  EXPECT_TRUE(CloseRefused());
  answer.disconnect();
  EXPECT_EQ(asked, "Close without saving?");
  EXPECT_TRUE(cancel_is_default);
  EXPECT_NE(secondary.find("/n.md"), std::string::npos) << secondary;
  EXPECT_NE(secondary.find("No space left on device"), std::string::npos) << secondary;
  EXPECT_EQ(Text(), "unsaved old");

  AnswerDialogs(Gtk::RESPONSE_CLOSE);
  EXPECT_FALSE(CloseRefused());
  answer.disconnect();
  EXPECT_EQ(Disk("/n.md"), "old");

  // Once the save works, closing asks nothing and writes the note.
  window->NoteWriter() = good;
  asked.clear();
  AnswerDialogs(Gtk::RESPONSE_CANCEL);
  EXPECT_FALSE(CloseRefused());
  answer.disconnect();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(asked, "");
  EXPECT_EQ(Disk("/n.md"), "unsaved old");
}

TEST_F(NoteSyncTest, ANewNotesBaseInTheConfigurationWaitsForTheNextStart) {
  const std::string otherBase = dir / "other-base";
  ASSERT_EQ(mkdir(otherBase.c_str(), 0755), 0);
  WriteFileText(otherBase + "/n.md", "a different note");
  Note("/n.md", "mine");
  Note("/b.md", "b");
  Start(R"({"active_document": "/n.md"})");
  const std::string started = window->NotesBase();
  window->Config()["base_path"] = otherBase;  // as the confirmed preferences do
  Buffer()->place_cursor(Buffer()->end());
  Type(" edited");
  EXPECT_TRUE(Autosave());
  EXPECT_EQ(Disk("/n.md"), "mine edited");
  EXPECT_EQ(ReadFileText(otherBase + "/n.md"), "a different note");
  EXPECT_TRUE(window->OpenDocument("/b.md"));
  EXPECT_EQ(Text(), "b");
  EXPECT_EQ(window->NotesBase(), started);
  EXPECT_EQ(window->NavigationView().BasePath(), started);
}

TEST_F(NoteSyncTest, SavingKeepsModeAttributesAndLinks) {
  const std::string outside = dir / "elsewhere";
  ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
  WriteFileText(outside + "/target.md", "linked");
  ASSERT_EQ(symlink("../elsewhere/target.md", tree.Notes("/link.md").c_str()), 0);
  Note("/private.md", "private");
  ASSERT_EQ(chmod(tree.Notes("/private.md").c_str(), 0600), 0);
  ASSERT_EQ(setxattr(tree.Notes("/private.md").c_str(), "user.qlorder", "5", 1, 0), 0);
  Start(R"({"active_document": "/link.md"})");
  Type("edit of the ");
  EXPECT_TRUE(Autosave());
  struct stat st;
  ASSERT_EQ(lstat(tree.Notes("/link.md").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileText(outside + "/target.md"), "edit of the linked");

  // A sync tool replacing the link's target is seen through the link.
  WriteFileText(outside + "/.incoming", "synced target");
  ASSERT_EQ(rename((outside + "/.incoming").c_str(), (outside + "/target.md").c_str()), 0);
  ASSERT_TRUE(RunUntil([&] { return Text() == "synced target"; })) << Text();

  EXPECT_TRUE(window->OpenDocument("/private.md"));
  Type("more ");
  EXPECT_TRUE(Autosave());
  ASSERT_EQ(stat(tree.Notes("/private.md").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  char value[8] = {};
  EXPECT_EQ(getxattr(tree.Notes("/private.md").c_str(), "user.qlorder", value, sizeof value), 1);
  EXPECT_STREQ(value, "5");
  EXPECT_EQ(Disk("/private.md"), "more private");
}

// The write runs while the main loop goes on; a later save waits for it,
// and what is typed meanwhile is kept for the next one.
TEST_F(NoteSyncTest, WritesRunOffTheMainLoopOneAtATime) {
  Note("/n.md", "start");
  Note("/other.md", "other");
  Start(R"({"active_document": "/n.md"})");
  std::atomic<int> writing{0}, most{0}, writes{0};
  std::atomic<bool> release{false};
  auto write = window->NoteWriter().write;
  window->NoteWriter().write = [&, write](const void* data, size_t size, FILE* file) {
    int now = ++writing;
    most = std::max(most.load(), now);
    while (!release) g_usleep(1000);
    size_t done = write(data, size, file);
    --writing;
    ++writes;
    return done;
  };
  Buffer()->place_cursor(Buffer()->end());
  Type(" one");
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(window->AutosaveTick(g_get_real_time() + 6000000));
  EXPECT_TRUE(window->SaveInProgress());
  // The main loop runs, and the user types, while the write waits.
  int turns = 0;
  Glib::signal_idle().connect_once([&] { ++turns; });
  RunFor(50);
  EXPECT_EQ(turns, 1);
  Type(" two");
  EXPECT_TRUE(window->AutosaveTick(g_get_real_time() + 6000000));  // waits for the first
  EXPECT_TRUE(window->SaveInProgress());
  release = true;
  ASSERT_TRUE(RunUntil([&] { return writes >= 2 && !window->SaveInProgress(); }));
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(most, 1);
  EXPECT_EQ(Disk("/n.md"), "start one two");

  // Switching notes finishes a write in flight before it decides.
  release = false;
  Type(" three");
  ::testing::internal::CaptureStdout();
  window->AutosaveTick(g_get_real_time() + 6000000);
  ::testing::internal::GetCapturedStdout();
  Type(" four");
  std::thread releaser([&] {
    g_usleep(100000);
    release = true;
  });
  EXPECT_TRUE(window->OpenDocument("/other.md"));
  releaser.join();
  EXPECT_EQ(most, 1);
  EXPECT_EQ(Disk("/n.md"), "start one two three four");
  EXPECT_FALSE(window->SaveInProgress());
}

}  // namespace
