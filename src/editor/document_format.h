#pragma once

#include <gtkmm/textbuffer.h>

#include <string>
#include <vector>

class CNotebook;

// The buffer's serialisation formats: "text/quillon-markdown" (note files,
// private clipboard) and "text/plain" (export, plain clipboard).
void RegisterNoteFormats(CNotebook& notebook);

// Serialises [start, end) as the registered formats do.
std::string SerializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                          const Gtk::TextIter& end, bool plain = false);

// Where a drawing's storage link lies in serialised bytes.
struct SLinkSpan {
  size_t offset;
  size_t length;
};

// The private form of [start, end), with the spans of the drawing links
// in it: the plain form can be made from it later, after the range has
// changed or gone.
std::string SerializeNoteWithLinks(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                                   const Gtk::TextIter& end, std::vector<SLinkSpan>& links);
// The plain form of such bytes: each drawing link becomes its PNG link,
// painted on surfaces that suit the window (plain images without one).
std::string PlainFromPrivate(const std::string& bytes, const std::vector<SLinkSpan>& links,
                             const Glib::RefPtr<Gdk::Window>& window);

// Empties the buffer. Deleting text that still carries many tag toggles
// (a long highlighted note) costs seconds in the toolkit; without the
// tags it takes milliseconds.
void EmptyBuffer(const Glib::RefPtr<Gtk::TextBuffer>& buffer);

// Inserts note bytes at `where` through the registered deserialiser.
bool DeserializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, Gtk::TextIter& where, const std::string& bytes);
