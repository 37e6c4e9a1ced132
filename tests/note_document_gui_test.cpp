#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "app/main_window.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

class NoteDocumentTest : public ::testing::Test {
protected:
  TempDir dir;
  DevelTree tree{dir.path()};

  void Note(const std::string& path, const std::string& bytes) {
    ASSERT_EQ(system(("mkdir -p \"$(dirname '" + tree.Notes(path) + "')\"").c_str()), 0);
    WriteFileText(tree.Notes(path), bytes);
  }
  std::string Disk(const std::string& path) { return ReadFileText(tree.Notes(path)); }
  void Start(const std::string& config) {
    tree.WriteConfig(config);
    ::testing::internal::CaptureStdout();
    window = std::make_unique<CMainWindow>(TestApplication());
    RunUntilIdle();
    ::testing::internal::GetCapturedStdout();
  }
  std::string Text() {
    auto buffer = window->Notebook().SourceBuffer();
    return buffer->get_text(buffer->begin(), buffer->end(), true);
  }
  std::unique_ptr<CMainWindow> window;
};

TEST_F(NoteDocumentTest, StatesOfTheEditor) {
  Note("/n.md", "# Note\n");
  Start("{}");
  auto& editor = window->Notebook();
  EXPECT_EQ(Text(), "( Nothing opened. Please create or open a file. ) ");
  EXPECT_FALSE(editor.get_editable());
  EXPECT_FALSE(editor.get_can_focus());
  EXPECT_EQ(window->get_title(), " - Quillon");

  window->OpenDocument("/n.md");
  EXPECT_EQ(Text(), "# Note\n");
  EXPECT_TRUE(editor.get_editable());
  EXPECT_TRUE(editor.get_can_focus());
  EXPECT_EQ(window->OpenNotePath(), "/n.md");
  EXPECT_EQ(window->get_title(), "/n.md - Quillon");
  EXPECT_EQ(window->Config()["active_document"].asString(), "/n.md");
  EXPECT_EQ(editor.DocumentDirectory(), tree.Notes());

  ::testing::internal::CaptureStderr();
  window->OpenDocument("/missing.md");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Failed to load document /missing.md!\n");
  EXPECT_EQ(Text(), "( Failed to open /missing.md. Please create or open a file. ) ");
  EXPECT_FALSE(editor.get_editable());
  EXPECT_EQ(window->OpenNotePath(), "");
  EXPECT_EQ(window->Config()["active_document"].asString(), "");
  EXPECT_FALSE(PathExists(tree.Notes("/missing.md")));
}

TEST_F(NoteDocumentTest, HeaderBarSubtitleFollowsTheNote) {
  Note("/a/b.md", "b");
  Start(R"({"use_headerbar": true, "active_document": "/a/b.md"})");
  EXPECT_EQ(window->HeaderBar().get_subtitle(), "/a/b.md");
  window->OpenDocument("");
  EXPECT_EQ(window->HeaderBar().get_subtitle(), "");
}

