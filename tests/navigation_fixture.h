#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/gui_util.h"
#include "support/test_util.h"
#include "tree/navigation_view.h"

// Stands in for the main window: keeps the open note path and records what
// the tree asked for. `refuse` plays an open note whose edit cannot be saved.
class FakeTreeHost : public CTreeHost {
public:
  bool OpenNote(const std::string& notePath) override {
    opened.push_back(notePath);
    if (refuse) return false;
    open = current = notePath;
    return true;
  }
  void RenameOpenNote(const std::string& notePath) override { open = current = notePath; }
  const std::string& OpenNotePath() const override { return open; }
  const std::string& CurrentNotePath() const override { return current; }

  std::string open, current;
  bool refuse = false;
  std::vector<std::string> opened;
};

// A notes base on disk and a note tree attached to a tree view in an
// unshown window, with a stand-in for the main window when a test gives one.
class NavigationFixture : public ::testing::Test {
protected:
  void SetUp() override {
    base = temp / "notes";
    mkdir(base.c_str(), 0755);
  }

  void TearDown() override { Stop(); }

  void Start(CTreeHost* host = nullptr) {
    Stop();
    view = std::make_unique<Gtk::TreeView>();
    window.add(*view);
    nav = std::make_unique<CNavigationView>();
    nav->SetBasePath(base);
    nav->Attach(host, view.get());
    RunUntilIdle();
  }

  // The view goes first: its cell data function points into the tree.
  void Stop() {
    if (view) window.remove();
    view.reset();
    nav.reset();
  }

  std::string File(const std::string& notePath) const { return base + notePath; }
  void MakeNote(const std::string& notePath, const std::string& text = "") { WriteFileText(File(notePath), text); }
  void MakeFolder(const std::string& notePath) { mkdir(File(notePath).c_str(), 0755); }

  // User xattrs are what GIO's "xattr::" namespace reads and writes.
  bool SetXattr(const std::string& notePath, const std::string& name, const std::string& value) {
    return setxattr(File(notePath).c_str(), ("user." + name).c_str(), value.data(), value.size(), 0) == 0;
  }
  std::optional<std::string> GetXattr(const std::string& notePath, const std::string& name) {
    char value[256];
    const ssize_t n = getxattr(File(notePath).c_str(), ("user." + name).c_str(), value, sizeof value);
    if (n < 0) return std::nullopt;
    return std::string(value, n);
  }
  bool XattrsSupported() { return SetXattr("", "qlprobe", "x") && removexattr(base.c_str(), "user.qlprobe") == 0; }

  const CNavigationTreeStore::Columns& Cols() const { return nav->Columns(); }
  Gtk::TreeModel::iterator Row(const std::string& notePath) { return Find(nav->Store()->children(), notePath); }
  int Type(const std::string& notePath) { return (*Row(notePath))[Cols().type]; }
  Gtk::TreeModel::Path PathOf(const std::string& notePath) { return nav->Store()->get_path(Row(notePath)); }
  bool Expanded(const std::string& notePath) { return view->row_expanded(PathOf(notePath)); }

  // Names of one level, comma separated: "a,Work,+".
  std::string Level(const std::string& folder = "") {
    auto rows = folder.empty() ? nav->Store()->children() : Row(folder)->children();
    std::string names;
    for (auto it = rows.begin(); it != rows.end(); ++it)
      names += (names.empty() ? "" : ",") + Glib::ustring((*it)[Cols().name]);
    return names;
  }

  // Where the desktop's trash keeps what was at `notePath`; empty when it
  // holds nothing from there.
  std::string Trashed(const std::string& notePath) {
    const std::string trash = UseScratchHome() + "/Trash";
    std::string found;
    if (GDir* dir = g_dir_open((trash + "/info").c_str(), 0, nullptr)) {
      while (const char* name = g_dir_read_name(dir)) {
        const std::string info = name;
        const std::string text = ReadFileText(trash + "/info/" + info);
        // The original path, escaped as in a URI.
        const auto at = text.find("\nPath=");
        if (at == std::string::npos) continue;
        const auto end = text.find('\n', at + 1);
        gchar* path = g_uri_unescape_string(text.substr(at + 6, end - at - 6).c_str(), nullptr);
        if (path && path == File(notePath))
          found = trash + "/files/" + info.substr(0, info.size() - std::string(".trashinfo").size());
        g_free(path);
      }
      g_dir_close(dir);
    }
    return found;
  }

  // The problem the tree shows the user, "" when it shows none.
  std::string Problem() {
    auto* dialog = nav->ProblemDialog();
    return dialog && dialog->get_visible() ? std::string(dialog->property_text().get_value()) : "";
  }

  std::string CursorPath() {
    Gtk::TreeModel::Path path;
    Gtk::TreeViewColumn* column = nullptr;
    view->get_cursor(path, column);
    return path.empty() ? "" : nav->RowPath(nav->Store()->get_iter(path));
  }
  std::string SelectedPath() {
    auto it = view->get_selection()->get_selected();
    return it ? nav->RowPath(it) : "";
  }

  TempDir temp;
  std::string base;
  Gtk::Window window;
  std::unique_ptr<Gtk::TreeView> view;
  std::unique_ptr<CNavigationView> nav;

private:
  Gtk::TreeModel::iterator Find(const Gtk::TreeNodeChildren& rows, const std::string& notePath) {
    for (auto it = rows.begin(); it != rows.end(); ++it) {
      if (nav->RowPath(it) == notePath) return it;
      if (auto found = Find(it->children(), notePath)) return found;
    }
    return Gtk::TreeModel::iterator();
  }
};
