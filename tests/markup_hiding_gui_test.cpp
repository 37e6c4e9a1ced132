// Markup hiding with the real highlighter: what the reader sees with the
// cursor away from a construct and inside it, cursor adjustment, stale
// regions, and full rendering switched off and on.
#include "editor/document_format.h"
#include "markup_fixture.h"

namespace {

const char kFar[] = "\n\nfar away\n";

struct Construct {
  const char* source;  // first line of the note
  int inside;          // a cursor offset inside it
  const char* away;    // what is visible of it with the cursor away
};

const Construct kConstructs[] = {
    {"# Title", 3, "Title"},
    {"### Third ##", 5, "Third"},
    {"Some **bold** text", 8, "Some bold text"},
    {"Some __bold__ text", 8, "Some bold text"},
    {"an *em* b", 4, "an em b"},
    {"an _em_ b", 4, "an em b"},
    {"~~gone~~ now", 3, "gone now"},
    {"use `code` here", 6, "use code here"},
    {"see [label](notes/other.md) now", 6, "see label now"},
    {"mail <https://example.org> now", 8, "mail https://example.org now"},
    {"- [ ] open", 3, "- @ open"},
    {"- [x] done", 3, "- @ done"},
    {"* [X] upper", 3, "* @ upper"},
    {"+ [ ] plus", 3, "+ @ plus"},
    {"look ![alt](nowhere.png) here", 8, "look @ here"},
    // Touching another region, an image would share its "prox" run: it
    // stays markdown rather than vanish.
    {"![a](x.png)![b](y.png)", 3, "@![b](y.png)"},
    {"**b**![i](x.png)", 3, "b![i](x.png)"},
    // What begins like a drawing but stayed text is shown as it stands.
    {"see ![](ql:note) now", 6, "see ![](ql:note) now"},
    {"Write ![](ql: to draw (any time).", 8, "Write ![](ql: to draw (any time)."},
    {"> quoted", 1, "quoted"},
    {"---", 1, ""},
    {"```c\nint x;\n```", 7, "```c\nint x;\n```"},
};

}  // namespace

TEST_F(MarkupTest, ConstructsHideAwayFromTheCursorAndShowInside) {
  for (const auto& c : kConstructs) {
    SCOPED_TRACE(c.source);
    Load(std::string(c.source) + kFar);
    EXPECT_EQ(VisibleText(), std::string(c.away) + kFar);
    // An anchor is inserted before widget regions and nowhere else.
    int anchors = 0;
    for (gunichar ch : Slice()) anchors += ch == 0xFFFC;
    EXPECT_EQ(anchors, int(std::string(c.away).find('@') != std::string::npos));

    int inside = c.inside + anchors;  // the anchor lies in front of the cursor offset
    MoveCursor(inside);
    EXPECT_EQ(VisibleText(), std::string(c.source) + kFar);
    EXPECT_EQ(SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()), std::string(c.source) + kFar);

    MoveCursor(Buffer()->end().get_offset());
    EXPECT_EQ(VisibleText(), std::string(c.away) + kFar);
  }
}

TEST_F(MarkupTest, CursorRightAfterARegionCountsAsInside) {
  Load("a **b** c");
  MoveCursor(7);  // after the closing markup
  EXPECT_EQ(VisibleText(), "a **b** c");
}

