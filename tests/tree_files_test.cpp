// The note tree's file operations against a real temporary folder, with
// real extended attributes, symbolic links and the desktop's trash.
#include "tree/tree_files.h"

#include <gtest/gtest.h>
#include <glib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <optional>

#include "support/test_util.h"

namespace {

// Set before GLib first reads HOME: the trash is then a folder of ours.
const std::string& kData = UseScratchHome();

class TreeFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    base = temp / "notes";
    mkdir(base.c_str(), 0755);
    files.SetBase(base);
  }
  std::string File(const std::string& notePath) const { return base + notePath; }
  void Folder(const std::string& notePath) { ASSERT_EQ(mkdir(File(notePath).c_str(), 0755), 0); }
  void Note(const std::string& notePath, const std::string& text) { WriteFileText(File(notePath), text); }
  bool IsDir(const std::string& path) { return g_file_test(path.c_str(), G_FILE_TEST_IS_DIR); }
  std::optional<std::string> Xattr(const std::string& path, const char* name) {
    char value[64];
    const ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::nullopt : std::optional<std::string>(std::string(value, n));
  }

  TempDir temp;
  std::string base;
  CTreeFiles files;
  std::string error;
};

TEST_F(TreeFilesTest, MovesNeverReplaceAnything) {
  Note("/a.md", "A");
  Note("/b.md", "B");
  Folder("/w");
  Note("/w/inner.md", "I");
  Folder("/v");
  const struct {
    const char *from, *to;
  } refused[] = {
      {"/a.md", "/b.md"},           // a note onto a note
      {"/w", "/v"},                 // a folder onto a folder: not put inside it
      {"/a.md", "/w"},              // a note onto a folder
      {"/w", "/w/sub"},             // a folder into itself
      {"/missing.md", "/c.md"},     // nothing to move
      {"/a.md", "/nowhere/a.md"},   // no such folder
  };
  for (const auto& c : refused) {
    error.clear();
    EXPECT_FALSE(files.Move(c.from, c.to, error)) << c.from << " -> " << c.to;
    EXPECT_FALSE(error.empty()) << c.from << " -> " << c.to;
  }
  EXPECT_EQ(ReadFileText(File("/a.md")), "A");
  EXPECT_EQ(ReadFileText(File("/b.md")), "B");
  EXPECT_EQ(ReadFileText(File("/w/inner.md")), "I");
  EXPECT_FALSE(PathExists(File("/v/w")));
  EXPECT_FALSE(PathExists(File("/w/sub")));
}

TEST_F(TreeFilesTest, MovesKeepContentAttributesAndLinks) {
  Note("/a.md", "A");
  Folder("/w");
  Note("/w/inner.md", "I");
  Folder("/v");
  const bool xattrs = setxattr(File("/a.md").c_str(), "user.qlorder", "5", 1, 0) == 0;
  Note("/target.md", "T");
  ASSERT_EQ(symlink(File("/target.md").c_str(), File("/link.md").c_str()), 0);

  EXPECT_TRUE(files.Move("/a.md", "/c.md", error)) << error;
  EXPECT_EQ(ReadFileText(File("/c.md")), "A");
  EXPECT_FALSE(PathExists(File("/a.md")));
  if (xattrs) {
    EXPECT_EQ(Xattr(File("/c.md"), "user.qlorder"), std::optional<std::string>("5"));
  }

  EXPECT_TRUE(files.Move("/w", "/v/w", error)) << error;
  EXPECT_EQ(ReadFileText(File("/v/w/inner.md")), "I");

  // The link moves as a link; its target stays where it is.
  EXPECT_TRUE(files.Move("/link.md", "/v/link.md", error)) << error;
  char target[512] = {};
  ASSERT_GT(readlink(File("/v/link.md").c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), File("/target.md"));
  EXPECT_EQ(ReadFileText(File("/target.md")), "T");
}

