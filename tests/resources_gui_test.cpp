// The resource files load with the real toolkit, and the markdown languages
// put the context classes that markup hiding relies on where they belong.
#include <gtest/gtest.h>
#include <gtkmm.h>
#include <gtksourceviewmm.h>
#include <json/json.h>

#include <fstream>
#include <set>

#include "support/test_util.h"

namespace {

const std::string kRoot = QL_SOURCE_DIR;
const std::string kSourceView = kRoot + "/sourceview/";

// Language manager set up as the editor does without the generated
// listing: our directory first, then the toolkit's default path. It must
// outlive the buffers that use its languages.
Glib::RefPtr<Gsv::LanguageManager> Languages() {
  static Glib::RefPtr<Gsv::LanguageManager> manager;
  if (!manager) {
    manager = Gsv::LanguageManager::create();
    std::vector<std::string> path = manager->get_search_path();
    path.insert(path.begin(), kSourceView);
    manager->set_search_path(path);
  }
  return manager;
}

Glib::RefPtr<Gsv::StyleScheme> Scheme() {
  auto manager = Gsv::StyleSchemeManager::create();
  manager->set_search_path({kSourceView});
  return manager->get_scheme("quillon");
}

Glib::RefPtr<Gsv::Buffer> Highlight(const std::string& language, const Glib::ustring& text) {
  auto lang = Languages()->get_language(language);
  EXPECT_TRUE(lang) << language;
  auto buffer = Gsv::Buffer::create(lang);
  buffer->set_text(text);
  buffer->ensure_highlight(buffer->begin(), buffer->end());
  return buffer;
}

const char* const kSample =
    "# Title\n"
    "Some **bold**, _em_, ~~gone~~ and `code` in snake_case_name.\n"
    "See [label](notes/other.md), ![alt](pic.png) and <https://example.org>.\n"
    "- [ ] open\n"
    "* [x] done\n"
    "> quote\n"
    "---\n"
    "```c\n"
    "int x;\n"
    "```\n"
    "plain end\n";

struct ClassCase {
  const char* needle;  // first occurrence in the sample
  int offset;          // character inside the needle
  const char* cls;
  bool expected;
};

// Character at needle + offset in the buffer.
Gtk::TextIter At(const Glib::RefPtr<Gsv::Buffer>& buffer, const ClassCase& c) {
  Gtk::TextIter start, end;
  bool found = buffer->begin().forward_search(c.needle, Gtk::TEXT_SEARCH_TEXT_ONLY, start, end);
  EXPECT_TRUE(found) << c.needle;
  start.forward_chars(c.offset);
  return start;
}

template <size_t N>
void ExpectClasses(const Glib::RefPtr<Gsv::Buffer>& buffer, const ClassCase (&cases)[N]) {
  for (const auto& c : cases)
    EXPECT_EQ(buffer->iter_has_context_class(At(buffer, c), c.cls), c.expected)
        << c.needle << " +" << c.offset << " " << c.cls;
}

}  // namespace

TEST(ResourcesGuiTest, SchemeDefinesEveryStyleOfTheLanguages) {
  auto scheme = Scheme();
  ASSERT_TRUE(scheme);
  auto manager = Languages();
  for (const char* id : {"markdown", "markdown-basic", "markdownlisting"}) {
    auto lang = manager->get_language(id);
    ASSERT_TRUE(lang) << id;
  }
  // Ours, not the toolkit's own markdown.
  EXPECT_EQ(manager->get_language("markdown")->get_name(), "Markdown (Quillon)");
  // The generated code-block language refers to these.
  std::vector<Glib::ustring> ids = manager->get_language("markdown")->get_style_ids();
  std::set<Glib::ustring> styles(ids.begin(), ids.end());
  for (const char* needed : {"markdown:tag", "markdown:known-lang", "markdown:unknown-lang", "markdown:code"})
    EXPECT_TRUE(styles.count(needed)) << needed;
  for (const auto& id : ids) EXPECT_TRUE(scheme->get_style(id)) << id;
}

