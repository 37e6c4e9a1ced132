#include "editor/widget_factory.h"

#include <gtksourceviewmm.h>

#include <cstdio>

#include "editor/notebook.h"
#include "editor/percent_decode.h"

namespace {

const char kNaturalWidth[] = "quillon-natural-width";

bool Ticked(Gtk::TextIter i) {
  i.forward_char();  // the anchor
  if (i.get_char() == '[') i.forward_char();
  return i.get_char() == 'x' || i.get_char() == 'X';
}

// Writes the button's state into the text between the brackets.
void Toggle(CNotebook& editor, Gtk::CheckButton& button, const Glib::RefPtr<Gtk::TextMark>& mark) {
  if (mark->get_deleted()) return;
  auto buffer = editor.SourceBuffer();
  Gtk::TextIter at = buffer->get_iter_at_mark(mark);
  if (!at.forward_chars(2)) return;
  bool active = button.get_active();
  gunichar now = at.get_char();
  // The text says so already: the button is following it.
  if (active ? (now == 'x' || now == 'X') : now == ' ') return;
  buffer->begin_user_action();
  at = buffer->insert(at, active ? "x" : " ");
  Gtk::TextIter next = at;
  next.forward_char();
  buffer->erase(at, next);
  buffer->end_user_action();
}

void RefreshCheckbox(CNotebook&, const Gtk::TextIter& start) {
  bool ticked = Ticked(start);
  Gtk::TextIter at = start;
  for (Gtk::Widget* widget : at.get_child_anchor()->get_widgets())
    if (auto* button = dynamic_cast<Gtk::CheckButton*>(widget))
      if (button->get_active() != ticked) button->set_active(ticked);
}

void DeleteMarkLater(gpointer data) {
  auto* mark = static_cast<Glib::RefPtr<Gtk::TextMark>*>(data);
  Glib::signal_idle().connect_once([held = *mark]() {
    if (!held->get_deleted()) held->get_buffer()->delete_mark(held);
  });
  delete mark;
}

void Load(Gtk::Image& image, const std::string& path, int maxWidth) {
  try {
    auto animation = Gdk::PixbufAnimation::create_from_file(path);
    if (!animation) throw Glib::FileError(Glib::FileError::FAILED, path);
    if (!animation->is_static_image()) {
      image.set(animation);
      return;
    }
    auto pixbuf = animation->get_static_image();
    // Kept so that the image can be fitted again when the view narrows.
    g_object_set_data(G_OBJECT(image.gobj()), kNaturalWidth, GINT_TO_POINTER(pixbuf->get_width()));
    if (maxWidth > 0 && pixbuf->get_width() > maxWidth) {
      int height = std::max(1, int(double(pixbuf->get_height()) * maxWidth / pixbuf->get_width() + 0.5));
      pixbuf = pixbuf->scale_simple(maxWidth, height, Gdk::INTERP_BILINEAR);
    }
    image.set(pixbuf);
  } catch (const Glib::Error&) {
    image.set_from_icon_name("image-missing", Gtk::ICON_SIZE_BUTTON);
  }
}

}  // namespace

int ImageNaturalWidth(Gtk::Widget* widget) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget->gobj()), kNaturalWidth));
}

const std::unordered_map<std::string, WidgetFactory>& WidgetFactories() {
  static const std::unordered_map<std::string, WidgetFactory> table = [] {
    std::unordered_map<std::string, WidgetFactory> made;
    made.max_load_factor(1.0);
    made["checkbox"] = {MakeCheckbox, RefreshCheckbox};
    made["image"] = {MakeImage, nullptr};
    return made;
  }();
  return table;
}

Gtk::Widget* MakeCheckbox(CNotebook& editor, const Gtk::TextIter& start, const Gtk::TextIter&) {
  auto buffer = editor.SourceBuffer();
  Glib::RefPtr<Gtk::TextMark> mark = buffer->create_mark(start, true);
  Gtk::TextIter next = start;
  next.forward_char();
  buffer->apply_tag(editor.RiseTag(2), start, next);

  auto* button = new Gtk::CheckButton();
  button->set_active(Ticked(start));
  button->set_can_focus(false);
  button->property_active().signal_changed().connect(
      [&editor, button, mark]() { Toggle(editor, *button, mark); });
  button->signal_enter_notify_event().connect(
      [&editor](GdkEventCrossing*) {
        editor.SetTextCursor(editor.default_cursor);
        return false;
      },
      true);
  button->signal_leave_notify_event().connect(
      [&editor](GdkEventCrossing*) {
        editor.cursor_refresh = true;
        return false;
      },
      true);
  // The mark goes with the button; a button that is only unmapped (its
  // window hidden) keeps it, so ticking after the window shows again works.
  g_object_set_data_full(G_OBJECT(button->gobj()), "quillon-mark", new Glib::RefPtr<Gtk::TextMark>(mark),
                         DeleteMarkLater);
  return button;
}

Gtk::Widget* MakeImage(CNotebook& editor, const Gtk::TextIter& start, const Gtk::TextIter& end) {
  auto buffer = editor.SourceBuffer();
  auto* image = new Gtk::Image();
  Gtk::TextIter from = start;
  if (!buffer->iter_forward_to_context_class_toggle(from, "url") || !(from < end)) {
    image->set_from_icon_name("action-unavailable", Gtk::ICON_SIZE_BUTTON);
    return image;
  }
  Gtk::TextIter to = from;
  buffer->iter_forward_to_context_class_toggle(to, "url");
  std::string path = PercentDecode(buffer->get_text(from, to, true));
  std::printf("'%s'\n", path.c_str());
  std::fflush(stdout);

  std::string directory = editor.DocumentDirectory();
  if (directory.empty()) directory = Glib::get_current_dir();
  GFile* file = g_file_new_for_commandline_arg_and_cwd(path.c_str(), directory.c_str());
  gchar* local = g_file_get_path(file);
  g_object_unref(file);
  if (local)
    Load(*image, local, editor.ImageWidthLimit());
  else
    image->set_from_icon_name("image-missing", Gtk::ICON_SIZE_BUTTON);
  g_free(local);
  return image;
}
