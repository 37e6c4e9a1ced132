// Export of the open note as portable markdown and, through the real
// pandoc, as PDF.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "app/main_window.h"
#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

// The file chooser remembers its settings; keep them away from the user's.
const bool kMemorySettings = g_setenv("GSETTINGS_BACKEND", "memory", TRUE);

std::string DrawingLink(float hue) {
  CBoundDrawing drawing{Glib::RefPtr<Gdk::Window>()};
  drawing.Resize(160, 90, 0, 0);
  CStroke stroke;
  stroke.color[0] = hue;
  stroke.color[3] = 1;
  for (int i = 0; i < 20; ++i) stroke.Append(10.0f + 7 * i, 20.0f + 3 * i, 3.0f);
  drawing.AddStroke(stroke, true, 0, 0);
  return drawing.Serialize();
}

// A program's standard output, or "" when it cannot run.
std::string Output(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, nullptr, &status,
                    nullptr))
    return "";
  std::string result = out ? out : "";
  g_free(out);
  return result;
}

// The temporary file named by the export's line on standard output.
std::string TemporaryOf(const std::string& printed) {
  const std::string key = "Exporting to PDF (temporary file: ";
  size_t at = printed.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  return printed.substr(at, printed.find("): ", at) - at);
}

class NoteExportTest : public ::testing::Test {
protected:
  TempDir dir;
  DevelTree tree{dir.path()};
  TempDir out;

  void SetUp() override {
    a = DrawingLink(0.9f);
    b = DrawingLink(0.2f);
    note = "# Garden plan\n\nTomatoes along the fence\n" + a + "\nBeans behind them\n" + b + "\n- [ ] water daily\n";
    WriteFileText(tree.Notes("/plan.md"), note);
    tree.WriteConfig(R"({"active_document": "/plan.md"})");
    ::testing::internal::CaptureStdout();
    window = std::make_unique<CMainWindow>(TestApplication());
    RunUntilIdle();
    ::testing::internal::GetCapturedStdout();
  }
  // Exports and waits for the end of the run; what was printed meanwhile.
  std::string Export(const std::string& chosen, bool pdfFilter) {
    ::testing::internal::CaptureStdout();
    window->ExportTo(chosen, pdfFilter);
    running_at_once = window->NoteExport().Running();
    message_at_once = window->NoteExport().Message();
    RunUntil([&] { return !window->NoteExport().Running(); }, 90000);
    return ::testing::internal::GetCapturedStdout();
  }

  std::string a, b, note;
  std::unique_ptr<CMainWindow> window;
  bool running_at_once = false;
  std::string message_at_once;
};

TEST(ExportTargetTest, NameAndFilterAgree) {
  struct {
    const char* chosen;
    bool pdfFilter;
    const char* file;
    bool pdf;
  } cases[] = {
      {"/t/a.pdf", false, "/t/a.pdf", true},   // the typed extension wins
      {"/t/a.md", true, "/t/a.md", false},
      {"/t/a.PDF", false, "/t/a.PDF", true},
      {"/t/a", true, "/t/a.pdf", true},        // none: the filter's
      {"/t/a", false, "/t/a.md", false},
      {"/t/a.txt", false, "/t/a.txt", false},  // markdown under another name
      {"/t/a.txt", true, "/t/a.txt.pdf", true},
      {"/t/v1.2/a", false, "/t/v1.2/a.md", false},
      {"/t/.hidden", false, "/t/.hidden.md", false},
  };
  for (const auto& c : cases) {
    SExportTarget target = ExportTarget(c.chosen, c.pdfFilter);
    EXPECT_EQ(target.file, c.file) << c.chosen << " " << c.pdfFilter;
    EXPECT_EQ(target.pdf, c.pdf) << c.chosen << " " << c.pdfFilter;
  }
}

