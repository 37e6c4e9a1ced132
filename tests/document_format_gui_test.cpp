#include <gtest/gtest.h>

#include "drawing/base64.h"
#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "editor/notebook.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

// A real storage link, made by a drawing with two strokes.
std::string DrawingLink(float hue) {
  CBoundDrawing drawing{Glib::RefPtr<Gdk::Window>()};
  drawing.Resize(120, 80, 0, 0);
  CStroke stroke;
  stroke.color[0] = hue;
  stroke.color[3] = 1;
  for (int i = 0; i < 10; ++i) stroke.Append(10.0f + 5 * i, 20.0f + 3 * i, 2.5f);
  drawing.AddStroke(stroke, true, 0, 0);
  return drawing.Serialize();
}

class DocumentFormatTest : public ::testing::Test {
protected:
  void SetUp() override {
    notebook.Initialise(QL_SOURCE_DIR, false);
    window.add(notebook);
    window.show_all();
    RunUntilIdle();
    buffer = notebook.SourceBuffer();
  }
  void Load(const std::string& bytes) {
    buffer->begin_not_undoable_action();
    buffer->set_text("");
    Gtk::TextIter start = buffer->begin();
    DeserializeNote(buffer, start, bytes);
    buffer->end_not_undoable_action();
    RunUntilIdle();
  }
  std::string Save(bool plain = false) { return SerializeNote(buffer, buffer->begin(), buffer->end(), plain); }
  // Through the toolkit's call with the registered format, as the clipboard does.
  std::string Registered(const char* format) {
    gsize length = 0;
    auto* b = GTK_TEXT_BUFFER(buffer->gobj());
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(b, &start, &end);
    guint8* data = gtk_text_buffer_serialize(b, b, gdk_atom_intern(format, FALSE), &start, &end, &length);
    std::string bytes(reinterpret_cast<char*>(data), length);
    g_free(data);
    return bytes;
  }
  std::vector<int> DrawingOffsets() {
    std::vector<int> offsets;
    for (auto it = buffer->begin(); it != buffer->end(); ++it)
      if (auto anchor = it.get_child_anchor()) {
        auto widgets = anchor->get_widgets();
        if (!widgets.empty() && IsBoundDrawing(widgets.front())) offsets.push_back(it.get_offset());
      }
    return offsets;
  }

  Gtk::Window window;
  CNotebook notebook;
  Glib::RefPtr<Gsv::Buffer> buffer;
};

TEST_F(DocumentFormatTest, NotesRoundTripByteForByte) {
  const std::string a = DrawingLink(0.1f), b = DrawingLink(0.9f);
  struct {
    const char* name;
    std::string bytes;
    std::vector<int> drawings;  // character offsets of the drawings in the buffer
  } cases[] = {
      {"empty", "", {}},
      {"no final newline", "# Title\nlast line", {}},
      {"final newline", "# Title\n\n- [x] done\n- [ ] open\n", {}},
      {"CRLF line ends", "one\r\ntwo\r\n\r\n", {}},
      {"tabs and non-ASCII", "\tindented\n« Grüße » 日本語 😀\n", {}},
      {"drawing at the start", a + "\ntext\n", {0}},
      {"drawing at the end", "text\n" + a, {5}},
      {"drawings back to back", "x" + a + b + "y", {1, 2}},
      {"drawing inside a code block", "```\n" + a + "\n```\n", {4}},
      {"drawing mid-line", "before " + a + " after\n", {7}},
      {"link prefix without its colon", "see ![](ql here ![](qlx)", {}},
      {"ends with the six-byte prefix", "tail ![](ql", {}},
      {"link without closing parenthesis", "start " + a.substr(0, a.size() - 1), {}},
      {"a parenthesis after a broken link", "x ![](ql:12,AAAA) y\n", {2}},
      // Only digits, "," and base64 make a drawing; any other "![](ql:" is prose.
      {"prose about drawings", "Write ![](ql: to start a drawing (any time).\n", {}},
      {"prose, then a drawing", "Write ![](ql: to draw (x) " + a, {26}},
      {"no length", "![](ql:,AAAA) ![](ql:abc)", {}},
      {"a sign before the length", "![](ql:-12,AAAA)", {}},
      {"a blank in the payload", "![](ql:12, AAAA) ![](ql:12 ,AAAA)", {}},
      {"a character outside base64", "![](ql:12,AA!A) ![](ql:12,AA\nAA)", {}},
      {"a cut-short link, then a drawing", "![](ql:" + a, {7}},
      {"non-ASCII in the payload", "![](ql:12,\u00e9)", {}},
  };
  for (const auto& c : cases) {
    Load(c.bytes);
    EXPECT_EQ(DrawingOffsets(), c.drawings) << c.name;
    EXPECT_EQ(Save(), c.bytes) << c.name;
    EXPECT_EQ(Registered("text/quillon-markdown"), c.bytes) << c.name;
  }
}