TEST_F(MarkupTest, CursorIsAdjustedWhenEnteringHiddenMarkup) {
  // Left lands the toolkit's cursor before the hidden closing markup; it
  // belongs after it. Right from the left stays where it is. A click after
  // the visible text acts like Left.
  struct {
    const char* text;
    int from;
    guint key;
    int expected;
  } cases[] = {
      {"x **bold**. z", 11, GDK_KEY_Left, 10},
      {"x **bold** z", 1, GDK_KEY_Right, 2},
      {"a bold and more words\na **bold**", 21, GDK_KEY_Down, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Load(c.text, c.from);
    ASSERT_NE(VisibleText(), c.text);
    Key(c.key);
    EXPECT_EQ(Buffer()->get_insert()->get_iter().get_offset(), c.expected);
    EXPECT_EQ(VisibleText(), c.text);
  }
}

TEST_F(MarkupTest, ClickAfterVisibleTextLandsAfterHiddenMarkup) {
  Load("x **bold** z");
  ASSERT_EQ(VisibleText(), "x bold z");
  notebook.last_key = GDK_KEY_a;
  GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
  press->button.window = GDK_WINDOW(g_object_ref(notebook.get_window(Gtk::TEXT_WINDOW_TEXT)->gobj()));
  press->button.button = 1;
  gdk_event_set_device(press, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_widget_event(GTK_WIDGET(notebook.gobj()), press);
  gdk_event_free(press);
  EXPECT_EQ(notebook.last_key, 0u);  // a press forgets the last key
  // Where the toolkit puts a click just past "bold": the trailing side of
  // "d", which is the start of the hidden markup.
  Gtk::TextIter clicked = At(0);
  for (int x = 0; x < 400 && clicked.get_offset() < 8; ++x) {
    int trailing = 0;
    notebook.get_iter_at_position(clicked, trailing, x, 5);
    clicked.forward_chars(trailing);
  }
  ASSERT_EQ(clicked.get_offset(), 8);
  Buffer()->place_cursor(clicked);
  Settle();
  EXPECT_EQ(Buffer()->get_insert()->get_iter().get_offset(), 10);
  EXPECT_EQ(VisibleText(), "x **bold** z");
}

TEST_F(MarkupTest, SelectingShowsNothingFindDoes) {
  Load("one **two** three");
  Buffer()->select_range(At(4), At(11));
  Settle();
  EXPECT_EQ(VisibleText(), "one two three");
  Buffer()->place_cursor(Buffer()->end());
  ASSERT_TRUE(notebook.Find("TWO", false, true));
  Settle();
  EXPECT_EQ(VisibleText(), "one **two** three");
}

TEST_F(MarkupTest, EditsThatEndARegionPruneIt) {
  Load("**bold** tail\n- [ ] box\nend");
  ASSERT_EQ(VisibleText(), "bold tail\n- @ box\nend");
  // Still away from the cursor: neither edit puts the cursor in a region.
  Buffer()->erase(At(7), At(8));
  Gtk::TextIter bracket = At(15);
  ASSERT_EQ(bracket.get_char(), gunichar(0xFFFC));
  bracket.forward_char();
  Buffer()->insert(bracket, "y");
  Settle();
  EXPECT_EQ(VisibleText(), "**bold* tail\n- y[ ] box\nend");
  EXPECT_EQ(Slice(), "**bold* tail\n- y[ ] box\nend");
}

TEST_F(MarkupTest, CheckboxTicksTheTextUndoably) {
  const std::string note = "- [ ] milk\n* [X] eggs\n\nend";
  Load(note);
  auto* first = WidgetAt<Gtk::CheckButton>(2);
  auto* second = WidgetAt<Gtk::CheckButton>(14);
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_FALSE(first->get_active());
  EXPECT_TRUE(second->get_active());
  EXPECT_EQ(SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()), note);

  first->set_active(true);
  Settle();
  EXPECT_EQ(SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()), "- [x] milk\n* [X] eggs\n\nend");
  // Upper-case X becomes x after two clicks.
  second->set_active(false);
  Settle();
  second = WidgetAt<Gtk::CheckButton>(14);
  ASSERT_TRUE(second);
  second->set_active(true);
  Settle();
  EXPECT_EQ(SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()), "- [x] milk\n* [x] eggs\n\nend");

  // Undo takes the ticks back one by one; it puts the cursor into the box,
  // whose markup then shows.
  Buffer()->undo();
  Buffer()->undo();
  Buffer()->undo();
  Settle();
  EXPECT_EQ(SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()), note);
  MoveCursor(Buffer()->end().get_offset());
  ASSERT_TRUE(WidgetAt<Gtk::CheckButton>(2));
  EXPECT_FALSE(WidgetAt<Gtk::CheckButton>(2)->get_active());
  EXPECT_EQ(VisibleText(), "- @ milk\n* @ eggs\n\nend");
}

TEST_F(MarkupTest, FullRenderingOffShowsThePlainSource) {
  const std::string note = "# Head\n- [ ] box\n![i](x.png)\n**b** and `c`\n---\n\nend";
  Load(note);
  const std::string rendered = VisibleText();
  ASSERT_NE(rendered, note);
  notebook.DisableFullRendering();
  Settle();
  EXPECT_EQ(VisibleText(), note);
  EXPECT_EQ(Slice(), note);  // no anchors left
  notebook.EnableFullRendering();
  Settle();
  EXPECT_EQ(VisibleText(), rendered);
  EXPECT_TRUE(WidgetAt<Gtk::CheckButton>(9));
}

TEST_F(MarkupTest, RegionAtTheVeryStartPrunesWhenRenderingGoesOff) {
  // A region covering the whole buffer has no "prox" toggle around it.
  Load("![i](x.png)", 0);
  MoveCursor(Buffer()->end().get_offset());
  Buffer()->insert(Buffer()->end(), "");
  notebook.DisableFullRendering();
  Settle();
  EXPECT_EQ(Slice(), "![i](x.png)");
  EXPECT_EQ(VisibleText(), "![i](x.png)");
}

TEST_F(MarkupTest, SwitchingTheNoteWithAnchorsPendingIsHarmless) {
  Buffer()->set_text("intro\n- [ ] a\n- [ ] b\n\nend");
  Buffer()->place_cursor(Buffer()->end());
  Buffer()->ensure_highlight(Buffer()->begin(), Buffer()->end());  // anchors now wait for idle time
  Load("plain words only, nothing to render at all\n");
  EXPECT_EQ(Slice(), "plain words only, nothing to render at all\n");
}

TEST_F(MarkupTest, DrawingsNeverServeAsWidgetAnchors) {
  Load("");
  Gtk::TextIter start = Buffer()->begin();
  // A drawing link right in front of an image link.
  ASSERT_TRUE(DeserializeNote(Buffer(), start, "![](ql:0,)![i](x.png)\n\nend"));
  Buffer()->place_cursor(Buffer()->end());
  Settle();
  const std::string saved = SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end());
  EXPECT_NE(saved.find("![i](x.png)"), std::string::npos) << saved;
  EXPECT_EQ(saved.rfind("![](ql:", 0), 0u) << saved;
}
