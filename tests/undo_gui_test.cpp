// Undo and redo in the editor, while checkboxes and images get and lose
// their anchors and drawings are deleted and put back.
#include "editor/document_format.h"
#include "markup_fixture.h"

namespace {

class UndoTest : public MarkupTest {
protected:
  void Type(const std::string& keys) {
    for (char c : keys) Key(c == ' ' ? GDK_KEY_space : gdk_unicode_to_keyval(guint32(c)));
  }

  // Undoes (or redoes) until nothing is left; the number of steps.
  int All(bool undo) {
    int steps = 0;
    for (; (undo ? Buffer()->can_undo() : Buffer()->can_redo()) && steps < 100; ++steps) {
      undo ? Buffer()->undo() : Buffer()->redo();
      Settle();
    }
    return steps;
  }
};

TEST_F(UndoTest, TypedTaskStaysUndoableAfterItsCheckboxAppears) {
  Load("intro\n\nend", 6);
  Type("- [ ] milk");
  MoveCursor(0);
  ASSERT_TRUE(WidgetAt<Gtk::CheckButton>(8)) << VisibleText();
  EXPECT_TRUE(Buffer()->can_undo());
  EXPECT_EQ(Note(), "intro\n- [ ] milk\nend");

  int undone = All(true);
  EXPECT_EQ(std::string(Slice()), "intro\n\nend");
  EXPECT_EQ(All(false), undone);
  MoveCursor(0);
  EXPECT_EQ(Note(), "intro\n- [ ] milk\nend");
  EXPECT_TRUE(WidgetAt<Gtk::CheckButton>(8)) << VisibleText();

  // Typing after the box (its anchor came in between) undoes only that.
  MoveCursor(Buffer()->get_iter_at_line(1).get_offset() + 11);
  Type("s");
  MoveCursor(0);
  Buffer()->undo();
  Settle();
  EXPECT_EQ(Note(), "intro\n- [ ] milk\nend");
}

TEST_F(UndoTest, UndoPutsBackDeletedDrawingsAndCheckboxes) {
  std::string sketches;
  ASSERT_TRUE(ReadFileText(std::string(QL_SOURCE_DIR) + "/examples/Sketches.md", sketches));
  const std::string note = "- [x] done\n" + sketches;
  Open(note);
  ASSERT_EQ(Note(), note);
  int drawings = 0;
  for (Gtk::TextIter i = Buffer()->begin(); !i.is_end(); i.forward_char()) drawings += CNotebook::HoldsDrawing(i);
  ASSERT_GT(drawings, 0);
  ASSERT_TRUE(WidgetAt<Gtk::CheckButton>(2));

  Buffer()->begin_user_action();
  Buffer()->erase(Buffer()->begin(), Buffer()->end());
  Buffer()->end_user_action();
  Settle();
  EXPECT_EQ(Note(), "");

  Buffer()->undo();
  MoveCursor(Buffer()->end().get_offset());
  EXPECT_EQ(Note(), note);
  int restored = 0;
  for (Gtk::TextIter i = Buffer()->begin(); !i.is_end(); i.forward_char()) restored += CNotebook::HoldsDrawing(i);
  EXPECT_EQ(restored, drawings);
  EXPECT_TRUE(WidgetAt<Gtk::CheckButton>(2)) << VisibleText();

  // And once more the other way.
  Buffer()->redo();
  Settle();
  EXPECT_EQ(Note(), "");
  Buffer()->undo();
  Settle();
  EXPECT_EQ(Note(), note);
}

TEST_F(UndoTest, UndoingAJoinOfListLinesAddsNoMarker) {
  Load("- one\n- two", 5);
  Key(GDK_KEY_Delete);
  EXPECT_EQ(std::string(Slice()), "- one- two");
  Buffer()->undo();
  Settle();
  EXPECT_EQ(std::string(Slice()), "- one\n- two");
}

TEST_F(UndoTest, AWordTypedIsOneStep) {
  Load("note ", 5);
  Type("quick brown");
  Buffer()->undo();
  Settle();
  EXPECT_EQ(std::string(Slice()), "note quick ");
  Buffer()->undo();
  Buffer()->undo();
  Settle();
  EXPECT_EQ(std::string(Slice()), "note ");
}

TEST_F(UndoTest, OpeningANoteForgetsTheHistory) {
  Load("first", 5);
  Type("x");
  EXPECT_TRUE(Buffer()->can_undo());
  Load("second");
  EXPECT_FALSE(Buffer()->can_undo());
  EXPECT_FALSE(Buffer()->can_redo());
}

}  // namespace
