#include <gtest/gtest.h>

#include <memory>

#include "app/main_window.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
  TempDir dir;
  DevelTree tree{dir.path()};

  std::unique_ptr<CMainWindow> Open(const std::string& config) {
    tree.WriteConfig(config);
    ::testing::internal::CaptureStdout();
    std::unique_ptr<CMainWindow> window;
    try {
      window = std::make_unique<CMainWindow>(TestApplication());
      RunUntilIdle();
    } catch (const Glib::Error& error) {
      ADD_FAILURE() << error.what();
    }
    startup = ::testing::internal::GetCapturedStdout();
    if (!window) throw std::runtime_error("no main window");
    return window;
  }
  void Note(const std::string& path, const std::string& text) {
    ASSERT_EQ(system(("mkdir -p \"$(dirname '" + tree.Notes(path) + "')\"").c_str()), 0);
    WriteFileText(tree.Notes(path), text);
  }
  std::string startup;
};

std::vector<std::string> Labels(Gtk::Menu& menu) {
  std::vector<std::string> labels;
  for (auto* child : menu.get_children()) {
    auto* item = dynamic_cast<Gtk::MenuItem*>(child);
    labels.push_back(dynamic_cast<Gtk::SeparatorMenuItem*>(child) ? "-" : std::string(item->get_label()));
  }
  return labels;
}

TEST_F(MainWindowTest, StartupReportAndMenuBarLayout) {
  auto window = Open(R"({"colors": []})");
  EXPECT_NE(startup.find("== This is quillon, built at "), std::string::npos);
  EXPECT_NE(startup.find("Detected paths:\nConfig: " + tree.Notes() + "\nDefault notes path: " + tree.Notes() +
                         "\nResource path: " + dir.path() + "\nActive notes path: " + tree.Notes() + "\n\n"),
            std::string::npos)
      << startup;

  // Without "use_headerbar": a menu bar whose only item "View" holds the menu.
  auto* outer = dynamic_cast<Gtk::Box*>(window->get_child());
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->get_children().front(), &window->MenuBar());
  auto items = window->MenuBar().get_children();
  ASSERT_EQ(items.size(), 1u);
  auto* view = dynamic_cast<Gtk::MenuItem*>(items.front());
  EXPECT_EQ(view->get_label(), "View");
  EXPECT_EQ(Labels(*view->get_submenu()),
            (std::vector<std::string>{"Preferences", "Export current", "-", "Hide sidebar", "Full markdown rendering"}));
  EXPECT_FALSE(window->get_style_context()->has_class("csd"));
  EXPECT_TRUE(window->get_style_context()->has_class("quillon"));
  EXPECT_EQ(window->get_title(), " - Quillon");
  EXPECT_TRUE(window->FullRenderingItem().get_active());
  EXPECT_EQ(window->Notebook().get_name(), "mainView");
  EXPECT_EQ(window->Notebook().margin, 32);
  auto* text = dynamic_cast<Gtk::ToggleToolButton*>(window->ToolbarBuilder()->get_object("text").get());
  EXPECT_TRUE(text->get_active());
  // The "medium" button ran its stroke action once at start-up.
  EXPECT_EQ(window->Notebook().stroke_width, 2.0f);
}

TEST_F(MainWindowTest, HeaderBarLayout) {
  auto window = Open(R"({"use_headerbar": true})");
  EXPECT_EQ(window->get_titlebar(), &window->HeaderBar());
  EXPECT_EQ(window->HeaderBar().get_title(), "Quillon");
  EXPECT_TRUE(window->get_style_context()->has_class("csd"));
  EXPECT_EQ(window->get_icon_name(), "accessories-text-editor");
  EXPECT_EQ(dynamic_cast<Gtk::Box*>(window->get_child())->get_children().front(), &window->Sidebar());
}