TEST_F(NoteExportTest, PortableMarkdownHoldsPngLinksAndTheSameText) {
  std::string printed = Export(out / "plan", false);
  EXPECT_EQ(printed, "");  // only the PDF route reports on standard output
  std::string text = ReadFileText(out / "plan.md");
  auto buffer = window->Notebook().SourceBuffer();
  EXPECT_EQ(text, SerializeNote(buffer, buffer->begin(), buffer->end(), true));
  EXPECT_EQ(text.find("ql:"), std::string::npos);
  // Each drawing link became a PNG link; everything around them is as it was.
  size_t first = text.find("![](data:image/png;base64,");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(text.substr(0, first), "# Garden plan\n\nTomatoes along the fence\n");
  size_t second = text.find("![](data:image/png;base64,", first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(text.substr(text.find(')', first), second - text.find(')', first)), ")\nBeans behind them\n");
  EXPECT_EQ(text.substr(text.find(')', second)), ")\n- [ ] water daily\n");
  // The note itself is not touched.
  EXPECT_EQ(ReadFileText(tree.Notes("/plan.md")), note);
  EXPECT_NE(window->NoteExport().Message().find("Exported to"), std::string::npos);
}

TEST_F(NoteExportTest, PdfThroughPandocHasTheWordsAndTheDrawings) {
  // Characters a shell would interpret, and spaces.
  const std::string name = out / "it's \"my\" $HOME `date` plan";
  std::string printed = Export(name, true);
  // The window went on while pandoc ran, and said so.
  EXPECT_TRUE(running_at_once);
  EXPECT_NE(message_at_once.find("Exporting to PDF"), std::string::npos) << message_at_once;

  std::string temporary = TemporaryOf(printed);
  ASSERT_FALSE(temporary.empty()) << printed;
  EXPECT_EQ(printed, "Exporting to PDF (temporary file: " + temporary + "): success.\n");
  EXPECT_EQ(Glib::path_get_basename(temporary).rfind("qlexport", 0), 0u) << temporary;
  EXPECT_FALSE(PathExists(temporary));

  std::string pdf = ReadFileText(name + ".pdf");
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u) << window->NoteExport().Message();
  std::string words = Output({"pdftotext", name + ".pdf", "-"});
  for (const char* word : {"Garden plan", "Tomatoes along the fence", "Beans behind them", "water daily"})
    EXPECT_NE(words.find(word), std::string::npos) << word << " in " << words;
  // pdfimages -list: a line per picture of type "image" (their alpha
  // masks are listed as "smask").
  std::string images = Output({"pdfimages", "-list", name + ".pdf"});
  int pictures = 0;
  std::istringstream rows(images);
  for (std::string row; std::getline(rows, row);) {
    std::istringstream fields(row);
    std::string page, number, type;
    if (fields >> page >> number >> type && type == "image") ++pictures;
  }
  EXPECT_EQ(pictures, 2) << images;
  EXPECT_NE(images.find(" 160 "), std::string::npos) << images;
  EXPECT_NE(window->NoteExport().Message().find("Exported to"), std::string::npos);
}

TEST_F(NoteExportTest, PdfFindsPicturesStoredBesideTheNote) {
  // A pasted picture is linked relative to the note's folder.
  ASSERT_EQ(system(("mkdir -p '" + tree.Notes("/.images") + "'").c_str()), 0);
  Glib::RefPtr<Gdk::Pixbuf> picture = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 33, 21);
  picture->fill(0x3366ccff);
  picture->save(tree.Notes("/.images/0123456789abcdef.png"), "png");
  auto buffer = window->Notebook().SourceBuffer();
  buffer->insert(buffer->end(), "\n![](.images/0123456789abcdef.png) \n");
  Export(out / "with picture.pdf", false);
  std::string images = Output({"pdfimages", "-list", out / "with picture.pdf"});
  EXPECT_NE(images.find("      33    21 "), std::string::npos) << images;
}

