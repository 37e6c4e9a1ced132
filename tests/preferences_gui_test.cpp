// The preferences dialog: what confirming and cancelling store, and that
// nothing changes before the next start.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/main_window.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

const bool kMemorySettings = g_setenv("GSETTINGS_BACKEND", "memory", TRUE);

class PreferencesTest : public ::testing::Test {
protected:
  TempDir dir;
  DevelTree tree{dir.path()};

  std::unique_ptr<CMainWindow> Open() {
    ::testing::internal::CaptureStdout();
    auto window = std::make_unique<CMainWindow>(TestApplication());
    RunUntilIdle();
    startup = ::testing::internal::GetCapturedStdout();
    return window;
  }
  // Opens the dialog from the menu; `answer` sees its widgets and gives
  // the response. False when no dialog came.
  bool Answer(CMainWindow& window, const std::function<int(Gtk::FileChooserButton&, Gtk::CheckButton& headerBar,
                                                            Gtk::CheckButton& proxy)>& answer) {
    bool shown = false;
    Glib::signal_timeout().connect(
        [&]() {
          for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
            auto* dialog = dynamic_cast<Gtk::Dialog*>(w);
            if (!dialog || !dialog->get_visible() || dialog->get_title() != "Preferences") continue;
            shown = true;
            auto* chooser = dynamic_cast<Gtk::FileChooserButton*>(Find(dialog, "base_path"));
            auto* headerBar = dynamic_cast<Gtk::CheckButton*>(Find(dialog, "use_headerbar"));
            auto* proxy = dynamic_cast<Gtk::CheckButton*>(Find(dialog, "use_highlight_proxy"));
            if (!chooser || !headerBar || !proxy) {
              ADD_FAILURE() << "the dialog lacks its widgets";
              dialog->response(Gtk::RESPONSE_CANCEL);
              return false;
            }
            RunFor(100);  // the chooser shows its folder once it is loaded
            dialog->response(answer(*chooser, *headerBar, *proxy));
            return false;
          }
          return true;
        },
        50);
    auto* view = dynamic_cast<Gtk::MenuItem*>(window.MenuBar().get_children()[0]);
    view->get_submenu()->get_children()[0]->activate();  // "Preferences"
    RunUntilIdle();
    return shown;
  }
  // The widget with the id the description gives it.
  static Gtk::Widget* Find(Gtk::Widget* widget, const char* id) {
    const char* name = gtk_buildable_get_name(GTK_BUILDABLE(widget->gobj()));
    if (name && std::string(name) == id) return widget;
    if (auto* container = dynamic_cast<Gtk::Container*>(widget))
      for (Gtk::Widget* child : container->get_children())
        if (Gtk::Widget* found = Find(child, id)) return found;
    return nullptr;
  }
  std::string Config() { return ReadFileText(tree.Notes("/config.json")); }

  std::string startup;
};

TEST_F(PreferencesTest, ConfirmingUntouchedWritesTheThreeKeysAtOnce) {
  tree.WriteConfig(R"({"use_highlight_proxy": true})");
  auto window = Open();
  ASSERT_TRUE(Answer(*window, [](Gtk::FileChooserButton&, Gtk::CheckButton& headerBar, Gtk::CheckButton& proxy) {
    EXPECT_FALSE(headerBar.get_active());
    EXPECT_TRUE(proxy.get_active());
    return int(Gtk::RESPONSE_OK);
  }));
  std::string config = Config();
  EXPECT_NE(config.find("\t\"base_path\" : \"" + tree.Notes() + "\""), std::string::npos) << config;
  EXPECT_NE(config.find("\t\"use_headerbar\" : false"), std::string::npos) << config;
  EXPECT_NE(config.find("\t\"use_highlight_proxy\" : true"), std::string::npos) << config;
}

TEST_F(PreferencesTest, ConfirmingStoresTheFolderTheUserChose) {
  tree.WriteConfig("{}");
  ASSERT_EQ(system(("mkdir -p '" + dir.path() + "/elsewhere/My Notes'").c_str()), 0);
  const std::string chosen = dir.path() + "/elsewhere/My Notes";
  auto window = Open();
  // Choosing in the chooser's dialog selects the folder, as here.
  ASSERT_TRUE(Answer(*window, [&](Gtk::FileChooserButton& folder, Gtk::CheckButton&, Gtk::CheckButton&) {
    EXPECT_TRUE(folder.select_filename(chosen));
    RunFor(100);
    return int(Gtk::RESPONSE_OK);
  }));
  EXPECT_EQ(window->Config()["base_path"].asString(), chosen);
  EXPECT_NE(Config().find("\t\"base_path\" : \"" + chosen + "\""), std::string::npos) << Config();
}

TEST_F(PreferencesTest, CancellingChangesNothing) {
  tree.WriteConfig(R"({"use_headerbar": false, "custom": 7})");
  auto window = Open();
  window->SaveConfig();
  const std::string before = Config();
  const Json::Value object = window->Config();
  for (int response : {int(Gtk::RESPONSE_CANCEL), int(Gtk::RESPONSE_DELETE_EVENT)}) {
    ASSERT_TRUE(Answer(*window, [&](Gtk::FileChooserButton& folder, Gtk::CheckButton& headerBar,
                                    Gtk::CheckButton& proxy) {
      folder.set_current_folder(dir.path());
      headerBar.set_active(true);
      proxy.set_active(true);
      return response;
    }));
    EXPECT_EQ(Config(), before) << response;
    EXPECT_EQ(window->Config(), object) << response;
  }
}

// The chooser cannot be emptied: a notes base that has gone is kept as it
// stood rather than replaced by some other folder.
TEST_F(PreferencesTest, AVanishedNotesBaseIsKeptAsItStood) {
  const std::string gone = dir.path() + "/gone";
  tree.WriteConfig("{\"base_path\": \"" + gone + "\"}");
  auto window = Open();
  ASSERT_TRUE(Answer(*window, [&](Gtk::FileChooserButton&, Gtk::CheckButton&, Gtk::CheckButton&) {
    return int(Gtk::RESPONSE_OK);
  }));
  EXPECT_NE(Config().find("\t\"base_path\" : \"" + gone + "\""), std::string::npos) << Config();
}

TEST_F(PreferencesTest, TheHeaderBarWaitsForTheNextStart) {
  tree.WriteConfig("{}");
  auto window = Open();
  ASSERT_TRUE(Answer(*window, [](Gtk::FileChooserButton&, Gtk::CheckButton& headerBar, Gtk::CheckButton&) {
    headerBar.set_active(true);
    return int(Gtk::RESPONSE_OK);
  }));
  EXPECT_NE(Config().find("\t\"use_headerbar\" : true"), std::string::npos) << Config();
  EXPECT_FALSE(window->UsesHeaderBar());
  EXPECT_NE(window->get_titlebar(), &window->HeaderBar());
  EXPECT_TRUE(window->MenuBar().get_visible());
  window.reset();
  auto next = Open();
  EXPECT_TRUE(next->UsesHeaderBar());
  EXPECT_EQ(next->get_titlebar(), &next->HeaderBar());
}

}  // namespace
