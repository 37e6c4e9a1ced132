// Which languages a note's fences ask for, and which of them a new
// code-block language must add.
#include "editor/fence_languages.h"

#include <gtest/gtest.h>

using Names = std::set<std::string>;

TEST(FenceLanguagesTest, TakesTheFirstWordAfterAnOpeningFence) {
  struct {
    const char* text;
    Names names;
  } cases[] = {
      {"```python\nx = 1\n```\n", {"python"}},
      {"```  cpp extra words\n```", {"cpp"}},               // blanks before, words after
      {"```\t\tsh\n", {"sh"}},                               // tabs count as blanks
      {"```c\r\nint x;\r\n```\r\n", {"c"}},                   // a CRLF note
      {"```rust", {"rust"}},                                   // last line without break
      {"```\ncode\n```\n", {}},                                // a plain block, and its end
      {"```   \n", {}},                                        // only blanks after the fence
      {" ```python\n", {}},                                    // not at the line start
      {"``python\n", {}},                                      // two backquotes
      {"text ```python\n", {}},
      {"```c-sharp\n```objj\n```c++\n```f#\n", {"c-sharp", "objj", "c++", "f#"}},
      {"```<b>\n```a\"b\n```x/y\n", {}},                        // never an id: kept out of the file
      {"```py\n```py\n```js\n", {"py", "js"}},
      {"a\n```yaml\n\n```json {title}\n", {"yaml", "json"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(FenceLanguages(c.text), c.names) << c.text;
  EXPECT_EQ(FenceLanguages("```" + std::string(65, 'a') + "\n"), Names());
}

TEST(FenceLanguagesTest, AddsOnlyInstalledLanguagesNotYetCovered) {
  const Names installed = {"c", "cpp", "python", "rust", "r"};
  struct {
    Names named, covered, add;
  } cases[] = {
      {{"python"}, {}, {"python"}},
      {{"python", "rust"}, {"python"}, {"rust"}},
      {{"python"}, {"python"}, {}},
      {{"ru", "rus"}, {"python"}, {}},  // on the way to "rust": nothing to compile
      {{"r", "text"}, {}, {"r"}},
      {{}, {"c"}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguagesToAdd(c.named, c.covered, installed), c.add);
}

TEST(FenceLanguagesTest, OneDirectoryPerSet) {
  Names a = {"python", "c"}, b;
  b.insert("c");
  b.insert("python");
  EXPECT_EQ(ListingDirectoryName(a), ListingDirectoryName(b));
  // Sets that differ, also ones whose names would join alike.
  const Names others[] = {{}, {"c"}, {"python"}, {"c", "python", "rust"}, {"cpython"}, {"c\npython"}};
  std::set<std::string> seen = {ListingDirectoryName(a)};
  for (const auto& other : others) EXPECT_TRUE(seen.insert(ListingDirectoryName(other)).second);
  for (const auto& name : seen) EXPECT_EQ(name.find('/'), std::string::npos) << name;
}
