#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "app/safe_file_writer.h"
#include "support/test_util.h"

namespace {

TEST(SafeFileWriter, ReplacesTheWholeFile) {
  TempDir dir;
  WriteFileText(dir / "note.md", "old text that is longer than the new one");
  std::string error;
  ASSERT_TRUE(CSafeFileWriter::System().Write(dir / "note.md", "new", error)) << error;
  EXPECT_EQ(ReadFileText(dir / "note.md"), "new");
  EXPECT_FALSE(PathExists(dir / "note.md.tmp"));
}

TEST(SafeFileWriter, AnyFailureLeavesTheOldFileAndNoTemporary) {
  struct Failure {
    const char* name;
    void (*inject)(CSafeFileWriter&);
  } failures[] = {
      {"cannot create", [](CSafeFileWriter& w) { w.open = [](const char*) -> FILE* { errno = EACCES; return nullptr; }; }},
      {"disk full on the first write",
       [](CSafeFileWriter& w) { w.write = [](const void*, size_t, FILE*) -> size_t { errno = ENOSPC; return 0; }; }},
      {"short write then full",
       [](CSafeFileWriter& w) {
         auto real = w.write;
         w.write = [real, calls = 0](const void* d, size_t n, FILE* f) mutable -> size_t {
           if (calls++ == 0) return real(d, n / 2, f);
           errno = ENOSPC;
           return 0;
         };
       }},
      {"fsync fails", [](CSafeFileWriter& w) { w.sync = [](FILE*) { errno = EIO; return -1; }; }},
      {"close fails",
       [](CSafeFileWriter& w) {
         w.close = [](FILE* f) {
           std::fclose(f);
           errno = EIO;
           return -1;
         };
       }},
      {"rename fails", [](CSafeFileWriter& w) { w.rename = [](const char*, const char*) { errno = EXDEV; return -1; }; }},
  };
  for (const auto& failure : failures) {
    TempDir dir;
    WriteFileText(dir / "note.md", "the old note");
    CSafeFileWriter writer = CSafeFileWriter::System();
    failure.inject(writer);
    std::string error;
    EXPECT_FALSE(writer.Write(dir / "note.md", std::string(100000, 'n'), error)) << failure.name;
    EXPECT_FALSE(error.empty()) << failure.name;
    EXPECT_EQ(ReadFileText(dir / "note.md"), "the old note") << failure.name;
    EXPECT_FALSE(PathExists(dir / "note.md.tmp")) << failure.name;
  }
}

TEST(SafeFileWriter, ShortWritesAreCompleted) {
  TempDir dir;
  CSafeFileWriter writer = CSafeFileWriter::System();
  auto real = writer.write;
  writer.write = [real](const void* d, size_t n, FILE* f) { return real(d, n < 7 ? n : 7, f); };
  std::string error, text(1000, 'z');
  ASSERT_TRUE(writer.Write(dir / "n.md", text, error));
  EXPECT_EQ(ReadFileText(dir / "n.md"), text);
}

std::optional<std::string> Xattr(const std::string& path, const char* name) {
  char value[256];
  ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
  if (n < 0) return std::nullopt;
  return std::string(value, size_t(n));
}

TEST(SafeFileWriter, NewFileKeepsModeOwnerAndUserAttributes) {
  TempDir dir;
  const std::string note = dir / "note.md";
  WriteFileText(note, "old");
  ASSERT_EQ(chmod(note.c_str(), 0600), 0);
  ASSERT_EQ(setxattr(note.c_str(), "user.qlorder", "7", 1, 0), 0) << "user extended attributes needed";
  ASSERT_EQ(setxattr(note.c_str(), "user.other", "kept too", 8, 0), 0);
  const bool root = geteuid() == 0;  // only root may give a file away
  if (root) {
    ASSERT_EQ(chown(note.c_str(), 4242, 4343), 0);
  }
  struct stat before;
  ASSERT_EQ(stat(note.c_str(), &before), 0);

  std::string error;
  ASSERT_TRUE(CSafeFileWriter::System().Write(note, "new", error)) << error;
  struct stat after;
  ASSERT_EQ(stat(note.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // a new file, renamed into place
  EXPECT_EQ(ReadFileText(note), "new");
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_EQ(Xattr(note, "user.qlorder"), "7");
  EXPECT_EQ(Xattr(note, "user.other"), "kept too");
  if (root) {
    EXPECT_EQ(after.st_uid, 4242u);
    EXPECT_EQ(after.st_gid, 4343u);
  }
}

TEST(SafeFileWriter, WritesThroughLinksBesideTheirTarget) {
  // A relative link to a link to the note, in other folders.
  TempDir dir;
  ASSERT_EQ(system(("mkdir -p '" + dir / "notes" + "' '" + dir / "store/deep" + "'").c_str()), 0);
  const std::string target = dir / "store/deep/real.md";
  WriteFileText(target, "old");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(setxattr(target.c_str(), "user.qlorder", "3", 1, 0), 0);
  ASSERT_EQ(symlink("deep/real.md", (dir / "store/hop.md").c_str()), 0);
  ASSERT_EQ(symlink("../store/hop.md", (dir / "notes/link.md").c_str()), 0);
  EXPECT_EQ(ResolveLinks(dir / "notes/link.md"), dir / "notes/../store/deep/real.md");

  CSafeFileWriter writer = CSafeFileWriter::System();
  std::vector<std::string> opened;
  auto open = writer.open;
  writer.open = [&](const char* path) {
    opened.push_back(path);
    return open(path);
  };
  std::string error;
  ASSERT_TRUE(writer.Write(dir / "notes/link.md", "through", error)) << error;
  EXPECT_EQ(opened, std::vector<std::string>{dir / "notes/../store/deep/real.md.tmp"});
  struct stat link, hop, real;
  ASSERT_EQ(lstat((dir / "notes/link.md").c_str(), &link), 0);
  ASSERT_EQ(lstat((dir / "store/hop.md").c_str(), &hop), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_TRUE(S_ISLNK(hop.st_mode));
  EXPECT_EQ(ReadFileText(target), "through");
  ASSERT_EQ(stat(target.c_str(), &real), 0);
  EXPECT_EQ(real.st_mode & 07777, 0640u);
  EXPECT_EQ(Xattr(target, "user.qlorder"), "3");
  EXPECT_FALSE(PathExists(target + ".tmp"));
}

TEST(SafeFileWriter, ALinkAtTheTemporaryNameIsNotFollowed) {
  TempDir dir;
  WriteFileText(dir / "victim", "untouched");
  WriteFileText(dir / "note.md", "old");
  ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "note.md.tmp").c_str()), 0);
  std::string error;
  ASSERT_TRUE(CSafeFileWriter::System().Write(dir / "note.md", "new", error)) << error;
  EXPECT_EQ(ReadFileText(dir / "victim"), "untouched");
  EXPECT_EQ(ReadFileText(dir / "note.md"), "new");
}

// A sync tool's rename over the note, before the write or while it runs:
// the checked write replaces nothing and removes its temporary file.
TEST(SafeFileWriter, CheckedWriteNeverReplacesAChangeMadeMeanwhile) {
  for (bool duringTheWrite : {false, true}) {
    SCOPED_TRACE(duringTheWrite ? "during the write" : "before the write");
    TempDir dir;
    const std::string note = dir / "note.md";
    WriteFileText(note, "read by the editor");
    CSafeFileWriter::SOptions options;
    options.check = true;
    options.expected = note_sync::ReadIdentity(note);
    auto syncTool = [&] {
      WriteFileText(dir / ".sync-tmp", "from the sync tool");
      ASSERT_EQ(rename((dir / ".sync-tmp").c_str(), note.c_str()), 0);
    };
    CSafeFileWriter writer = CSafeFileWriter::System();
    if (duringTheWrite) {
      auto write = writer.write;
      writer.write = [&syncTool, write](const void* data, size_t size, FILE* file) {
        syncTool();
        return write(data, size, file);
      };
    } else {
      syncTool();
    }
    CSafeFileWriter::SResult result = writer.Replace(note, "the editor's", options);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(ReadFileText(note), "from the sync tool");
    EXPECT_FALSE(PathExists(note + ".tmp"));
  }
  // Unchanged: the checked write goes ahead and tells what it wrote.
  TempDir dir;
  WriteFileText(dir / "n.md", "x");
  CSafeFileWriter::SOptions options;
  options.check = true;
  options.expected = note_sync::ReadIdentity(dir / "n.md");
  CSafeFileWriter::SResult result = CSafeFileWriter::System().Replace(dir / "n.md", "yz", options);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.written, note_sync::ReadIdentity(dir / "n.md"));
}

