// The generated "markdownlisting" language: its file, its reuse, its
// failures, and that the editor's markdown highlights code blocks with it.
#include "editor/code_block_language.h"
#include "editor/fence_languages.h"
#include "editor/notebook.h"

#include <gtest/gtest.h>
#include <gtksourceviewmm.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

const std::set<std::string> kSome = {"cpp", "markdown", "python", "nolang", "def"};

std::string Generate(const std::string& root, std::string& printed, const std::set<std::string>& ids = kSome) {
  testing::internal::CaptureStdout();
  std::string result = GenerateCodeBlockLanguage(ids, root);
  printed = testing::internal::GetCapturedStdout();
  return result;
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) ++n;
  return n;
}

}  // namespace

// Blocks for the named ids that are installed and visible ("nolang" is
// none, "def" is hidden), in the toolkit's order.
TEST(CodeBlockLanguageTest, WritesOneBlockPerNamedVisibleLanguageThenReusesTheFile) {
  TempDir tmp;
  const std::string root = tmp / "quillon.gsv", dir = root + "/" + ListingDirectoryName(kSome),
                    file = dir + "/markdownlisting.lang";
  std::string printed;
  ASSERT_EQ(Generate(root, printed), dir);
  EXPECT_EQ(printed, "");
  struct stat info;
  for (const std::string& made : {root, dir}) {
    ASSERT_EQ(stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0777u) << made;
  }

  const std::string text = ReadFileText(file);
  auto manager = Gsv::LanguageManager::get_default();
  std::vector<std::string> ids;
  for (const auto& id : manager->get_language_ids())
    if (!manager->get_language(id)->get_hidden() && kSome.count(id)) ids.push_back(id);
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(text.find("proxy-nolang"), std::string::npos);
  EXPECT_EQ(text.find("proxy-def\""), std::string::npos);
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

  // A second start reuses whatever the file holds; another set has a
  // directory of its own.
  WriteFileText(file, "kept");
  ASSERT_EQ(Generate(root, printed), dir);
  EXPECT_EQ(ReadFileText(file), "kept");
  const std::string other = Generate(root, printed, {"python"});
  EXPECT_EQ(other, root + "/" + ListingDirectoryName({"python"}));
  EXPECT_NE(ReadFileText(other + "/markdownlisting.lang").find("proxy-python\""), std::string::npos);
  EXPECT_EQ(ReadFileText(file), "kept");
}

TEST(CodeBlockLanguageTest, FailuresAreReportedAndGiveNoDirectory) {
  TempDir tmp;
  std::string printed;
  EXPECT_EQ(Generate(tmp / "missing/parent", printed), "");
  EXPECT_EQ(printed, "Failed to create a temporary directory for syntax highlighting data.\n");
  // The name exists but is no directory: the set's directory cannot be
  // made in it.
  WriteFileText(tmp / "plain", "");
  EXPECT_EQ(Generate(tmp / "plain", printed), "");
  EXPECT_EQ(printed, "Failed to create a temporary directory for syntax highlighting data.\n");
  // The set's own name is taken by a file: no definition can be made in it.
  ASSERT_EQ(mkdir((tmp / "gsv").c_str(), 0777), 0);
  WriteFileText(tmp / "gsv" + "/" + ListingDirectoryName(kSome), "");
  EXPECT_EQ(Generate(tmp / "gsv", printed), "");
  EXPECT_EQ(printed, "Failed to create a language definition for syntax highlighting data.\n");
}

// A file cut short would be reused by every later start: a write that
// fails leaves no file and no temporary behind.
TEST(CodeBlockLanguageTest, AFailedWriteLeavesNothingToReuse) {
  TempDir tmp;
  const std::string root = tmp / "quillon.gsv", dir = root + "/" + ListingDirectoryName(kSome);
  std::string printed;
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 256;  // bytes: the file is far longer
  auto previous = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string result = Generate(root, printed);
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
  ASSERT_EQ(Generate(root, printed), dir);
  EXPECT_NE(ReadFileText(dir + "/markdownlisting.lang").find("</language>\n"), std::string::npos);
}

