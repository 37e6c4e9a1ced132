#pragma once

#include <gtkmm.h>

#include <string>
#include <unordered_map>

class CNotebook;

// How a region that begins with a context class is shown while hidden.
struct WidgetFactory {
  // Makes the widget for the region from `start` (its anchor) to `end`.
  Gtk::Widget* (*create)(CNotebook& editor, const Gtk::TextIter& start, const Gtk::TextIter& end);
  // Brings a widget already shown at `start` in line with its text (the
  // text may change under it: an undo), or null.
  void (*refresh)(CNotebook& editor, const Gtk::TextIter& start);
};

// Context class -> factory: "checkbox" and "image".
const std::unordered_map<std::string, WidgetFactory>& WidgetFactories();

Gtk::Widget* MakeCheckbox(CNotebook& editor, const Gtk::TextIter& start, const Gtk::TextIter& end);
Gtk::Widget* MakeImage(CNotebook& editor, const Gtk::TextIter& start, const Gtk::TextIter& end);
// Width of the picture an image widget was made from, or 0 (an icon).
int ImageNaturalWidth(Gtk::Widget* widget);
