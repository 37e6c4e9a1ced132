#pragma once

#include <gtkmm.h>

#include <string>

class CMainWindow;

// The sidebar's note tree: model, expansion state and navigation.
class CNavigationView {
public:
  CNavigationView();
  void SetBasePath(const std::string& path);
  void Attach(CMainWindow* window, Gtk::TreeView* view);
  void NextNote();
  void PreviousNote();
  void SelectPath(const Glib::ustring& notePath);

private:
  std::string base_path;
  CMainWindow* window = nullptr;
  Gtk::TreeView* tree_view = nullptr;
};
