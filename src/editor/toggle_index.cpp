#include "editor/toggle_index.h"

#include <algorithm>

CToggleIndex::CToggleIndex(const std::vector<GtkTextTag*>& tags, const GtkTextIter& from, const GtkTextIter& to)
    : start(from), end(to) {
  start_offset = gtk_text_iter_get_offset(&start);
  end_offset = gtk_text_iter_get_offset(&end);
  for (GtkTextTag* tag : tags)
    if (tag) toggles[tag];
  GtkTextIter at = start;
  do {
    for (gboolean on : {gboolean(TRUE), gboolean(FALSE)}) {
      GSList* toggled = gtk_text_iter_get_toggled_tags(&at, on);
      for (GSList* item = toggled; item; item = item->next) {
        auto found = toggles.find(static_cast<GtkTextTag*>(item->data));
        if (found != toggles.end()) found->second.push_back({gtk_text_iter_get_offset(&at), at});
      }
      g_slist_free(toggled);
    }
  } while (gtk_text_iter_forward_to_tag_toggle(&at, nullptr) && gtk_text_iter_compare(&at, &end) <= 0);
}

const std::vector<CToggleIndex::SToggle>* CToggleIndex::Toggles(GtkTextTag* tag) const {
  auto found = toggles.find(tag);
  return found == toggles.end() ? nullptr : &found->second;
}

bool CToggleIndex::Forward(GtkTextIter* at, GtkTextTag* tag) const {
  const auto* list = Toggles(tag);
  int offset = gtk_text_iter_get_offset(at);
  if (!list || offset < start_offset || offset >= end_offset) return gtk_text_iter_forward_to_tag_toggle(at, tag);
  auto next = std::upper_bound(list->begin(), list->end(), offset,
                               [](int value, const SToggle& toggle) { return value < toggle.offset; });
  if (next != list->end()) {
    *at = next->at;
    return true;
  }
  // None up to the end of the range, the end included.
  *at = end;
  return gtk_text_iter_forward_to_tag_toggle(at, tag);
}

bool CToggleIndex::Backward(GtkTextIter* at, GtkTextTag* tag) const {
  const auto* list = Toggles(tag);
  int offset = gtk_text_iter_get_offset(at);
  if (!list || offset <= start_offset || offset > end_offset) return gtk_text_iter_backward_to_tag_toggle(at, tag);
  auto next = std::lower_bound(list->begin(), list->end(), offset,
                               [](const SToggle& toggle, int value) { return toggle.offset < value; });
  if (next != list->begin()) {
    *at = std::prev(next)->at;
    return true;
  }
  // None from the start of the range on, the start included.
  *at = start;
  return gtk_text_iter_backward_to_tag_toggle(at, tag);
}

bool CToggleIndex::MayToggle(GtkTextTag* tag, const GtkTextIter& a, const GtkTextIter& b) const {
  const auto* list = Toggles(tag);
  int from = gtk_text_iter_get_offset(&a), to = gtk_text_iter_get_offset(&b);
  GtkTextIter next = a;
  if (!list || from < start_offset || from >= end_offset)
    return gtk_text_iter_forward_to_tag_toggle(&next, tag) && gtk_text_iter_get_offset(&next) < to;
  auto toggle = std::upper_bound(list->begin(), list->end(), from,
                                 [](int value, const SToggle& item) { return value < item.offset; });
  if (toggle != list->end() && toggle->offset < to) return true;
  auto bounds = changed.find(tag);
  if (bounds != changed.end()) {
    auto bound = bounds->second.upper_bound(from);
    if (bound != bounds->second.end() && *bound < to) return true;
  }
  if (to <= end_offset) return false;
  next = end;
  return gtk_text_iter_forward_to_tag_toggle(&next, tag) && gtk_text_iter_get_offset(&next) < to;
}

void CToggleIndex::Changed(GtkTextTag* tag, const GtkTextIter& from, const GtkTextIter& to) {
  std::set<int>& bounds = changed[tag];
  bounds.insert(gtk_text_iter_get_offset(&from));
  bounds.insert(gtk_text_iter_get_offset(&to));
}
