#include <gtest/gtest.h>

#include "app/note_link.h"

TEST(NoteLink, ResolvesAgainstTheOpenNotesFolderInsideTheBase) {
  struct {
    const char* open;
    const char* target;
    const char* expected;
  } cases[] = {
      {"/a/b.md", "c.md", "/a/c.md"},
      {"/a/b.md", "../c.md", "/c.md"},
      {"/a/b.md", "../../c.md", "/c.md"},
      {"/a/b.md", "../../../../etc/passwd", "/etc/passwd"},
      {"/a/b.md", "./d/./e.md", "/a/d/e.md"},
      {"/a/b.md", "d//e.md", "/a/d/e.md"},
      {"/top.md", "x/y.md", "/x/y.md"},
      {"", "c.md", "/c.md"},
      {"/a/b.md", "..", "/"},
      // Absolute targets start from the base, never from the disk's root.
      {"/a/b.md", "/c.md", "/c.md"},
      {"/a/b.md", "/../outside.md", "/outside.md"},
      {"/a/b.md", "/a/../../../etc/passwd", "/etc/passwd"},
      {"", "//x/./y.md", "/x/y.md"},
  };
  for (const auto& c : cases) EXPECT_EQ(note_link::Resolve(c.open, c.target), c.expected) << c.open << " + " << c.target;
}

TEST(NoteLink, Scheme) {
  struct {
    const char* target;
    const char* scheme;
  } cases[] = {
      {"https://example.org/x", "https"}, {"mailto:someone@example.org", "mailto"},
      {"/a/b.md", ""},                    {"c.md", ""},
      {"../c.md", ""},                    {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(note_link::Scheme(c.target), c.scheme) << c.target;
}
