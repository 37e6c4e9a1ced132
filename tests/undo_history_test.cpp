// The undo history against a model buffer: user edits are recorded, the
// editor's anchors ('@') come and go unrecorded, and undo and redo must
// still take back exactly the user's text.
#include <gtest/gtest.h>

#include <random>

#include "editor/undo_history.h"

namespace {

SUndoContent Content(const std::string& text) {
  SUndoContent content;
  content.text = text;
  content.length = int(text.size());
  return content;
}

std::string WithoutAnchors(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '@'), text.end());
  return text;
}

struct Model {
  std::string text;
  CUndoHistory history;

  void Type(int at, const std::string& chars) {
    history.BeginAction();
    history.Inserted(at, Content(chars));
    text.insert(size_t(at), chars);
    history.EndAction();
  }
  void Delete(int at, int count) {
    history.BeginAction();
    history.Deleted(at, Content(text.substr(size_t(at), size_t(count))));
    text.erase(size_t(at), size_t(count));
    history.EndAction();
  }
  void PlaceAnchor(int at) {
    history.ObjectInserted(at);
    text.insert(size_t(at), "@");
  }
  void EraseAnchor(int at) {
    history.ObjectErased(at);
    text.erase(size_t(at), 1);
  }
  void Undo() {
    auto& step = history.NextUndo();
    for (auto r = step.rbegin(); r != step.rend(); ++r) {
      if (r->insert) {
        r->content = Content(text.substr(size_t(r->offset), size_t(r->length)));
        text.erase(size_t(r->offset), size_t(r->length));
      } else {
        text.insert(size_t(r->offset), r->content.text);
      }
    }
    history.Undone();
  }
  void Redo() {
    auto& step = history.NextRedo();
    for (auto& r : step) {
      if (r.insert) {
        text.insert(size_t(r.offset), r.content.text);
        r.length = r.content.length;
      } else {
        r.content = Content(text.substr(size_t(r.offset), size_t(r.length)));
        text.erase(size_t(r.offset), size_t(r.length));
      }
    }
    history.Redone();
  }
};

TEST(UndoHistoryTest, TypingMergesByWordAndDeletingByRun) {
  Model m;
  for (char c : std::string("hello world")) m.Type(int(m.text.size()), std::string(1, c));
  EXPECT_EQ(m.history.UndoSteps().size(), 3u);  // "hello", " ", "world"
  m.Undo();
  EXPECT_EQ(m.text, "hello ");
  m.Redo();
  // Backspace three times, then the Delete key twice at the start.
  for (int i = 0; i < 3; ++i) m.Delete(int(m.text.size()) - 1, 1);
  m.Delete(0, 1);
  m.Delete(0, 1);
  EXPECT_EQ(m.text, "llo wo");
  m.Undo();
  EXPECT_EQ(m.text, "hello wo");
  m.Undo();
  EXPECT_EQ(m.text, "hello world");
  // A break (the cursor moved) starts a new step.
  m.Type(5, "!");
  m.history.Break();
  m.Type(6, "?");
  m.Undo();
  EXPECT_EQ(m.text, "hello! world");
}

TEST(UndoHistoryTest, AnchorsAtTheEdgesStayOutsideAndInsideAreTakenAlong) {
  struct Case {
    const char* name;
    int anchor;  // placed after typing "abc" at 2 into "xxyy"
    const char* afterUndo;
  } cases[] = {
      {"before the typed text", 2, "xx@yy"},
      {"inside it", 3, "xxyy"},
      {"after it", 5, "xx@yy"},
      {"far before", 0, "@xxyy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Model m;
    m.text = "xxyy";
    m.Type(2, "abc");
    m.PlaceAnchor(c.anchor);
    m.Undo();
    EXPECT_EQ(m.text, c.afterUndo);
    m.Redo();
    EXPECT_EQ(WithoutAnchors(m.text), "xxabcyy");
  }
  // A deletion undone puts its text back in front of an anchor placed at
  // the point.
  Model m;
  m.text = "ab[ ]";
  m.Delete(0, 2);
  m.PlaceAnchor(0);
  m.Undo();
  EXPECT_EQ(m.text, "ab@[ ]");
}

TEST(UndoHistoryTest, RandomEditsWithAnchorsUndoAndRedoExactly) {
  std::mt19937 rng(3);
  for (int round = 0; round < 300; ++round) {
    Model m;
    m.text = "The quick brown fox.";
    const std::string initial = m.text;
    std::vector<std::string> states = {WithoutAnchors(m.text)};
    for (int op = 0; op < 30; ++op) {
      int size = int(m.text.size());
      switch (rng() % 5) {
        case 0:
        case 1:
          m.Type(int(rng() % unsigned(size + 1)), std::string(1, char('a' + rng() % 26)));
          break;
        case 2:
          if (size > 0) {
            int at = int(rng() % unsigned(size));
            m.Delete(at, 1 + int(rng() % unsigned(std::min(4, size - at))));
          }
          break;
        case 3:
          m.PlaceAnchor(int(rng() % unsigned(size + 1)));
          continue;
        case 4: {
          size_t at = m.text.find('@');
          if (at != std::string::npos) m.EraseAnchor(int(at));
          continue;
        }
      }
      m.history.Break();  // one step per edit
      states.push_back(WithoutAnchors(m.text));
    }
    const std::string final = WithoutAnchors(m.text);
    // Anchors may come and go between undos as well.
    size_t steps = m.history.UndoSteps().size();
    ASSERT_EQ(steps + 1, states.size());
    for (size_t i = steps; i > 0; --i) {
      m.Undo();
      ASSERT_EQ(WithoutAnchors(m.text), states[i - 1]) << "round " << round << " undo to " << i - 1;
      if (rng() % 3 == 0) m.PlaceAnchor(int(rng() % (m.text.size() + 1)));
    }
    EXPECT_EQ(WithoutAnchors(m.text), WithoutAnchors(initial));
    for (size_t i = 1; i <= steps; ++i) {
      m.Redo();
      ASSERT_EQ(WithoutAnchors(m.text), states[i]) << "round " << round << " redo to " << i;
      size_t at = m.text.find('@');
      if (rng() % 3 == 0 && at != std::string::npos) m.EraseAnchor(int(at));
    }
    EXPECT_EQ(WithoutAnchors(m.text), final);
  }
}

}  // namespace