TEST_F(MainWindowTest, ColourButtonsRulesAndPenColour) {
  auto window = Open(R"({"colors": [{"r": 0.5, "g": 0, "b": 1}, {"r": 0.2, "g": 0.4}, {}]})");
  std::vector<std::string> names;
  for (auto* item : window->Toolbar()->get_children())
    if (item->get_name().find("color") == 0) names.push_back(item->get_name());
  EXPECT_EQ(names, (std::vector<std::string>{"color1", "color2", "color3"}));
  for (const char* action : {"color1", "color2", "color3"})
    EXPECT_TRUE(window->Notebook().ActionGroup()->has_action(action)) << action;

  // Colour 1 is selected at start-up.
  const float* color = window->Notebook().active_stroke.color;
  EXPECT_EQ(color[0], 0.5f);
  EXPECT_EQ(color[2], 1.0f);
  EXPECT_EQ(color[3], 1.0f);

  ::testing::internal::CaptureStdout();
  window->Notebook().ActionGroup()->activate_action("color2");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "color2\n");
  EXPECT_FLOAT_EQ(color[0], 0.2f);
  EXPECT_FLOAT_EQ(color[1], 0.4f);
  EXPECT_EQ(color[2], 0.0f);  // missing component reads as 0

  window->WriteColor(2, 0.25f, 1.0f, 0.0f);
  window->WriteColorRules();
  EXPECT_EQ(window->Config()["colors"][1]["g"].asFloat(), 1.0f);
}

TEST_F(MainWindowTest, ActionKindsPrintTheirNameAndAct) {
  auto window = Open("{}");
  auto& notebook = window->Notebook();

  ::testing::internal::CaptureStdout();
  window->HideSidebarItem().set_active(true);
  EXPECT_FALSE(window->Sidebar().get_visible());
  window->HideSidebarItem().set_active(false);
  EXPECT_TRUE(window->Sidebar().get_visible());

  window->FullRenderingItem().set_active(false);
  EXPECT_FALSE(notebook.FullRendering());
  window->FullRenderingItem().set_active(true);
  EXPECT_TRUE(notebook.FullRendering());

  window->SearchEntry().set_text("old search");
  notebook.ActionGroup()->activate_action("show-find");
  EXPECT_EQ(window->SearchEntry().get_text(), "");
  EXPECT_TRUE(window->SearchBar().get_search_mode());

  window->OnAction("no-such-kind", 99, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "toggle-sidebar\ntoggle-sidebar\ntoggle-markdown-rendering\ntoggle-markdown-rendering\nshow-find\n"
            "no-such-kind\n");
}

TEST_F(MainWindowTest, NextAndPreviousNoteWalkTheTree) {
  Note("/a.md", "A");
  Note("/b.md", "B");
  auto window = Open(R"({"active_document": "/a.md"})");
  ASSERT_EQ(window->OpenNotePath(), "/a.md");
  ::testing::internal::CaptureStdout();
  window->Notebook().ActionGroup()->activate_action("next-note");
  RunUntilIdle();
  EXPECT_EQ(window->OpenNotePath(), "/b.md");
  window->Notebook().ActionGroup()->activate_action("prev-note");
  RunUntilIdle();
  EXPECT_EQ(window->OpenNotePath(), "/a.md");
  std::string printed = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("next-note\n"), std::string::npos);
  EXPECT_NE(printed.find("prev-note\n"), std::string::npos);
}

TEST_F(MainWindowTest, LinksOpenNotesInsideTheBase) {
  Note("/a/b.md", "b");
  Note("/a/c.md", "ac");
  Note("/c.md", "c");
  auto window = Open(R"({"active_document": "/a/b.md"})");
  struct {
    const char* from;
    const char* target;
    const char* opened;
  } cases[] = {
      {"/a/b.md", "c.md", "/a/c.md"},       {"/a/b.md", "../c.md", "/c.md"},
      {"/a/b.md", "../../c.md", "/c.md"},   {"/c.md", "/a/b.md", "/a/b.md"},
      {"/a/b.md", "", "/a/b.md"},           {"/a/b.md", "no-handler-scheme:x", "/a/b.md"},
      // An absolute target starts at the base, never above it.
      {"/a/b.md", "/../outside.md", "/outside.md"},
      {"/a/b.md", "/a/../../outside.md", "/outside.md"},
  };
  Note("/outside.md", "inside");
  WriteFileText(tree.Notes("/../outside.md"), "outside");
  for (const auto& c : cases) {
    window->OpenDocument(c.from);
    ::testing::internal::CaptureStdout();
    window->OnLinkActivated(c.target);
    std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(window->OpenNotePath(), c.opened) << c.target;
    EXPECT_EQ(printed.rfind("clicked link '" + std::string(c.target) + "'; scheme is '", 0), 0u) << printed;
    if (std::string(c.opened) == "/outside.md") {
      EXPECT_EQ(std::string(window->Notebook().SourceBuffer()->get_text()), "inside") << c.target;
    }
  }
  window->Notebook().SourceBuffer()->set_text("edited");
  EXPECT_TRUE(window->SaveDocument());
  EXPECT_EQ(ReadFileText(tree.Notes("/outside.md")), "edited");
  EXPECT_EQ(ReadFileText(tree.Notes("/../outside.md")), "outside");
}