TEST_F(NoteDocumentTest, OpeningWritesTheOpenNoteFirstAndLoadingIsNotUndoable) {
  Note("/a.md", "A");
  Note("/empty.md", "");
  Start(R"({"active_document": "/a.md"})");
  auto buffer = window->Notebook().SourceBuffer();
  EXPECT_FALSE(buffer->can_undo());
  EXPECT_EQ(Text(), "A");

  struct stat before, after;
  ASSERT_EQ(stat(tree.Notes("/a.md").c_str(), &before), 0);
  window->OpenDocument("/a.md");  // the same note: written, then read again
  ASSERT_EQ(stat(tree.Notes("/a.md").c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(Disk("/a.md"), "A");

  // Changed by another program since it was read, while the editor was
  // not: that change is what opens, not overwritten.
  WriteFileText(tree.Notes("/a.md"), "changed by another program");
  window->OpenDocument("/a.md");
  EXPECT_EQ(Disk("/a.md"), "changed by another program");
  EXPECT_EQ(Text(), "changed by another program");

  window->OpenDocument("/empty.md");
  EXPECT_EQ(Text(), "");
  EXPECT_TRUE(window->Notebook().get_editable());
  EXPECT_EQ(window->OpenNotePath(), "/empty.md");
}

TEST_F(NoteDocumentTest, AutosaveWritesOnlyAfterFiveQuietSeconds) {
  Note("/n.md", "text");
  Start(R"({"active_document": "/n.md"})");
  auto& editor = window->Notebook();
  auto buffer = editor.SourceBuffer();
  int writes = 0;
  auto real = window->NoteWriter().rename;
  window->NoteWriter().rename = [&](const char* from, const char* to) {
    ++writes;
    return real(from, to);
  };
  buffer->insert(buffer->end(), " more");
  gint64 changed = editor.last_change_time;
  ASSERT_GT(changed, 0);

  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(window->AutosaveTick(changed + 5000000));
  EXPECT_EQ(writes, 0);
  EXPECT_TRUE(window->AutosaveTick(changed + 5000001));
  window->FinishSave();
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(Disk("/n.md"), "text more");
  EXPECT_EQ(editor.last_change_time, 0);
  EXPECT_FALSE(window->AutosaveTick(changed + 60000000));  // nothing changed since
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "autosave\n");

  window->OpenDocument("");
  EXPECT_EQ(writes, 2);  // opening saves the open note first
  editor.last_change_time = 42;
  EXPECT_TRUE(window->SaveDocument());
  EXPECT_EQ(editor.last_change_time, 0);  // with no note: nothing written, the change cleared
  EXPECT_EQ(writes, 2);
}

TEST_F(NoteDocumentTest, FailedSaveKeepsTheNoteAndTheChange) {
  Note("/n.md", "old");
  Start(R"({"active_document": "/n.md"})");
  auto& editor = window->Notebook();
  auto buffer = editor.SourceBuffer();
  const CSafeFileWriter good = window->NoteWriter();
  struct {
    const char* name;
    void (*inject)(CSafeFileWriter&);
  } failures[] = {
      {"disk full", [](CSafeFileWriter& w) { w.write = [](const void*, size_t, FILE*) -> size_t { errno = ENOSPC; return 0; }; }},
      {"fsync fails", [](CSafeFileWriter& w) { w.sync = [](FILE*) { errno = EIO; return -1; }; }},
      {"rename fails", [](CSafeFileWriter& w) { w.rename = [](const char*, const char*) { errno = EACCES; return -1; }; }},
  };
  buffer->insert(buffer->end(), " and new");
  for (const auto& failure : failures) {
    window->NoteWriter() = good;
    failure.inject(window->NoteWriter());
    gint64 changed = editor.last_change_time;
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(window->AutosaveTick(changed + 6000000)) << failure.name;
    window->FinishSave();
    ::testing::internal::GetCapturedStdout();
    std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("Error: Failed to save document /n.md: ", 0), 0u) << errors;
    EXPECT_EQ(Disk("/n.md"), "old") << failure.name;
    EXPECT_FALSE(PathExists(tree.Notes("/n.md.tmp"))) << failure.name;
    EXPECT_GT(editor.last_change_time, 0) << failure.name;  // the next tick tries again
  }
  window->NoteWriter() = good;
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(window->AutosaveTick(editor.last_change_time + 6000000));
  window->FinishSave();
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(Disk("/n.md"), "old and new");
}

TEST_F(NoteDocumentTest, InvalidUtf8IsShownReadOnlyAndNeverWritten) {
  const std::string bytes = "valid start \xff\xfe broken \xc3 end\n";
  Note("/bad.md", bytes);
  Note("/good.md", "good");
  ::testing::internal::CaptureStderr();
  Start(R"({"active_document": "/bad.md"})");
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Error: /bad.md is not valid UTF-8"), std::string::npos) << errors;
  EXPECT_FALSE(window->Notebook().get_editable());
  EXPECT_EQ(Text().rfind("valid start ", 0), 0u);
  EXPECT_NE(Text().find(" end\n"), std::string::npos);

  window->Notebook().last_change_time = 1;
  ::testing::internal::CaptureStdout();
  window->AutosaveTick(g_get_real_time());
  window->OpenDocument("/good.md");
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(Disk("/bad.md"), bytes);
  EXPECT_TRUE(window->Notebook().get_editable());
}

}  // namespace
