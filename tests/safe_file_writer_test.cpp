#include <gtest/gtest.h>

#include <cerrno>

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

}  // namespace
