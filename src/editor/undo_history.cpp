#include "editor/undo_history.h"

#include <glib.h>

namespace {

// Classes of typed characters that end a merged step where they change.
int CharClass(const std::string& text) {
  gunichar c = g_utf8_get_char(text.c_str());
  if (c == '\n') return 0;
  return g_unichar_isspace(c) ? 1 : 2;
}

int LastClass(const std::string& text) {
  const char* last = g_utf8_find_prev_char(text.c_str(), text.c_str() + text.size());
  return last ? CharClass(last) : -1;
}

bool SingleTypedChar(const SUndoRecord& record) {
  return record.content.length == 1 && record.content.objects.empty() && record.content.text != "\n";
}

}  // namespace

void CUndoHistory::SetMaxSteps(int steps) {
  max_steps = steps;
  Trim();
}

void CUndoHistory::BeginAction() { ++depth; }

void CUndoHistory::EndAction() {
  if (depth == 0 || --depth > 0 || open.empty()) return;
  Step step;
  step.swap(open);
  if (Merge(step)) return;
  mergeable = step.size() == 1 && SingleTypedChar(step.front());
  undo.push_back(std::move(step));
  Trim();
}

void CUndoHistory::Record(SUndoRecord record) {
  redo.clear();
  open.push_back(std::move(record));
  if (depth == 0) {
    // An edit outside any user action is a step of its own.
    ++depth;
    EndAction();
  }
}

void CUndoHistory::Inserted(int offset, const SUndoContent& content) {
  if (content.length > 0) Record({true, offset, content.length, content, nullptr});
}

void CUndoHistory::Deleted(int offset, const SUndoContent& content) {
  if (content.length > 0) Record({false, offset, content.length, content, nullptr});
}

void CUndoHistory::Edited(int offset, std::shared_ptr<SObjectEdit> edit) {
  if (edit) Record({true, offset, 0, SUndoContent(), std::move(edit)});
}

// Typing and deleting one character at a time join the last step, until
// the kind of character changes (a word, then the space after it).
bool CUndoHistory::Merge(const Step& step) {
  if (!mergeable || undo.empty() || step.size() != 1 || undo.back().size() != 1) return false;
  const SUndoRecord& next = step.front();
  SUndoRecord& last = undo.back().front();
  if (!SingleTypedChar(next) || last.edit || last.insert != next.insert || !last.content.objects.empty()) return false;
  if (last.length != last.content.length) return false;
  if (last.insert) {
    if (next.offset != last.offset + last.length || LastClass(last.content.text) != CharClass(next.content.text))
      return false;
    last.content.text += next.content.text;
  } else if (next.offset == last.offset) {
    // The Delete key: the next character goes at the end.
    if (LastClass(last.content.text) != CharClass(next.content.text)) return false;
    last.content.text += next.content.text;
  } else if (next.offset + 1 == last.offset) {
    // Backspace: the character before goes in front.
    if (CharClass(last.content.text) != CharClass(next.content.text)) return false;
    last.content.text = next.content.text + last.content.text;
    last.offset = next.offset;
  } else {
    return false;
  }
  ++last.length;
  ++last.content.length;
  return true;
}

void CUndoHistory::Trim() {
  while (max_steps >= 0 && int(undo.size()) > max_steps) undo.pop_front();
}

void CUndoHistory::Clear() {
  undo.clear();
  redo.clear();
  open.clear();
  mergeable = false;
}

void CUndoHistory::Undone() {
  redo.push_back(std::move(undo.back()));
  undo.pop_back();
  mergeable = false;
}

void CUndoHistory::Redone() {
  undo.push_back(std::move(redo.back()));
  redo.pop_back();
  mergeable = false;
}

// An object character placed (delta 1) or erased (delta -1) at `offset`
// now. Steps to undo hold offsets of the time after them: the offset is
// carried back through each one, newest first. Steps to redo hold offsets
// of the time before them: it is carried forward. An object placed at the
// edge of a range stays outside it; text put back where an object stands
// goes in front of it.
void CUndoHistory::Object(int offset, int delta) {
  // A range record: true when the object lies inside it (nothing before
  // it is affected then).
  auto range = [delta](int& p, int& start, int& length) {
    if (delta > 0 ? p <= start : p < start) {
      start += delta;
      return false;
    }
    if (p < start + length) {
      length += delta;
      return true;
    }
    p -= length;
    return false;
  };
  auto point = [delta](int& p, int& start, int length) {
    if (p < start)
      start += delta;
    else
      p += length;
  };
  // An edited object moves with what is placed in front of it.
  auto object = [delta](int p, int& start) {
    if (delta > 0 ? p <= start : p < start) start += delta;
  };

  int p = offset;
  bool inside = false;
  for (auto step = redo.rbegin(); step != redo.rend() && !inside; ++step)
    for (auto r = step->begin(); r != step->end() && !inside; ++r)
      r->edit ? object(p, r->offset)
              : r->insert ? point(p, r->offset, r->length) : void(inside = range(p, r->offset, r->length));

  p = offset;
  inside = false;
  auto back = [&](Step& step) {
    for (auto r = step.rbegin(); r != step.rend() && !inside; ++r)
      r->edit ? object(p, r->offset)
              : r->insert ? void(inside = range(p, r->offset, r->length)) : point(p, r->offset, r->length);
  };
  back(open);
  for (auto step = undo.rbegin(); step != undo.rend() && !inside; ++step) back(*step);
}
