#pragma once

#include <gtkmm/textbuffer.h>

#include <string>

class CNotebook;

// The buffer's serialisation formats: "text/quillon-markdown" (note files,
// private clipboard) and "text/plain" (export, plain clipboard).
void RegisterNoteFormats(CNotebook& notebook);

// Serialises [start, end) through the registered format.
std::string SerializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, const Gtk::TextIter& start,
                          const Gtk::TextIter& end, bool plain = false);

// Inserts note bytes at `where` through the registered deserialiser.
bool DeserializeNote(const Glib::RefPtr<Gtk::TextBuffer>& buffer, Gtk::TextIter& where, const std::string& bytes);