// The tree renames a folder it never read while a note deep inside is open:
// the next save goes to the note's new place and brings back no old folder.
TEST_F(MainWindowTest, SavesFollowAFolderRenamedInTheTree) {
  Note("/w/deep/n.md", "N");
  auto window = Open(R"({"active_document": "/w/deep/n.md"})");
  ASSERT_EQ(window->OpenNotePath(), "/w/deep/n.md");
  CNavigationView& tree = window->NavigationView();
  auto rows = tree.Store()->children();
  Gtk::TreeModel::iterator folder;
  for (auto it = rows.begin(); it != rows.end(); ++it)
    if (tree.RowPath(it) == "/w") folder = it;
  ASSERT_TRUE(folder);
  ASSERT_EQ(int((*folder)[tree.Columns().type]), ROW_FOLDER_UNLOADED);
  tree.OnNameEdited(tree.Store()->get_path(folder).to_string(), "v");

  EXPECT_EQ(window->OpenNotePath(), "/v/deep/n.md");
  EXPECT_EQ(window->Config()["active_document"].asString(), "/v/deep/n.md");
  window->Notebook().SourceBuffer()->set_text("N2");
  EXPECT_TRUE(window->SaveDocument());
  EXPECT_EQ(ReadFileText(this->tree.Notes("/v/deep/n.md")), "N2");
  EXPECT_FALSE(PathExists(this->tree.Notes("/w")));
}

TEST_F(MainWindowTest, CloseWritesConfigurationThenNote) {
  Note("/n.md", "first");
  auto window = Open(R"({"active_document": "/n.md", "custom": {"kept": [1, 2]}})");
  auto buffer = window->Notebook().SourceBuffer();
  buffer->insert(buffer->end(), " and more");
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
  gtk_main_do_event(event);
  gdk_event_free(event);
  RunUntilIdle();

  std::string config = ReadFileText(tree.Notes("/config.json"));
  EXPECT_NE(config.find("\t\"active_document\" : \"/n.md\""), std::string::npos) << config;
  EXPECT_NE(config.find("\"kept\""), std::string::npos);
  EXPECT_NE(config.find("\t\"use_headerbar\" : null"), std::string::npos);
  EXPECT_EQ(ReadFileText(tree.Notes("/n.md")), "first and more");
}

TEST_F(MainWindowTest, SearchEntryFindsForwardAndBack) {
  Note("/s.md", "one fish two fish red fish");
  auto window = Open(R"({"active_document": "/s.md"})");
  auto buffer = window->Notebook().SourceBuffer();
  auto selected = [&]() {
    Gtk::TextIter a, b;
    buffer->get_selection_bounds(a, b);
    return std::make_pair(a.get_offset(), b.get_offset());
  };
  window->Notebook().ActionGroup()->activate_action("show-find");
  RunUntilIdle();
  window->SearchEntry().set_text("FISH");
  // The entry reports changes after a short delay.
  EXPECT_TRUE(RunUntil([&] { return selected() == std::make_pair(4, 8); }));
  EXPECT_EQ(window->SearchEntry().get_icon_name(Gtk::ENTRY_ICON_SECONDARY), "emblem-ok-symbolic");

  auto key = [&](guint state) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(window->get_window()->gobj()));
    event->key.keyval = GDK_KEY_Return;
    event->key.state = state;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(GTK_WIDGET(window->SearchEntry().gobj()), event);
    gdk_event_free(event);
  };
  key(0);
  EXPECT_EQ(selected(), std::make_pair(13, 17));
  key(0);
  key(0);  // wraps to the first match
  EXPECT_EQ(selected(), std::make_pair(4, 8));
  key(GDK_SHIFT_MASK);  // and back to the last
  EXPECT_EQ(selected(), std::make_pair(22, 26));

  window->SearchEntry().set_text("absent");
  EXPECT_TRUE(RunUntil([&] {
    return window->SearchEntry().get_icon_name(Gtk::ENTRY_ICON_SECONDARY) == "window-close-symbolic";
  }));
  EXPECT_EQ(selected(), std::make_pair(22, 26));
}

}  // namespace
