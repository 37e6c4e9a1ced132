#include "tree/tree_rules.h"

#include <gtest/gtest.h>

#include <string>

TEST(TreeRules, WhichNamesAreNotes) {
  struct Case {
    const char* name;
    bool hidden, note;
    const char* stem;
  } cases[] = {
      {"a.md", false, true, "a"},          {"b.md.md", false, false, ""},
      {"c.MD", false, false, ""},          {".hidden.md", true, true, ".hidden"},
      {"notes.txt", false, false, ""},     {"ab", false, false, ""},
      {"x.mdx", false, false, ""},         {".md", true, true, ""},
      {"a b.md", false, true, "a b"},
  };
  for (const Case& c : cases) {
    std::string stem;
    EXPECT_EQ(IsHiddenName(c.name), c.hidden) << c.name;
    EXPECT_EQ(IsNoteName(c.name, &stem), c.note) << c.name;
    if (c.note) {
      EXPECT_EQ(stem, c.stem) << c.name;
    }
  }
}

TEST(TreeRules, OrderKeysPlaceRowsAsText) {
  struct Case {
    const char *orderA, *nameA, *orderB, *nameB;
    int expected;
  } cases[] = {
      {"a", "zeta", "", "beta", -1},  // the order key wins over the name
      {"a", "Zeta", "", "beta", -1},
      {"", "beta", "a", "zeta", 1},
      {"10", "x", "9", "y", -1},       // keys are text, not numbers
      {"", "same", "", "same", 1},     // never equal
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareSortKeys(SortKey(c.orderA, c.nameA), SortKey(c.orderB, c.nameB)), c.expected)
        << c.nameA << " vs " << c.nameB;
  }
}

TEST(TreeRules, PathLeadsOnlyIntoWholeFolderNames) {
  EXPECT_TRUE(PathLeadsTo("/Work", "/Work/Ideas.md"));
  EXPECT_TRUE(PathLeadsTo("/Work/Ideas.md", "/Work/Ideas.md"));
  EXPECT_FALSE(PathLeadsTo("/Work", "/Workshop/Ideas.md"));
  EXPECT_FALSE(PathLeadsTo("/Work/Ideas.md", "/Work"));
}

TEST(TreeRules, UsableNames) {
  EXPECT_TRUE(IsUsableName("Ideas"));
  EXPECT_TRUE(IsUsableName("it's $(odd) `name`"));
  EXPECT_FALSE(IsUsableName(""));
  EXPECT_FALSE(IsUsableName("a/b"));
}