TEST(ResourcesGuiTest, MarkdownMarksProximityRegions) {
  auto buffer = Highlight("markdown", kSample);
  const ClassCase cases[] = {
      {"# Title", 0, "prox", true},          {"# Title", 0, "invisible", true},
      {"# Title", 1, "invisible", true},     {"# Title", 2, "invisible", false},
      {"# Title", 2, "prox", true},          {"# Title", 2, "extra-space", true},
      {"**bold**", 0, "invisible", true},    {"**bold**", 2, "prox", true},
      {"**bold**", 2, "invisible", false},   {"**bold**", 7, "invisible", true},
      {", _em_", 2, "invisible", true},      {", _em_", 3, "invisible", false},
      {"~~gone~~", 1, "invisible", true},    {"~~gone~~", 2, "prox", true},
      {"`code`", 0, "invisible", true},      {"`code`", 1, "mono", true},
      {"`code`", 1, "invisible", false},     {"snake_case", 5, "prox", false},
      {"[label]", 0, "invisible", true},     {"[label]", 1, "link", true},
      {"[label]", 1, "invisible", false},    {"notes/other", 0, "url", true},
      {"notes/other", 0, "invisible", true}, {"notes/other", 0, "link", true},
      {"![alt]", 0, "image", true},          {"![alt]", 0, "prox", true},
      {"pic.png", 0, "url", true},           {"pic.png", 0, "invisible", true},
      {"<https", 0, "invisible", true},      {"<https", 1, "url", true},
      {"- [ ] open", 0, "prox", false},      {"- [ ] open", 2, "checkbox", true},
      {"- [ ] open", 2, "prox", true},       {"- [ ] open", 4, "invisible", true},
      {"- [ ] open", 6, "prox", false},      {"* [x] done", 2, "checkbox", true},
      {"> quote", 0, "invisible", true},     {"> quote", 2, "blockquote-text", true},
      {"> quote", 2, "prox", false},         {"---", 1, "hline", true},
      {"---", 1, "invisible", true},         {"```c", 0, "cbstart", true},
      {"```c", 0, "invis", true},            {"```c", 3, "cbtag", true},
      {"int x;", 0, "mono", true},           {"int x;", 0, "prox", false},
      {"```\nplain", 0, "cbend", true},      {"plain end", 0, "prox", false},
  };
  ExpectClasses(buffer, cases);
}

TEST(ResourcesGuiTest, WidgetRegionsBeginAtTheirAnchor) {
  auto lang = Languages()->get_language("markdown");
  auto buffer = Gsv::Buffer::create(lang);
  buffer->set_text("- [x] done\n![alt](pic.png)\n");
  // The editor puts an anchor in front of a widget region.
  buffer->create_child_anchor(buffer->get_iter_at_line_offset(0, 2));
  buffer->create_child_anchor(buffer->get_iter_at_line(1));
  buffer->ensure_highlight(buffer->begin(), buffer->end());
  struct {
    int line, offset;
    const char* cls;
  } anchors[] = {{0, 2, "checkbox"}, {1, 0, "image"}};
  for (const auto& a : anchors) {
    Gtk::TextIter anchor = buffer->get_iter_at_line_offset(a.line, a.offset);
    ASSERT_TRUE(anchor.get_child_anchor());
    EXPECT_TRUE(buffer->iter_has_context_class(anchor, "prox")) << a.cls;
    EXPECT_TRUE(buffer->iter_has_context_class(anchor, a.cls)) << a.cls;
    Gtk::TextIter next = anchor;
    next.forward_char();
    EXPECT_TRUE(buffer->iter_has_context_class(next, a.cls)) << a.cls;
    if (a.offset > 0) {
      Gtk::TextIter before = anchor;
      before.backward_char();
      EXPECT_FALSE(buffer->iter_has_context_class(before, "prox")) << a.cls;
    }
  }
}

TEST(ResourcesGuiTest, BasicMarkdownHasNoProximityRegions) {
  auto buffer = Highlight("markdown-basic", kSample);
  Gtk::TextIter start = buffer->begin();
  EXPECT_FALSE(buffer->iter_has_context_class(start, "prox"));
  EXPECT_FALSE(buffer->iter_forward_to_context_class_toggle(start, "prox"));
  start = buffer->begin();
  EXPECT_FALSE(buffer->iter_forward_to_context_class_toggle(start, "invisible"));
  const ClassCase cases[] = {
      {"# Title", 2, "extra-space", true}, {"`code`", 1, "mono", true},  {"[label]", 1, "link", true},
      {"notes/other", 0, "url", true},     {"```c", 0, "cbstart", true}, {"```c", 0, "invis", false},
  };
  ExpectClasses(buffer, cases);
}

