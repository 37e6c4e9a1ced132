#pragma once

#include <gtkmm/drawingarea.h>
#include <gtkmm/textview.h>

#include <functional>
#include <memory>

struct SDrawingEdit;

// What pen input needs of the editor it writes in, beyond the toolkit's
// text view: markdown links, the tags it must step over, the note's change
// time and the undo history.
class IPenEditor {
public:
  virtual ~IPenEditor() = default;
  virtual Gtk::TextView& View() = 0;
  virtual Gtk::DrawingArea& Overlay() = 0;
  virtual bool IsLink(const Gtk::TextIter& at) = 0;
  // Target of the link at a point in buffer coordinates, or "".
  virtual Glib::ustring LinkAt(int x, int y) = 0;
  virtual void ActivateLink(const Glib::ustring& target) = 0;
  virtual void ShowLinkCursor() = 0;
  virtual Glib::RefPtr<Gtk::TextTag> HiddenTag() = 0;
  // The note changed at wall-clock time `now` (microseconds).
  virtual void Changed(gint64 now) = 0;
  // Runs a pen edit of the text as one undo step: anchors made inside are
  // the user's, and no list is continued.
  virtual void PenEdit(const std::function<void()>& edit) = 0;
  // Records an edit of the drawing at `anchor` in the undo history.
  virtual void DrawingEdited(const Gtk::TextIter& anchor, std::shared_ptr<SDrawingEdit> edit) = 0;
};