TEST_F(DocumentFormatTest, OnlyTheChangedDrawingIsWrittenAnew) {
  const std::string a = DrawingLink(0.2f), b = DrawingLink(0.4f);
  Load("one " + a + " two " + b + " three");
  auto* second = IsBoundDrawing(buffer->get_iter_at_offset(DrawingOffsets()[1]).get_child_anchor()->get_widgets()[0]);
  ASSERT_NE(second, nullptr);
  CStroke stroke;
  stroke.color[3] = 1;
  stroke.Append(5, 5, 2);
  stroke.Append(30, 9, 2);
  second->AddStroke(stroke, true, 0, 0);
  std::string saved = Save();
  ASSERT_EQ(saved.rfind("one " + a + " two ![](ql:", 0), 0u);
  EXPECT_NE(saved.find(" three"), std::string::npos);
  EXPECT_EQ(saved.find(b), std::string::npos);
}

TEST_F(DocumentFormatTest, ExampleNotesRoundTrip) {
  int drawings = 0;
  for (const char* name : {"Welcome.md", "Tour.md", "Checklist.md", "Sketches.md", "Projects/Garden.md"}) {
    std::string bytes = ReadFileText(std::string(QL_SOURCE_DIR) + "/examples/" + name);
    ASSERT_FALSE(bytes.empty()) << name;
    Load(bytes);
    EXPECT_EQ(Save(), bytes) << name;
    drawings += int(DrawingOffsets().size());
  }
  EXPECT_EQ(drawings, 3);  // two in the sketches note, one in the welcome note
}

TEST_F(DocumentFormatTest, PlainTextGivesPngLinksAndTheSameText) {
  const std::string link = DrawingLink(0.5f);
  Load("# Sketch\n" + link + "\n*done*\n");
  std::string plain = Save(true);
  EXPECT_EQ(Registered("text/plain"), plain);
  const std::string prefix = "# Sketch\n![](data:image/png;base64,";
  ASSERT_EQ(plain.rfind(prefix, 0), 0u) << plain.substr(0, 80);
  size_t close = plain.find(')', prefix.size());
  ASSERT_NE(close, std::string::npos);
  EXPECT_EQ(plain.substr(close + 1), "\n*done*\n");
  auto png = Base64Decode(plain.substr(prefix.size(), close - prefix.size()));
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
}

TEST_F(DocumentFormatTest, RangesAndEmptyAnchors) {
  const std::string link = DrawingLink(0.3f);
  Load("ab" + link + "cd");
  auto at = [&](int offset) { return buffer->get_iter_at_offset(offset); };
  EXPECT_EQ(SerializeNote(buffer, at(1), at(2)), "b");     // the anchor at the end is left out
  EXPECT_EQ(SerializeNote(buffer, at(2), at(4)), link + "c");

  // An anchor without a drawing (a checkbox's, or one whose widget is gone) writes nothing.
  auto iter = at(0);
  buffer->create_child_anchor(iter);
  EXPECT_EQ(Save(), "ab" + link + "cd");
}

TEST_F(DocumentFormatTest, UnchangedDrawingsKeepTheirStoredLink) {
  // A payload written by hand keeps its exact text, whatever our encoder would make.
  const std::string link = DrawingLink(0.7f);
  Load(link + link);
  std::string first = Save();
  EXPECT_EQ(first, link + link);
}

}  // namespace
