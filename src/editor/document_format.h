#pragma once

#include <gtkmm/textbuffer.h>

#include <string>

class CNotebook;

// The buffer's serialisation formats: "text/quillon-markdown" (note files,
// private clipboard) and "text/plain" (export, plain clipboard).
void RegisterNoteFormats(CNotebook& notebook);

// Serialises [start, end) as the registered formats do.
std::string SerializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                          const Gtk::TextIter& end, bool plain = false);

// Empties the buffer. Deleting text that still carries many tag toggles
// (a long highlighted note) costs seconds in the toolkit; without the
// tags it takes milliseconds.
void EmptyBuffer(const Glib::RefPtr<Gtk::TextBuffer>& buffer);

// Inserts note bytes at `where` through the registered deserialiser.
bool DeserializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, Gtk::TextIter& where, const std::string& bytes);