TEST(SafeFileWriter, ExclusiveWriteMakesANewFileLikeAnother) {
  TempDir dir;
  WriteFileText(dir / "note.md", "note");
  ASSERT_EQ(chmod((dir / "note.md").c_str(), 0600), 0);
  WriteFileText(dir / "taken.md", "someone's");
  CSafeFileWriter::SOptions options;
  options.exclusive = true;
  options.like = dir / "note.md";
  CSafeFileWriter::SResult taken = CSafeFileWriter::System().Replace(dir / "taken.md", "mine", options);
  EXPECT_FALSE(taken.ok);
  EXPECT_TRUE(taken.exists);
  EXPECT_EQ(ReadFileText(dir / "taken.md"), "someone's");
  EXPECT_FALSE(PathExists(dir / "taken.md.tmp"));

  CSafeFileWriter::SResult made = CSafeFileWriter::System().Replace(dir / "copy.md", "mine", options);
  ASSERT_TRUE(made.ok) << made.error;
  EXPECT_EQ(ReadFileText(dir / "copy.md"), "mine");
  struct stat copy;
  ASSERT_EQ(stat((dir / "copy.md").c_str(), &copy), 0);
  EXPECT_EQ(copy.st_mode & 07777, 0600u);  // as private as the note it copies
}

}  // namespace
