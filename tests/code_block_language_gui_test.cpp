// The generated "markdownlisting" language: its file, its reuse, its
// failures, and that the editor's markdown highlights code blocks with it.
#include "editor/code_block_language.h"

#include <gtest/gtest.h>
#include <gtksourceviewmm.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "support/test_util.h"

namespace {

std::string Generate(const std::string& directory, std::string& printed) {
  testing::internal::CaptureStdout();
  std::string result = GenerateCodeBlockLanguage(directory);
  printed = testing::internal::GetCapturedStdout();
  return result;
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) ++n;
  return n;
}

}  // namespace

TEST(CodeBlockLanguageTest, WritesOneBlockPerVisibleLanguageThenReusesTheFile) {
  TempDir tmp;
  const std::string dir = tmp / "quillon.gsv", file = dir + "/markdownlisting.lang";
  std::string printed;
  ASSERT_EQ(Generate(dir, printed), dir);
  EXPECT_EQ(printed, "");
  struct stat info;
  ASSERT_EQ(stat(dir.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0777u);

  const std::string text = ReadFileText(file);
  auto manager = Gsv::LanguageManager::get_default();
  std::vector<std::string> ids;
  for (const auto& id : manager->get_language_ids())
    if (!manager->get_language(id)->get_hidden()) ids.push_back(id);
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<language id=\"markdownlisting\" "
                       "name=\"Markdown Code Listing\" version=\"2.0\" hidden=\"true\">\n <definitions>\n",
                       0),
            0u);
  std::string list = "  <context id=\"markdownlisting\">\n   <include>\n";
  for (const auto& id : ids) {
    EXPECT_EQ(Count(text, "  <context id=\"proxy-" + id + "\" class=\"no-spell-check mono\">\n   <start>^(```\\s*)(" +
                              id + "(\\s.*)?)$</start>\n"),
              1u)
        << id;
    EXPECT_EQ(Count(text, "     <context ref=\"" + id + ":" + id + "\" />\n"), 1u) << id;
    list += "    <context ref=\"proxy-" + id + "\"/>\n";
  }
  list += "    <context ref=\"proxy-fallback\"/>\n   </include>\n  </context> </definitions>\n</language>\n";
  EXPECT_EQ(text.substr(text.size() - list.size()), list);
  EXPECT_EQ(Count(text, "<context id=\"proxy-fallback\" class=\"no-spell-check mono\" style-ref=\"markdown:code\">"), 1u);

  // A second start reuses whatever the file holds.
  WriteFileText(file, "kept");
  ASSERT_EQ(Generate(dir, printed), dir);
  EXPECT_EQ(ReadFileText(file), "kept");
}

TEST(CodeBlockLanguageTest, FailuresAreReportedAndGiveNoDirectory) {
  TempDir tmp;
  std::string printed;
  EXPECT_EQ(Generate(tmp / "missing/parent", printed), "");
  EXPECT_EQ(printed, "Failed to create a temporary directory for syntax highlighting data.\n");
  // The name exists but is no directory: the file cannot be made in it.
  WriteFileText(tmp / "plain", "");
  EXPECT_EQ(Generate(tmp / "plain", printed), "");
  EXPECT_EQ(printed, "Failed to create a language definition for syntax highlighting data.\n");
}

// A file cut short would be reused by every later start: a write that
// fails leaves no file and no temporary behind.
TEST(CodeBlockLanguageTest, AFailedWriteLeavesNothingToReuse) {
  TempDir tmp;
  const std::string dir = tmp / "quillon.gsv";
  std::string printed;
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 256;  // bytes: the file is far longer
  auto previous = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string result = Generate(dir, printed);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(result, "");
  EXPECT_EQ(printed, "Failed to create a language definition for syntax highlighting data.\n");
  GDir* listing = g_dir_open(dir.c_str(), 0, nullptr);
  ASSERT_TRUE(listing);
  const char* left = g_dir_read_name(listing);
  EXPECT_EQ(left, nullptr) << left;
  g_dir_close(listing);

  // The next start writes it whole.
  ASSERT_EQ(Generate(dir, printed), dir);
  EXPECT_NE(ReadFileText(dir + "/markdownlisting.lang").find("</language>\n"), std::string::npos);
}

// A link planted under the file's name in the shared directory, pointing
// where no file is yet, is replaced, never written through.
TEST(CodeBlockLanguageTest, ALinkInPlaceOfTheFileIsNotFollowed) {
  TempDir tmp;
  const std::string dir = tmp / "quillon.gsv", victim = tmp / "victim.txt";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  ASSERT_EQ(symlink(victim.c_str(), (dir + "/markdownlisting.lang").c_str()), 0);
  std::string printed;
  ASSERT_EQ(Generate(dir, printed), dir);
  EXPECT_FALSE(PathExists(victim));
  struct stat info;
  ASSERT_EQ(lstat((dir + "/markdownlisting.lang").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
}

TEST(CodeBlockLanguageTest, MarkdownHighlightsFencedBlocksInTheirLanguage) {
  TempDir tmp;
  std::string printed;
  const std::string dir = Generate(tmp / "gsv", printed);
  auto manager = Gsv::LanguageManager::create();
  std::vector<std::string> path = manager->get_search_path();
  path.insert(path.begin(), std::string(QL_SOURCE_DIR) + "/sourceview/");
  path.insert(path.begin(), dir);
  manager->set_search_path(path);
  auto buffer = Gsv::Buffer::create(manager->get_language("markdown"));
  buffer->set_text("```cpp\nint main() { return 0; }\n```\n```markdown\n# inner **b**\n```\n```nolang\nx\n```\n");
  buffer->ensure_highlight(buffer->begin(), buffer->end());
  struct {
    int line, offset;
    const char* cls;
  } cases[] = {{0, 0, "cbstart"}, {0, 3, "cbtag"}, {1, 0, "mono"},  {2, 0, "cbend"},
               {4, 0, "prox"},    {6, 0, "cbstart"}, {6, 3, "cbtag"}, {7, 0, "mono"}};
  for (const auto& c : cases)
    EXPECT_TRUE(buffer->iter_has_context_class(buffer->get_iter_at_line_offset(c.line, c.offset), c.cls))
        << c.line << ":" << c.offset << " " << c.cls;
  // The block body is highlighted as C++: "int" carries a style tag.
  Gtk::TextIter keyword = buffer->get_iter_at_line(1);
  bool styled = false;
  for (const auto& tag : keyword.get_tags()) styled = styled || tag->property_foreground_set().get_value();
  EXPECT_TRUE(styled);
}
