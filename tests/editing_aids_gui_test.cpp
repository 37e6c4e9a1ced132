// List continuation, search and link lookup in the editor.
#include "markup_fixture.h"

using EditingAidsTest = MarkupTest;

TEST_F(EditingAidsTest, EnterContinuesListsAndQuotes) {
  struct {
    const char* before;
    int cursor;  // -1: end
    const char* typed;
    bool shift;
    const char* after;
  } cases[] = {
      {"3. three", -1, "\n", false, "3. three\n4. "},
      {"  * star", -1, "\n", false, "  * star\n  * "},
      {"\t\t- tabbed", -1, "\n", false, "\t\t- tabbed\n  - "},
      {"12.\ttwelve", -1, "\n", false, "12.\ttwelve\n13. "},
      {"+5. plus", -1, "\n", false, "+5. plus\n6. "},
      {"> quote", -1, "\n", false, "> quote\n> "},
      {"intro\n- ", -1, "\n", false, "intro\n"},
      {"intro\n7. ", -1, "\n", false, "intro\n"},
      {"intro\n> ", -1, "\n", false, "intro\n"},
      {"-1. negative", -1, "\n", false, "-1. negative\n"},
      {"0. zero", -1, "\n", false, "0. zero\n"},
      {"*\ttab after star", -1, "\n", false, "*\ttab after star\n"},
      {"-- dashes", -1, "\n", false, "-- dashes\n"},
      {"plain", -1, "\n", false, "plain\n"},
      {"- item", -1, "\n", true, "- item\n"},
      {"- item", 3, "\n", false, "- i\ntem"},
      {"- item", -1, "pasted\n", false, "- itempasted\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    Load(c.before, c.cursor);
    notebook.last_key_state = c.shift ? GDK_SHIFT_MASK : 0;
    Buffer()->insert_interactive_at_cursor(c.typed);
    EXPECT_EQ(Slice(), c.after);
    // The cursor stays after what was inserted.
    if (c.cursor < 0) {
      EXPECT_TRUE(Buffer()->get_insert()->get_iter().is_end());
    }
  }
}

TEST_F(EditingAidsTest, FindWrapsBothWays) {
  Load("Alpha beta ALPHA gamma alpha", 0);
  struct {
    bool forward, skip;
    int start;
  } steps[] = {{true, false, 0}, {true, true, 11}, {true, true, 23}, {true, true, 0}, {false, true, 23},
               {false, true, 11}, {true, false, 11}};
  for (const auto& s : steps) {
    ASSERT_TRUE(notebook.Find("alpha", s.forward, s.skip));
    Gtk::TextIter start, end;
    Buffer()->get_selection_bounds(start, end);
    EXPECT_EQ(start.get_offset(), s.start);
    EXPECT_EQ(end.get_offset(), s.start + 5);
    EXPECT_EQ(Buffer()->get_insert()->get_iter().get_offset(), s.start);  // cursor at the match's start
  }
  EXPECT_FALSE(notebook.Find("delta", true, true));
  EXPECT_EQ(Buffer()->get_insert()->get_iter().get_offset(), 11);

  Load("one two three", 0);
  for (bool forward : {true, false, true}) {
    ASSERT_TRUE(notebook.Find("two", forward, true));
    EXPECT_EQ(Buffer()->get_insert()->get_iter().get_offset(), 4);
  }
}

TEST_F(EditingAidsTest, LinkAtGivesTheTarget) {
  const Glib::ustring text = "see [the label](notes/other.md) or <https://example.org/x> or plain";
  // Cursor inside the link, so that its target shows and can be pointed at.
  Load(text, 6);
  struct {
    const char* needle;
    const char* target;
  } cases[] = {{"the label", "notes/other.md"},
               {"other.md", "notes/other.md"},
               {"example.org", "https://example.org/x"},
               {"plain", ""},
               {"see", ""}};
  for (const auto& c : cases) {
    int offset = int(text.find(c.needle));
    Gdk::Rectangle box;
    notebook.get_iter_location(At(offset + 1), box);
    EXPECT_EQ(notebook.LinkAt(box.get_x() + 1, box.get_y() + box.get_height() / 2), c.target) << c.needle;
  }
}
