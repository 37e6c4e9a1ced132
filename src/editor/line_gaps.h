#pragma once

#include <gtkmm/textview.h>

// The toolkit maps a point in the space below a paragraph (its
// pixels-below-lines) to the paragraph's byte count, which is past its
// visible text when markup is hidden, and aborts. Points there are moved
// onto the paragraph's last row of text before anything looks them up.
int OffLineGaps(Gtk::TextView& view, int bufferY);

// The text position at a buffer point, as the view's own lookups give it.
Gtk::TextIter IterAtLocation(Gtk::TextView& view, int x, int y);
Gtk::TextIter IterAtPosition(Gtk::TextView& view, int x, int y);
