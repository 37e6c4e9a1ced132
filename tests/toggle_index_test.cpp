// The sweep's answers against the toolkit's own searches, on random tag
// layouts, before and after tags change.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <random>

#include "editor/toggle_index.h"

namespace {

struct Buffer {
  GtkTextBuffer* buffer = gtk_text_buffer_new(nullptr);
  std::vector<GtkTextTag*> tags;
  explicit Buffer(int tagCount) {
    gtk_text_buffer_set_text(buffer, "alpha beta\ngamma delta epsilon\n\nzeta eta theta iota\nkappa", -1);
    for (int i = 0; i < tagCount; ++i) tags.push_back(gtk_text_buffer_create_tag(buffer, nullptr, nullptr));
  }
  ~Buffer() { g_object_unref(buffer); }
  GtkTextIter At(int offset) {
    GtkTextIter at;
    gtk_text_buffer_get_iter_at_offset(buffer, &at, offset);
    return at;
  }
  int Size() { return gtk_text_buffer_get_char_count(buffer); }
  void Change(GtkTextTag* tag, int from, int to, bool on, CToggleIndex* index) {
    GtkTextIter a = At(from), b = At(to);
    if (on)
      gtk_text_buffer_apply_tag(buffer, tag, &a, &b);
    else
      gtk_text_buffer_remove_tag(buffer, tag, &a, &b);
    if (index) index->Changed(tag, a, b);
  }
  // `count` random ranges, tag k % tags, applied when on(k).
  template <class On>
  void Scatter(std::mt19937& rng, int count, On on, CToggleIndex* index = nullptr) {
    std::uniform_int_distribution<int> offset(0, Size());
    for (int k = 0; k < count; ++k) {
      int x = offset(rng), y = offset(rng);
      Change(tags[size_t(k) % tags.size()], std::min(x, y), std::max(x, y), on(k), index);
    }
  }
};

int Offset(const GtkTextIter& at) { return gtk_text_iter_get_offset(&at); }

TEST(ToggleIndexTest, AnswersAsTheToolkitDoesInsideAndAroundTheRange) {
  std::mt19937 rng(7);
  for (int layout = 0; layout < 40; ++layout) {
    Buffer b(3);
    std::uniform_int_distribution<int> offset(0, b.Size());
    b.Scatter(rng, 12, [&](int) { return rng() % 3 != 0; });
    int from = offset(rng), to = offset(rng);
    if (from > to) std::swap(from, to);
    GtkTextIter start = b.At(from), end = b.At(to);
    // The last tag is not indexed: the toolkit answers for it.
    CToggleIndex index({b.tags[0], b.tags[1]}, start, end);
    for (GtkTextTag* tag : b.tags) {
      for (int p = 0; p <= b.Size(); ++p) {
        SCOPED_TRACE(testing::Message() << "layout " << layout << " range " << from << "-" << to << " at " << p);
        GtkTextIter ours = b.At(p), theirs = b.At(p);
        EXPECT_EQ(index.Forward(&ours, tag), bool(gtk_text_iter_forward_to_tag_toggle(&theirs, tag)));
        EXPECT_EQ(Offset(ours), Offset(theirs));
        ours = theirs = b.At(p);
        EXPECT_EQ(index.Backward(&ours, tag), bool(gtk_text_iter_backward_to_tag_toggle(&theirs, tag)));
        EXPECT_EQ(Offset(ours), Offset(theirs));
      }
    }
  }
}

TEST(ToggleIndexTest, MayToggleNeverMissesAToggleAfterChanges) {
  std::mt19937 rng(11);
  for (int layout = 0; layout < 40; ++layout) {
    Buffer b(2);
    std::uniform_int_distribution<int> offset(0, b.Size());
    b.Scatter(rng, 8, [](int) { return true; });
    int from = offset(rng), to = offset(rng);
    if (from > to) std::swap(from, to);
    CToggleIndex index(b.tags, b.At(from), b.At(to));
    // Changes after the sweep, reported as the passes report them.
    b.Scatter(rng, 4, [](int k) { return k % 2 == 0; }, &index);
    for (GtkTextTag* tag : b.tags) {
      for (int p = 0; p <= b.Size(); ++p) {
        for (int q = p + 1; q <= b.Size(); ++q) {
          GtkTextIter a = b.At(p), next = a;
          bool toggles = gtk_text_iter_forward_to_tag_toggle(&next, tag) && Offset(next) < q;
          if (toggles) {
            EXPECT_TRUE(index.MayToggle(tag, a, b.At(q))) << "layout " << layout << " " << p << "-" << q;
          }
        }
      }
    }
    // Without changes the answer is exact.
    CToggleIndex fresh(b.tags, b.At(from), b.At(to));
    for (int p = 0; p < b.Size(); ++p) {
      GtkTextIter a = b.At(p), next = a;
      int q = std::min(b.Size(), p + 7);
      bool toggles = gtk_text_iter_forward_to_tag_toggle(&next, b.tags[0]) && Offset(next) < q;
      EXPECT_EQ(fresh.MayToggle(b.tags[0], a, b.At(q)), toggles) << p << "-" << q;
    }
  }
}

}  // namespace