TEST_F(NoteExportTest, FailedConversionKeepsItsTemporaryFileAndShowsPandocsWords) {
  std::string printed = Export(out / "missing folder/plan.pdf", false);
  std::string temporary = TemporaryOf(printed);
  ASSERT_FALSE(temporary.empty()) << printed;
  EXPECT_EQ(printed.rfind("Exporting to PDF (temporary file: " + temporary + "): failure (", 0), 0u) << printed;
  EXPECT_NE(printed.find("). Temporary file not deleted.\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("failure (256)"), std::string::npos) << printed;  // pandoc's exit status 1, raw
  ASSERT_TRUE(PathExists(temporary));
  EXPECT_EQ(ReadFileText(temporary).find("# Garden plan\n"), 0u);
  std::string message = window->NoteExport().Message();
  EXPECT_NE(message.find("PDF export failed"), std::string::npos) << message;
  EXPECT_NE(message.find("does not exist"), std::string::npos) << message;  // pandoc's own text
  EXPECT_NE(message.find(temporary), std::string::npos) << message;
  EXPECT_EQ(window->NoteExport().Bar().get_message_type(), Gtk::MESSAGE_ERROR);
  std::remove(temporary.c_str());
}

// The dialog that is showing, if any.
Gtk::FileChooserDialog* ShownChooser() {
  for (Gtk::Window* w : Gtk::Window::list_toplevels())
    if (auto* chooser = dynamic_cast<Gtk::FileChooserDialog*>(w))
      if (chooser->get_visible()) return chooser;
  return nullptr;
}

GtkWidget* FindFocusedEntry(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget) && gtk_widget_has_focus(widget)) return widget;
  GtkWidget* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c && !found; c = c->next) found = FindFocusedEntry(GTK_WIDGET(c->data));
    g_list_free(children);
  }
  return found;
}

TEST_F(NoteExportTest, DialogExportsOnEnterInTheNameField) {
  std::vector<std::string> filters;
  std::string title, suggested;
  bool entered = false;
  int ticks = 0;
  Glib::signal_timeout().connect(
      [&]() {
        Gtk::FileChooserDialog* chooser = ShownChooser();
        if (!chooser) return true;
        // The name field takes the focus once the dialog is up; a slow
        // (sanitized) build gets there later.
        if (!FindFocusedEntry(GTK_WIDGET(chooser->gobj())) && ++ticks < 50) return true;
        title = chooser->get_title();
        suggested = chooser->get_current_name();
        for (const auto& filter : chooser->list_filters()) filters.push_back(filter->get_name());
        chooser->set_current_folder(out.path());
        chooser->set_current_name("by enter");
        GtkWidget* entry = FindFocusedEntry(GTK_WIDGET(chooser->gobj()));
        if (!entry) {
          chooser->response(Gtk::RESPONSE_CANCEL);
          return false;
        }
        // Enter as the keyboard gives it, to the focused name field.
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(chooser->get_window()->gobj()));
        event->key.keyval = GDK_KEY_Return;
        event->key.time = GDK_CURRENT_TIME;
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), GDK_KEY_Return,
                                              &keys, &count) &&
            count > 0)
          event->key.hardware_keycode = guint16(keys[0].keycode);
        g_free(keys);
        entered = true;
        gtk_main_do_event(event);
        gdk_event_free(event);
        // Answered by now, or it never will be: close it so the test ends.
        Glib::signal_timeout().connect_once([]() {
          if (Gtk::FileChooserDialog* left = ShownChooser()) left->response(Gtk::RESPONSE_CANCEL);
        }, 2000);
        return false;
      },
      100);
  dynamic_cast<Gtk::MenuItem*>(window->MenuBar().get_children()[0])->get_submenu()->get_children()[1]->activate();
  RunUntilIdle();
  EXPECT_EQ(title, "Export current note");
  EXPECT_EQ(suggested, "plan");
  EXPECT_EQ(filters, (std::vector<std::string>{"Portable markdown", "Pandoc to PDF (requires pandoc)"}));
  EXPECT_TRUE(entered);
  EXPECT_TRUE(PathExists(out / "by enter.md"));
}

TEST_F(NoteExportTest, WithNoNoteOpenThereIsNoDialog) {
  window->OpenDocument("");
  bool shown = false;
  auto watch = Glib::signal_timeout().connect(
      [&]() {
        if (Gtk::FileChooserDialog* chooser = ShownChooser()) {
          shown = true;
          chooser->response(Gtk::RESPONSE_CANCEL);
        }
        return true;
      },
      50);
  dynamic_cast<Gtk::MenuItem*>(window->MenuBar().get_children()[0])->get_submenu()->get_children()[1]->activate();
  RunFor(300);
  watch.disconnect();
  EXPECT_FALSE(shown);
}

}  // namespace
