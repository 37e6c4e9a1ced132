#define GTK_TEXT_USE_INTERNAL_UNSUPPORTED_API
#include <gtest/gtest.h>
#include <gtk/gtktextlayout.h>

#include "editor/notebook.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

class EditorViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    notebook.Initialise(QL_SOURCE_DIR, false);
    window.add(notebook);
    window.set_default_size(400, 300);
    window.show_all();
    RunUntilIdle();
  }
  Gtk::Window window;
  CNotebook notebook;
};

TEST_F(EditorViewTest, HighlightingSetUp) {
  auto buffer = notebook.SourceBuffer();
  ASSERT_TRUE(buffer->get_style_scheme());
  EXPECT_EQ(buffer->get_style_scheme()->get_id(), "quillon");
  ASSERT_TRUE(buffer->get_language());
  EXPECT_EQ(buffer->get_language()->get_id(), "markdown");

  auto defaults = Gsv::LanguageManager::create()->get_search_path();
  auto path = notebook.LanguageManager()->get_search_path();
  ASSERT_EQ(path.size(), defaults.size() + 1);
  EXPECT_EQ(path.front(), std::string(QL_SOURCE_DIR) + "/sourceview/");
  EXPECT_EQ(notebook.get_wrap_mode(), Gtk::WRAP_WORD_CHAR);
}

TEST_F(EditorViewTest, GeneratedLanguageComesFirstWithTheHighlightingFlag) {
  CNotebook proxied;
  proxied.Initialise(QL_SOURCE_DIR, true);
  // Nothing generated until a fence names a language.
  EXPECT_EQ(proxied.LanguageManager()->get_search_path().front(), std::string(QL_SOURCE_DIR) + "/sourceview/");
  proxied.CoverFenceLanguages("```python\n");
  auto path = proxied.LanguageManager()->get_search_path();
  ASSERT_GE(path.size(), 2u);
  EXPECT_EQ(path[0].rfind("/tmp/quillon.gsv/listing-", 0), 0u) << path[0];
  EXPECT_EQ(path[1], std::string(QL_SOURCE_DIR) + "/sourceview/");
}

TEST_F(EditorViewTest, TagsMarkAndFormats) {
  EXPECT_TRUE(notebook.hidden_tag->property_invisible().get_value());
  EXPECT_EQ(notebook.spacing_tag->property_pixels_above_lines().get_value(), 8);
  EXPECT_EQ(notebook.quote_tag->property_indent().get_value(), -16);
  EXPECT_EQ(notebook.monospace_tag->property_family().get_value(), "monospace");
  EXPECT_DOUBLE_EQ(notebook.monospace_tag->property_scale().get_value(), 0.8);
  EXPECT_TRUE(notebook.SourceBuffer()->get_mark("last_position"));
  EXPECT_TRUE(notebook.proximity_tag);

  std::vector<std::string> formats;
  gint count = 0;
  GdkAtom* atoms = gtk_text_buffer_get_deserialize_formats(GTK_TEXT_BUFFER(notebook.SourceBuffer()->gobj()), &count);
  for (gint i = 0; i < count; ++i) {
    gchar* name = gdk_atom_name(atoms[i]);
    formats.push_back(name);
    g_free(name);
  }
  g_free(atoms);
  EXPECT_NE(std::find(formats.begin(), formats.end(), "text/quillon-markdown"), formats.end());
}

TEST_F(EditorViewTest, ModeAndStrokeActions) {
  struct {
    const char* action;
    int mode;
    float width;
  } cases[] = {{"cmode-draw", 1, 0}, {"stroke2", 1, 2.0f}, {"cmode-erase", 2, 2.0f},
               {"cmode-select", 3, 2.0f}, {"stroke3", 3, 3.0f}, {"cmode-text", 0, 3.0f}, {"stroke1", 0, 1.0f}};
  for (const auto& c : cases) {
    notebook.cursor_refresh = false;
    notebook.ActionGroup()->activate_action(c.action);
    // Before any pointer event the last device is null, a key like any other.
    EXPECT_TRUE(notebook.device_modes.Knows(nullptr));
    EXPECT_EQ(notebook.device_modes.ModeOf(nullptr), c.mode) << c.action;
    EXPECT_EQ(notebook.stroke_width, c.width) << c.action;
  }
  EXPECT_EQ(notebook.device_modes.Size(), 1u);
}