// A link planted under the file's name in the shared directory, pointing
// where no file is yet, is replaced, never written through.
TEST(CodeBlockLanguageTest, ALinkInPlaceOfTheFileIsNotFollowed) {
  TempDir tmp;
  const std::string root = tmp / "quillon.gsv", dir = root + "/" + ListingDirectoryName(kSome),
                    victim = tmp / "victim.txt";
  ASSERT_EQ(mkdir(root.c_str(), 0777), 0);
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  ASSERT_EQ(symlink(victim.c_str(), (dir + "/markdownlisting.lang").c_str()), 0);
  std::string printed;
  ASSERT_EQ(Generate(root, printed), dir);
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

namespace {

// A shown editor over a note, with its generated languages in a folder of
// the test's own.
struct OpenNote {
  TempDir tmp;
  Gtk::Window window;
  Gtk::ScrolledWindow scroll;
  CNotebook notebook;
  explicit OpenNote(const std::string& text) {
    notebook.listing_root = tmp / "gsv";
    notebook.Initialise(QL_SOURCE_DIR, true);
    scroll.add(notebook);
    window.add(scroll);
    window.set_default_size(600, 400);
    window.show_all();
    notebook.SourceBuffer()->set_text(text);
    RunUntilIdle();
  }
  ~OpenNote() { scroll.remove(); }
  bool Class(int line, int offset, const char* cls) {
    auto buffer = notebook.SourceBuffer();
    buffer->ensure_highlight(buffer->begin(), buffer->end());
    return buffer->iter_has_context_class(buffer->get_iter_at_line_offset(line, offset), cls);
  }
  void Type(const std::string& text) {
    for (gunichar c : Glib::ustring(text)) {
      notebook.SourceBuffer()->insert_interactive_at_cursor(Glib::ustring(1, c), true);
      RunFor(5);
    }
  }
};

}  // namespace

// Highlighted code inside a block is what only the block's own language
// gives: its comment context, which the plain fallback block lacks.
TEST(CodeBlockLanguageTest, ALanguageTypedIntoAnOpenNoteGetsHighlighted) {
  OpenNote note("# Note\n```python\n# said in python\n```\n");
  EXPECT_EQ(note.notebook.ListingLanguages(), std::set<std::string>{"python"});
  EXPECT_TRUE(note.Class(2, 3, "comment"));

  auto buffer = note.notebook.SourceBuffer();
  buffer->place_cursor(buffer->end());
  note.Type("```rust\nfn main() {} // said in rust\n```\n");
  // Typed character by character, the fence named "r" and "ru" on its way.
  EXPECT_TRUE(RunUntil([&] { return note.notebook.ListingLanguages().count("rust") > 0; }, 5000));
  RunUntilIdle();
  EXPECT_EQ(note.notebook.ListingLanguages(), (std::set<std::string>{"python", "r", "rust"}));
  EXPECT_TRUE(note.Class(4, 0, "cbstart"));
  EXPECT_TRUE(note.Class(5, 20, "comment"));
  EXPECT_TRUE(note.Class(2, 3, "comment"));  // the earlier block still is
  EXPECT_TRUE(note.Class(0, 2, "extra-space"));
}

// A note put in at once (opened, pasted) brings its languages in before
// the next frame; names that are no language change nothing.
TEST(CodeBlockLanguageTest, ALoadedNoteBringsItsLanguagesAtOnce) {
  OpenNote note("plain\n");
  EXPECT_TRUE(note.notebook.ListingLanguages().empty());
  auto before = note.notebook.LanguageManager();
  note.notebook.SourceBuffer()->set_text("```text\nx\n```\n```nolang\ny\n```\n");
  RunUntilIdle();
  EXPECT_TRUE(note.notebook.ListingLanguages().empty());
  EXPECT_EQ(note.notebook.LanguageManager(), before);

  // Already so when the next frame draws the note.
  std::vector<std::set<std::string>> drawn;
  auto watch = note.notebook.signal_draw().connect(
      [&](const Cairo::RefPtr<Cairo::Context>&) {
        drawn.push_back(note.notebook.ListingLanguages());
        return false;
      },
      false);
  note.notebook.SourceBuffer()->set_text("```c\n/* in c */\n```\n");
  RunUntilIdle();
  watch.disconnect();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), std::set<std::string>{"c"});
  EXPECT_EQ(note.notebook.ListingLanguages(), std::set<std::string>{"c"});
  EXPECT_TRUE(note.Class(1, 3, "comment"));
  auto path = note.notebook.LanguageManager()->get_search_path();
  ASSERT_GE(path.size(), 2u);
  EXPECT_EQ(path[0], note.tmp / "gsv" + "/" + ListingDirectoryName({"c"}));
  EXPECT_EQ(path[1], std::string(QL_SOURCE_DIR) + "/sourceview/");
}

// Without the highlighting flag nothing is generated, whatever the note names.
TEST(CodeBlockLanguageTest, WithoutTheFlagNothingIsGenerated) {
  TempDir tmp;
  CNotebook notebook;
  notebook.listing_root = tmp / "gsv";
  notebook.Initialise(QL_SOURCE_DIR, false);
  notebook.SourceBuffer()->set_text("```python\nx\n```\n");
  RunUntilIdle();
  EXPECT_TRUE(notebook.ListingLanguages().empty());
  EXPECT_FALSE(PathExists(tmp / "gsv"));
}
