#include "editor/notebook.h"

#include "drawing/pen_editor.h"
#include "drawing/pen_input.h"
#include "editor/document_format.h"
#include "editor/undo_manager.h"

CNotebook::CNotebook() {}

CNotebook::~CNotebook() {
  // The toolkit's teardown still emits these; the members are gone by then.
  for (sigc::connection* watch : {&listing_switch, &refit_timer, &widget_scan, &scroll_watch, &extent_watch, &adjustment_watch, &allocation_watch})
    watch->disconnect();
}

void CNotebook::Initialise(const std::string& resourcePath, bool useHighlightProxy) {
  source_buffer = Glib::RefPtr<Gsv::Buffer>::cast_dynamic(get_buffer());

  auto schemes = Gsv::StyleSchemeManager::create();
  schemes->set_search_path({resourcePath + "/sourceview/"});
  source_buffer->set_style_scheme(schemes->get_scheme("quillon"));

  // Code blocks start plain; the languages that the note's fences name
  // come in once it is loaded (notebook_listing.cpp).
  resource_path = resourcePath;
  use_highlight_proxy = useHighlightProxy;
  language_manager = CreateLanguageManager("");
  source_buffer->set_language(language_manager->get_language("markdown"));

  RegisterNoteFormats(*this);
  CUndoManager::Hooks hooks;
  hooks.capture = [this](const GtkTextIter& start, const GtkTextIter& end) { return CaptureContent(start, end); };
  hooks.insert = [this](int offset, const SUndoContent& content) { return InsertContent(offset, content); };
  hooks.edit = [this](int offset, const SObjectEdit& edit, bool undo) { ApplyDrawingEdit(offset, edit, undo); };
  undo_manager = std::make_unique<CUndoManager>(source_buffer->gobj(), hooks);

  add_child_in_window(overlay, Gtk::TEXT_WINDOW_WIDGET, 0, 0);

  actions = Gio::SimpleActionGroup::create();
  struct {
    const char* name;
    int kind, value;
  } table[] = {{"cmode-text", 0, 0}, {"cmode-draw", 0, 1}, {"cmode-erase", 0, 2}, {"cmode-select", 0, 3},
               {"stroke1", 1, 1},    {"stroke2", 1, 2},    {"stroke3", 1, 3}};
  for (const auto& entry : table) {
    std::string name = entry.name;
    int kind = entry.kind, value = entry.value;
    actions->add_action(name, [this, name, kind, value]() { OnAction(name, kind, value); });
  }

  ConnectPen();
  ConnectSignals();
  PatchClass();

  pen_operation = 0;
  cursor_refresh = false;
  auto display = Gdk::Display::get_default();
  default_cursor = Gdk::Cursor::create(display, "default");
  pointer_cursor = Gdk::Cursor::create(display, "pointer");

  CreateTags();
  set_wrap_mode(Gtk::WRAP_WORD_CHAR);
}

void CNotebook::OnAction(const std::string&, int kind, int value) {
  if (kind == 0) {
    device_modes.Set(last_device, value);
    cursor_refresh = true;
  } else if (kind == 1) {
    stroke_width = float(value);
  }
}

void CNotebook::CreateTags() {
  auto context = get_style_context();
  Gdk::RGBA text = context->get_color(Gtk::STATE_FLAG_NORMAL);
  text.set_alpha(0.75);
  GdkRGBA background;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_style_context_get_background_color(context->gobj(), GTK_STATE_FLAG_NORMAL, &background);
  G_GNUC_END_IGNORE_DEPRECATIONS
  Gdk::RGBA backgroundColor(&background, true);

  auto tags = source_buffer->get_tag_table();
  auto make = [&tags]() {
    auto tag = Gtk::TextTag::create();
    tags->add(tag);
    return tag;
  };
  spacing_tag = make();
  spacing_tag->property_pixels_below_lines() = 8;
  spacing_tag->property_pixels_above_lines() = 8;
  quote_tag = make();
  quote_tag->property_left_margin() = 16;
  quote_tag->property_indent() = -16;
  quote_tag->property_accumulative_margin() = true;
  quote_tag->property_foreground_rgba() = text;
  label_background_tag = make();
  label_background_tag->property_background_rgba() = backgroundColor;
  background_ink_tag = make();
  background_ink_tag->property_foreground_rgba() = backgroundColor;
  hidden_tag = make();
  hidden_tag->property_invisible() = true;
  monospace_tag = make();
  monospace_tag->property_family() = "monospace";
  monospace_tag->property_scale() = 0.8;
  anchor_tag = make();
  last_position = source_buffer->create_mark("last_position", source_buffer->begin(), true);
  proximity_tag = make();
}

void CNotebook::ConnectSignals() {
  signal_size_allocate().connect(sigc::mem_fun(*this, &CNotebook::OnSizeAllocate), true);
  allocation_watch =
      signal_size_allocate().connect(sigc::hide(sigc::mem_fun(*this, &CNotebook::ScheduleWidgetScan)), true);
  adjustment_watch =
      property_vadjustment().signal_changed().connect(sigc::mem_fun(*this, &CNotebook::WatchAdjustment));
  WatchAdjustment();
  overlay.signal_draw().connect(sigc::mem_fun(*this, &CNotebook::OnOverlayDraw), true);
  signal_button_press_event().connect(sigc::mem_fun(*this, &CNotebook::OnButtonPress), false);
  signal_button_release_event().connect(sigc::mem_fun(*this, &CNotebook::OnButtonRelease), false);
  signal_motion_notify_event().connect(sigc::mem_fun(*this, &CNotebook::OnMotion), false);
  source_buffer->signal_insert().connect(sigc::mem_fun(*this, &CNotebook::OnInsertText), true);
  source_buffer->signal_insert().connect(
      [this](const Gtk::TextIter& end, const Glib::ustring& text, int bytes) {
        Gtk::TextIter start = end;
        start.backward_chars(int(g_utf8_strlen(text.data(), bytes)));
        NoteFences(start, end, text.raw().find('\n') == std::string::npos);
      },
      true);
  source_buffer->signal_erase().connect([this](const Gtk::TextIter& start, const Gtk::TextIter& end) { NoteFences(start, end, true); },
                                        true);
  source_buffer->signal_changed().connect([this]() { last_change_time = g_get_real_time(); }, true);
  source_buffer->signal_highlight_updated().connect(sigc::mem_fun(*this, &CNotebook::OnHighlightUpdated), true);
  source_buffer->property_cursor_position().signal_changed().connect([this]() {
    if (!source_buffer->get_has_selection()) ScheduleCursorMove();
  });
}

void CNotebook::SetTextCursor(const Glib::RefPtr<Gdk::Cursor>& cursor) {
  if (auto window = get_window(Gtk::TEXT_WINDOW_TEXT)) window->set_cursor(cursor);
}