TEST(ResourcesGuiTest, StyleSheetAndInterfaceDescriptionsLoad) {
  auto css = Gtk::CssProvider::create();
  EXPECT_NO_THROW(css->load_from_path(kRoot + "/data/stylesheet.css"));

  auto toolbar = Gtk::Builder::create_from_file(kRoot + "/data/toolbar.glade");
  Gtk::Toolbar* bar = nullptr;
  toolbar->get_widget("toolbar", bar);
  ASSERT_TRUE(bar);
  Gtk::IconTheme::get_default()->append_search_path(kRoot + "/data/icons");
  struct {
    const char* id;
    const char* action;
    const char* group_of;
  } buttons[] = {
      {"text", "notebook.cmode-text", "text"},     {"draw", "notebook.cmode-draw", "text"},
      {"erase", "notebook.cmode-erase", "text"},   {"select", "notebook.cmode-select", "text"},
      {"medium", "notebook.stroke2", "medium"},
  };
  Gtk::RadioToolButton* text = nullptr;
  toolbar->get_widget("text", text);
  ASSERT_TRUE(text);
  for (const auto& b : buttons) {
    Gtk::RadioToolButton* button = nullptr;
    toolbar->get_widget(b.id, button);
    ASSERT_TRUE(button) << b.id;
    EXPECT_STREQ(gtk_actionable_get_action_name(GTK_ACTIONABLE(button->gobj())), b.action);
    bool same_group = gtk_radio_tool_button_get_group(button->gobj()) == gtk_radio_tool_button_get_group(text->gobj());
    EXPECT_EQ(same_group, std::string(b.group_of) == "text") << b.id;
  }
  for (Gtk::Widget* child : bar->get_children()) {
    auto* item = dynamic_cast<Gtk::ToolButton*>(child);
    if (!item) continue;
    EXPECT_TRUE(Gtk::IconTheme::get_default()->lookup_icon(item->get_icon_name(), 16, Gtk::IconLookupFlags()))
        << item->get_icon_name();
    EXPECT_FALSE(item->get_tooltip_text().empty()) << item->get_icon_name();
  }
  Gtk::IconInfo pick = Gtk::IconTheme::get_default()->lookup_icon("pick-color-symbolic", 16, Gtk::IconLookupFlags());
  ASSERT_TRUE(pick);
  EXPECT_TRUE(pick.is_symbolic());

  auto prefs = Gtk::Builder::create_from_file(kRoot + "/data/preferences.glade");
  Gtk::Dialog* dialog = nullptr;
  Gtk::FileChooserButton* base = nullptr;
  Gtk::CheckButton *headerbar = nullptr, *proxy = nullptr;
  prefs->get_widget("preferences", dialog);
  prefs->get_widget("base_path", base);
  prefs->get_widget("use_headerbar", headerbar);
  prefs->get_widget("use_highlight_proxy", proxy);
  ASSERT_TRUE(dialog && base && headerbar && proxy);
  EXPECT_TRUE(dialog->get_widget_for_response(Gtk::RESPONSE_OK));
  EXPECT_TRUE(dialog->get_widget_for_response(Gtk::RESPONSE_CANCEL));
  EXPECT_EQ(base->get_action(), Gtk::FILE_CHOOSER_ACTION_SELECT_FOLDER);
  delete dialog;
}

TEST(ResourcesGuiTest, DefaultConfigurationHasEveryKey) {
  std::ifstream in(kRoot + "/data/default_config.json");
  Json::Value config;
  in >> config;
  EXPECT_TRUE(config["base_path"].isString());
  EXPECT_EQ(config["base_path"].asString(), "");
  EXPECT_EQ(config["active_document"].asString(), "");
  EXPECT_TRUE(config["use_headerbar"].isBool());
  EXPECT_TRUE(config["use_highlight_proxy"].isBool());
  const Json::Value& colors = config["colors"];
  ASSERT_GE(colors.size(), 6u);
  for (const auto& color : colors)
    for (const char* c : {"r", "g", "b"}) {
      EXPECT_TRUE(color[c].isNumeric());
      EXPECT_GE(color[c].asDouble(), 0.0);
      EXPECT_LE(color[c].asDouble(), 1.0);
    }
  EXPECT_LT(colors[0]["r"].asDouble() + colors[0]["g"].asDouble() + colors[0]["b"].asDouble(), 1.0);
}