GdkEvent* Event(GdkEventType type, Gtk::Widget& widget) {
  GdkEvent* event = gdk_event_new(type);
  GdkWindow* window = widget.get_window()->gobj();
  if (type == GDK_KEY_PRESS || type == GDK_KEY_RELEASE)
    event->key.window = GDK_WINDOW(g_object_ref(window));
  else
    event->button.window = GDK_WINDOW(g_object_ref(window));
  gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  return event;
}

TEST_F(EditorViewTest, ShiftEnterIsRemembered) {
  notebook.grab_focus();
  GdkEvent* event = Event(GDK_KEY_PRESS, notebook);
  event->key.keyval = GDK_KEY_Return;
  event->key.state = GDK_SHIFT_MASK | GDK_MOD2_MASK | (1u << 13);  // bit 13 lies outside the modifier mask
  gtk_widget_event(GTK_WIDGET(notebook.gobj()), event);
  gdk_event_free(event);
  EXPECT_EQ(notebook.last_key, guint(GDK_KEY_Return));
  EXPECT_EQ(notebook.last_key_state, guint(GDK_SHIFT_MASK | GDK_MOD2_MASK));
}

TEST_F(EditorViewTest, PointerEventsWaitForAValidLayoutKeysDoNot) {
  auto* layout = *reinterpret_cast<GtkTextLayout**>(GTK_TEXT_VIEW(notebook.gobj())->priv);
  ASSERT_NE(layout, nullptr);
  ASSERT_TRUE(gtk_text_layout_is_valid(layout));
  GdkEvent* press = Event(GDK_BUTTON_PRESS, notebook);
  press->button.button = 1;
  GdkEvent* key = Event(GDK_KEY_PRESS, notebook);
  key->key.keyval = GDK_KEY_a;

  auto* view = GTK_WIDGET(notebook.gobj());
  GtkWidgetClass* klass = GTK_WIDGET_GET_CLASS(view);
  EXPECT_FALSE(klass->event(view, press));
  // A long insertion leaves the layout to be validated in idle time.
  notebook.SourceBuffer()->set_text(std::string(20000, 'x') + "\n" + std::string(20000, 'y'));
  ASSERT_FALSE(gtk_text_layout_is_valid(layout));
  EXPECT_TRUE(klass->event(view, press));
  EXPECT_FALSE(klass->event(view, key));
  gdk_event_free(press);
  gdk_event_free(key);
}

TEST_F(EditorViewTest, ClassRecordIsPatchedOnce) {
  auto* klass = GTK_TEXT_VIEW_CLASS(G_OBJECT_GET_CLASS(notebook.gobj()));
  auto* plain = GTK_TEXT_VIEW_CLASS(g_type_class_ref(GTK_TYPE_TEXT_VIEW));
  EXPECT_EQ(klass->move_cursor, plain->move_cursor);
  EXPECT_EQ(klass->extend_selection, plain->extend_selection);
  EXPECT_NE(klass->copy_clipboard, plain->copy_clipboard);
  EXPECT_EQ(g_object_get_data(G_OBJECT(notebook.gobj()), "cppobj"), &notebook);

  // A second view must not save the patched handlers as the originals:
  // copying from it still reaches the clipboard.
  Gtk::Window other;
  CNotebook second;
  second.Initialise(QL_SOURCE_DIR, false);
  other.add(second);
  second.SourceBuffer()->set_text("copied");
  second.SourceBuffer()->select_range(second.SourceBuffer()->begin(), second.SourceBuffer()->end());
  g_signal_emit_by_name(second.gobj(), "copy-clipboard");
  auto text = Gtk::Clipboard::get()->wait_for_text();
  EXPECT_EQ(text, "copied");
  g_type_class_unref(plain);
}

TEST_F(EditorViewTest, ChangesStampTheLastChangeTime) {
  notebook.last_change_time = 0;
  gint64 before = g_get_real_time();
  notebook.SourceBuffer()->insert_at_cursor("x");
  EXPECT_GE(notebook.last_change_time, before);
}

}  // namespace
