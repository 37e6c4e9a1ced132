#include <cstdio>

#include "app/main_window.h"
#include "drawing/pen_event.h"

namespace {

Json::Value ColorEntry(Json::Value& config, int n) {
  const Json::Value& colors = config["colors"];
  if (!colors.isArray() || n < 1 || Json::ArrayIndex(n) > colors.size()) return Json::Value();
  return colors[Json::ArrayIndex(n - 1)];
}

float Component(const Json::Value& entry, const char* key) {
  if (!entry.isObject() || !entry.isMember(key) || !entry[key].isNumeric()) return 0.0f;
  return entry[key].asFloat();
}

}  // namespace

void CMainWindow::ReadColor(int n, float& r, float& g, float& b) {
  Json::Value entry = ColorEntry(config, n);
  r = Component(entry, "r");
  g = Component(entry, "g");
  b = Component(entry, "b");
}

void CMainWindow::WriteColor(int n, float r, float g, float b) {
  Json::Value& entry = config["colors"][Json::ArrayIndex(n - 1)];
  entry["r"] = r;
  entry["g"] = g;
  entry["b"] = b;
}

void CMainWindow::WriteColorRules() {
  std::string rules;
  const Json::Value& colors = config["colors"];
  int count = colors.isArray() ? int(colors.size()) : 0;
  for (int n = 1; n <= count; ++n) {
    float r, g, b;
    ReadColor(n, r, g, b);
    char rule[128];
    std::snprintf(rule, sizeof rule, "#color%d { -gtk-icon-palette: warning rgb(%d,%d,%d); }\n", n,
                  int(double(r) * 255), int(double(g) * 255), int(double(b) * 255));
    rules += rule;
  }
  color_provider->load_from_data(rules);
}

void CMainWindow::BuildToolbar() {
  toolbar_builder = Gtk::Builder::create_from_file(resource_path + "/data/toolbar.glade");
  toolbar_builder->get_widget("toolbar", toolbar);
  if (!toolbar) throw Gtk::BuilderError(Gtk::BuilderError::INVALID_ID, "toolbar.glade has no \"toolbar\"");
  Gtk::IconTheme::get_default()->append_search_path(resource_path + "/data/icons");

  color_provider = Gtk::CssProvider::create();
  color_provider->load_from_data("#color1 { -gtk-icon-palette: warning #ff00ff; }");

  const Json::Value& colors = config["colors"];
  int count = colors.isArray() ? int(colors.size()) : 0;
  Gtk::RadioToolButton::Group group;
  for (int n = 1; n <= count; ++n) {
    std::string name = "color" + std::to_string(n);
    notebook.ActionGroup()->add_action(name, [this, name, n]() { OnAction(name, 0, n); });
    auto* button = Gtk::manage(new Gtk::RadioToolButton(group, name));
    button->set_name(name);
    button->set_icon_name("pick-color-symbolic");
    button->set_tooltip_text("Pen colour " + std::to_string(n) + " (right click to change)");
    button->signal_button_press_event().connect(
        [this, n](GdkEventButton* event) { return OnColorButtonPress(event, n); }, true);
    button->get_style_context()->add_provider(color_provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(button->gobj()), ("notebook." + name).c_str());
    toolbar->append(*button);
  }
}

bool CMainWindow::OnColorButtonPress(GdkEventButton* event, int n) {
  if (event->button != 3) return false;
  float r, g, b;
  ReadColor(n, r, g, b);
  Gtk::ColorChooserDialog dialog("Select a color", *this);
  char initial[64];
  std::snprintf(initial, sizeof initial, "rgb(%d,%d,%d)", int(r * 255.0f), int(g * 255.0f), int(b * 255.0f));
  dialog.set_rgba(Gdk::RGBA(initial));
  if (dialog.run() == Gtk::RESPONSE_OK) {
    Gdk::RGBA chosen = dialog.get_rgba();
    WriteColor(n, float(chosen.get_red()), float(chosen.get_green()), float(chosen.get_blue()));
    WriteColorRules();
  }
  return true;
}

bool CMainWindow::OnPenDevice(GdkEventMotion* event) {
  SPenEvent pen = PenEventFrom(reinterpret_cast<GdkEvent*>(event));
  GdkDevice* device = gdk_event_get_source_device(reinterpret_cast<GdkEvent*>(event));
  if (device != notebook.last_device) {
    notebook.last_device = device;
    int mode = notebook.device_modes.EnterForSource(device, pen.source);
    const char* ids[] = {"text", "draw", "erase", "select"};
    auto* button = dynamic_cast<Gtk::ToggleToolButton*>(
        toolbar_builder->get_object(ids[mode >= 1 && mode <= 3 ? mode : 0]).get());
    if (button) button->set_active(true);
  } else if (!notebook.cursor_refresh) {
    return false;
  }
  notebook.cursor_refresh = false;
  int mode = notebook.device_modes.ModeOf(device);
  if (mode >= 0 && mode <= 3) {
    notebook.SetTextCursor(pen_cursors[mode]);
    notebook.set_cursor_visible(mode == 0);
  }
  return false;
}