TEST_F(TreeFilesTest, CreationIsExclusive) {
  Note("/kept.md", "do not truncate");
  Folder("/w");
  EXPECT_TRUE(files.CreateNote("/new.md", error)) << error;
  EXPECT_TRUE(PathExists(File("/new.md")));
  EXPECT_EQ(ReadFileText(File("/new.md")), "");
  EXPECT_TRUE(files.MakeFolder("/w/sub", error)) << error;
  EXPECT_TRUE(IsDir(File("/w/sub")));

  EXPECT_FALSE(files.CreateNote("/kept.md", error));
  EXPECT_EQ(ReadFileText(File("/kept.md")), "do not truncate");
  EXPECT_FALSE(files.CreateNote("/w", error));
  EXPECT_FALSE(files.CreateNote("/nowhere/x.md", error));
  EXPECT_FALSE(files.MakeFolder("/w", error));
  EXPECT_FALSE(files.MakeFolder("/kept.md", error));
  EXPECT_FALSE(files.MakeFolder("/nowhere/x", error));
  EXPECT_FALSE(error.empty());
}

// What the trash holds can be put back: the content and the path it had.
TEST_F(TreeFilesTest, TrashKeepsWhatItTakes) {
  Note("/gone.md", "words");
  Folder("/f");
  Note("/f/inner.md", "more words");
  ASSERT_TRUE(files.CanTrash("/gone.md"));
  ASSERT_TRUE(files.CanTrash("/f"));

  ASSERT_TRUE(files.Trash("/gone.md", error)) << error;
  ASSERT_TRUE(files.Trash("/f", error)) << error;
  EXPECT_FALSE(PathExists(File("/gone.md")));
  EXPECT_FALSE(PathExists(File("/f")));
  EXPECT_EQ(ReadFileText(kData + "/Trash/files/gone.md"), "words");
  EXPECT_EQ(ReadFileText(kData + "/Trash/files/f/inner.md"), "more words");
  // The info file holds the original path (escaped as in a URI).
  const std::string info = ReadFileText(kData + "/Trash/info/gone.md.trashinfo");
  EXPECT_NE(info.find("\nPath=" + File("/gone.md") + "\n"), std::string::npos) << info;

  EXPECT_FALSE(files.Trash("/gone.md", error));  // nothing left to trash
  EXPECT_FALSE(error.empty());
}

// A system mount (tmpfs) has no trash: the tree must know before it asks.
TEST_F(TreeFilesTest, NoTrashWhereTheFileSystemHasNone) {
  struct stat shm, home;
  if (stat("/dev/shm", &shm) != 0 || stat(kData.c_str(), &home) != 0 || shm.st_dev == home.st_dev)
    GTEST_SKIP() << "no /dev/shm on a file system of its own";
  gchar* made = g_strdup("/dev/shm/quillon-test-XXXXXX");
  if (!g_mkdtemp(made)) {
    g_free(made);
    GTEST_SKIP() << "/dev/shm is not writable";
  }
  CTreeFiles shmFiles(made);
  WriteFileText(std::string(made) + "/n.md", "kept");
  EXPECT_FALSE(shmFiles.CanTrash("/n.md"));
  EXPECT_FALSE(shmFiles.Trash("/n.md", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFileText(std::string(made) + "/n.md"), "kept");
  EXPECT_TRUE(shmFiles.Delete("", error)) << error;  // the whole folder, for good
  EXPECT_FALSE(PathExists(made));
  g_free(made);
}

TEST_F(TreeFilesTest, DeleteForGoodNeverFollowsLinks) {
  const std::string outside = temp / "outside";
  mkdir(outside.c_str(), 0755);
  WriteFileText(outside + "/precious.md", "P");
  Folder("/f");
  Folder("/f/deep");
  Note("/f/deep/x.md", "X");
  Note("/f/y.md", "Y");
  ASSERT_EQ(symlink(outside.c_str(), File("/f/dirlink").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/precious.md").c_str(), File("/f/filelink.md").c_str()), 0);
  ASSERT_EQ(symlink(outside.c_str(), File("/toplink").c_str()), 0);

  EXPECT_TRUE(files.Delete("/f", error)) << error;
  EXPECT_FALSE(PathExists(File("/f")));
  EXPECT_TRUE(files.Delete("/toplink", error)) << error;
  EXPECT_FALSE(g_file_test(File("/toplink").c_str(), G_FILE_TEST_IS_SYMLINK));
  EXPECT_EQ(ReadFileText(outside + "/precious.md"), "P");

  EXPECT_FALSE(files.Delete("/f", error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
