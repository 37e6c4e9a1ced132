// Telling versions of a note's file apart, and what to do when the editor
// and the file changed: plain values, real files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/note_sync.h"
#include "support/test_util.h"

namespace {

using note_sync::EAction;
using note_sync::SFileIdentity;

SFileIdentity File(ino_t inode, off_t size, long long mtime) {
  SFileIdentity id;
  id.exists = true;
  id.device = 1;
  id.inode = inode;
  id.size = size;
  id.mtime_ns = mtime;
  return id;
}

TEST(NoteSync, DecisionTable) {
  const SFileIdentity known = File(10, 100, 5), gone;
  struct {
    const char* name;
    SFileIdentity disk;
    bool editorChanged, saving;
    EAction action;
  } cases[] = {
      {"nothing changed, saving: the save writes", known, false, true, EAction::kWrite},
      {"only the editor changed", known, true, true, EAction::kWrite},
      {"only the editor changed, reported", known, true, false, EAction::kNothing},
      {"renamed over by a sync tool, editor untouched", File(11, 100, 5), false, true, EAction::kReload},
      {"rewritten in place, same size", File(10, 100, 6), false, false, EAction::kReload},
      {"grown in place", File(10, 101, 5), false, true, EAction::kReload},
      {"both changed, at a save", File(11, 90, 7), true, true, EAction::kConflict},
      {"both changed, reported", File(11, 90, 7), true, false, EAction::kConflict},
      {"deleted, editor untouched: not made again", gone, false, true, EAction::kNothing},
      {"deleted, editor changed: the save keeps the text", gone, true, true, EAction::kWrite},
      {"deleted, editor changed, only a report", gone, true, false, EAction::kNothing},
  };
  for (const auto& c : cases)
    EXPECT_EQ(note_sync::Decide(known, c.disk, c.editorChanged, c.saving), c.action) << c.name;
}

TEST(NoteSync, ConflictCopyNames) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 0;
  when.tm_mday = 31;
  when.tm_hour = 9;
  when.tm_min = 5;
  struct {
    const char* note;
    int attempt;
    const char* copy;
  } cases[] = {
      {"/Idea.md", 1, "/Idea (conflict 2026-01-31 09.05).md"},
      {"/a/b c/Idea.md", 1, "/a/b c/Idea (conflict 2026-01-31 09.05).md"},
      {"/Idea.md", 2, "/Idea (conflict 2026-01-31 09.05 2).md"},
      {"/v1.2.md", 1, "/v1.2 (conflict 2026-01-31 09.05).md"},
      {"/README", 1, "/README (conflict 2026-01-31 09.05).md"},
      {"/dir.md/.md", 1, "/dir.md/.md (conflict 2026-01-31 09.05).md"},
  };
  for (const auto& c : cases) EXPECT_EQ(note_sync::ConflictNotePath(c.note, when, c.attempt), c.copy) << c.note;
}

TEST(NoteSync, IdentityTellsEveryKindOfChangeOnRealFiles) {
  TempDir dir;
  const std::string note = dir / "n.md";
  WriteFileText(note, "one");
  const SFileIdentity first = note_sync::ReadIdentity(note);
  ASSERT_TRUE(first.exists);
  EXPECT_EQ(note_sync::ReadIdentity(note), first);

  // Same bytes, same size, only the time differs.
  struct timespec times[2] = {{0, UTIME_OMIT}, {1000, 1}};
  ASSERT_EQ(utimensat(AT_FDCWD, note.c_str(), times, 0), 0);
  const SFileIdentity touched = note_sync::ReadIdentity(note);
  EXPECT_NE(touched, first);

  // What a sync tool does: a new file renamed over the note, with the old
  // one's size and time.
  WriteFileText(dir / "n.md.sync", "two");
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "n.md.sync").c_str(), times, 0), 0);
  ASSERT_EQ(rename((dir / "n.md.sync").c_str(), note.c_str()), 0);
  const SFileIdentity renamed = note_sync::ReadIdentity(note);
  EXPECT_EQ(renamed.size, touched.size);
  EXPECT_EQ(renamed.mtime_ns, touched.mtime_ns);
  EXPECT_NE(renamed, touched);

  // A link is the file it names.
  ASSERT_EQ(symlink("n.md", (dir / "link.md").c_str()), 0);
  EXPECT_EQ(note_sync::ReadIdentity(dir / "link.md"), renamed);

  ASSERT_EQ(unlink(note.c_str()), 0);
  EXPECT_FALSE(note_sync::ReadIdentity(note).exists);
  EXPECT_EQ(note_sync::ReadIdentity(note), SFileIdentity());
}

}  // namespace
