#pragma once

#include <gtkmm/application.h>

#include <functional>
#include <string>

// Runs the default main loop until no event source is ready.
void RunUntilIdle();
// Runs the main loop for the given time, then until idle.
void RunFor(int milliseconds);
// Runs the main loop until `done` holds or `milliseconds` have passed;
// returns whether it holds.
bool RunUntil(const std::function<bool()>& done, int milliseconds = 5000);
// The application object the GUI tests' windows belong to.
Glib::RefPtr<Gtk::Application> TestApplication();

// A resource directory laid out like the source tree (data/ and
// sourceview/ linked from it) with an empty notesbase/, exported as
// QL_DEVEL so that a main window built now runs from it.
class DevelTree {
public:
  explicit DevelTree(const std::string& root);
  std::string Notes(const std::string& relative = "") const { return root + "/notesbase" + relative; }
  void WriteConfig(const std::string& json) const;

private:
  std::string root;
};
