// Cut, copy and paste with drawings, other programs on the clipboard, and
// pasted or dropped images.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <signal.h>

#include <cstring>

#include "drawing/bound_drawing.h"
#include "editor/document_format.h"
#include "editor/note_clipboard.h"
#include "editor/notebook.h"
#include "support/gui_util.h"
#include "support/test_util.h"

namespace {

std::string DrawingLink(float hue, int strokes = 2) {
  CBoundDrawing drawing{Glib::RefPtr<Gdk::Window>()};
  drawing.Resize(120, 80, 0, 0);
  for (int s = 0; s < strokes; ++s) {
    CStroke stroke;
    stroke.color[0] = hue;
    stroke.color[3] = 1;
    for (int i = 0; i < 10; ++i) stroke.Append(10.0f + 5 * i, 20.0f + 3 * i + s, 2.5f);
    drawing.AddStroke(stroke, true, 0, 0);
  }
  return drawing.Serialize();
}

// An RGB image whose rows are padded; `edge` colours its rightmost column,
// `padding` fills the bytes past the last pixel of each row.
GdkPixbuf* Image(guint8 edge, guint8 padding = 0) {
  GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 5, 4);
  const int stride = gdk_pixbuf_get_rowstride(image);
  guint8* pixels = gdk_pixbuf_get_pixels(image);
  std::memset(pixels, padding, size_t(stride) * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      for (int c = 0; c < 3; ++c) pixels[y * stride + x * 3 + c] = x == 4 ? edge : guint8(40 * x + 10 * y + c);
  return image;
}

std::vector<std::string> Files(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

// Runs a program while the loop serves the clipboard; its standard output.
std::string RunServing(std::vector<std::string> args, const std::string& input = "") {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  GPid pid;
  int in = -1, out = -1;
  GError* error = nullptr;
  if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr,
                                GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr, &pid,
                                &in, &out, nullptr, &error)) {
    ADD_FAILURE() << error->message;
    g_error_free(error);
    return "";
  }
  if (!input.empty() && write(in, input.data(), input.size()) != ssize_t(input.size())) ADD_FAILURE();
  close(in);
  fcntl(out, F_SETFL, O_NONBLOCK);
  std::string result;
  char chunk[65536];
  gint64 end = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
  for (;;) {
    ssize_t n = read(out, chunk, sizeof chunk);
    if (n > 0) {
      result.append(chunk, size_t(n));
      continue;
    }
    if (n == 0 || g_get_monotonic_time() > end) break;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  close(out);
  int status = 0;
  waitpid(pid, &status, 0);
  g_spawn_close_pid(pid);
  return result;
}

class ClipboardTest : public ::testing::Test {
protected:
  void SetUp() override {
    notebook.Initialise(QL_SOURCE_DIR, false);
    notebook.SetDocumentDirectory(dir.path());
    window.add(notebook);
    window.show_all();
    RunUntilIdle();
    buffer = notebook.SourceBuffer();
    clipboard = gtk_widget_get_clipboard(GTK_WIDGET(notebook.gobj()), GDK_SELECTION_CLIPBOARD);
  }
  void Load(const std::string& bytes) {
    buffer->begin_not_undoable_action();
    EmptyBuffer(buffer);
    Gtk::TextIter start = buffer->begin();
    DeserializeNote(buffer, start, bytes);
    buffer->end_not_undoable_action();
    RunUntilIdle();
  }
  std::string Save() { return SerializeNote(buffer, buffer->begin(), buffer->end()); }
  void Select(int insert, int bound) {
    buffer->select_range(buffer->get_iter_at_offset(insert), buffer->get_iter_at_offset(bound));
  }
  void Emit(const char* signal) {
    ::testing::internal::CaptureStdout();
    g_signal_emit_by_name(notebook.gobj(), signal);
    printed = ::testing::internal::GetCapturedStdout();
  }
  // Pastes and waits for the buffer to change.
  bool Paste(int milliseconds = 5000) {
    std::string before = Save();
    Emit("paste-clipboard");
    return RunUntil([&] { return Save() != before; }, milliseconds);
  }
  int Drawings() {
    int count = 0;
    for (auto it = buffer->begin(); it != buffer->end(); ++it)
      if (auto anchor = it.get_child_anchor())
        if (!anchor->get_widgets().empty() && IsBoundDrawing(anchor->get_widgets().front())) ++count;
    return count;
  }

  TempDir dir;
  Gtk::Window window;
  CNotebook notebook;
  Glib::RefPtr<Gsv::Buffer> buffer;
  GtkClipboard* clipboard = nullptr;
  std::string printed;
};

TEST_F(ClipboardTest, CopyAndPasteInsideTheEditorKeepTheDrawings) {
  const std::string a = DrawingLink(0.1f), b = DrawingLink(0.8f, 3);
  const std::string note = "one " + a + " two\n" + b + "three";
  Load(note);
  Select(0, buffer->get_char_count());
  Emit("copy-clipboard");
  EXPECT_EQ(printed, "cut or copy\n");

  // The private target carries the storage links themselves.
  GtkSelectionData* data =
      gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern_static_string("text/quillon-markdown"));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(gtk_selection_data_get_data(data)),
                        size_t(gtk_selection_data_get_length(data))),
            note);
  gtk_selection_data_free(data);

  buffer->place_cursor(buffer->end());
  ASSERT_TRUE(Paste());
  EXPECT_EQ(Save(), note + note);
  EXPECT_EQ(Drawings(), 4);
  EXPECT_EQ(buffer->get_insert()->get_iter(), buffer->end());
  // The paste is one step, drawings and all.
  buffer->undo();
  EXPECT_EQ(Save(), note);
  EXPECT_EQ(Drawings(), 2);
  buffer->redo();
  EXPECT_EQ(Save(), note + note);
  EXPECT_EQ(Drawings(), 4);

  // A part of it: the range alone, an anchor at its end left out.
  Select(4, 5);
  Emit("copy-clipboard");
  buffer->place_cursor(buffer->begin());
  ASSERT_TRUE(Paste());
  EXPECT_EQ(Save(), a + note + note);
}

TEST_F(ClipboardTest, OtherProgramsReadPngLinksMadeWhenAsked) {
  const std::string a = DrawingLink(0.3f);
  Load("# Sketch\n" + a + "\nend\n");
  Select(0, buffer->get_char_count());
  Emit("copy-clipboard");
  std::string text = RunServing({"xclip", "-o", "-selection", "clipboard"});
  EXPECT_EQ(text.rfind("# Sketch\n![](data:image/png;base64,", 0), 0u) << text.substr(0, 60);
  EXPECT_EQ(text.find("ql:"), std::string::npos);
  EXPECT_EQ(text, SerializeNote(buffer, buffer->begin(), buffer->end(), true));
  // Asked twice, the same bytes.
  EXPECT_EQ(RunServing({"xclip", "-o", "-selection", "clipboard"}), text);
}

TEST_F(ClipboardTest, TextFromAnotherProgramIsInsertedUnchanged) {
  const std::string text = "\tindented « Grüße » 日本語\n  - item with ![](ql: in it\n\nlast";
  gtk_clipboard_clear(clipboard);  // no excerpt of ours left to answer first
  // xclip stays in the foreground with -quiet and serves until it is stopped.
  std::vector<std::string> args = {"xclip", "-quiet", "-i", "-selection", "clipboard"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  GPid pid;
  int in = -1;
  ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, argv.data(), nullptr,
                                       GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                   G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                                       nullptr, nullptr, &pid, &in, nullptr, nullptr, nullptr));
  ASSERT_EQ(write(in, text.data(), text.size()), ssize_t(text.size()));
  close(in);
  ASSERT_TRUE(RunUntil([&] { return gtk_clipboard_wait_is_text_available(clipboard); }, 5000));

  Load("before after");
  buffer->place_cursor(buffer->get_iter_at_offset(7));
  EXPECT_TRUE(Paste());
  EXPECT_EQ(Save(), "before " + text + "after");
  EXPECT_EQ(Drawings(), 0);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  g_spawn_close_pid(pid);
}

TEST_F(ClipboardTest, CutIsOneUndoStepAndLeavesReadOnlyTextAlone) {
  const std::string a = DrawingLink(0.6f);
  const std::string note = "keep " + a + " cut this and keep";
  Load(note);
  Select(5, 16);  // the drawing and " cut this "
  Emit("cut-clipboard");
  EXPECT_EQ(printed.rfind("cut or copy\n", 0), 0u) << printed;
  EXPECT_EQ(Save(), "keep and keep");
  EXPECT_EQ(Drawings(), 0);
  ASSERT_TRUE(buffer->can_undo());
  buffer->undo();
  RunUntilIdle();
  EXPECT_EQ(Save(), note);
  EXPECT_EQ(Drawings(), 1);
  EXPECT_FALSE(buffer->can_undo());
  buffer->redo();
  EXPECT_EQ(Save(), "keep and keep");

  // Read-only: the text stays, the clipboard is filled all the same.
  Load("fixed text");
  notebook.set_editable(false);
  Select(0, 5);
  Emit("cut-clipboard");
  EXPECT_EQ(Save(), "fixed text");
  gchar* got = gtk_clipboard_wait_for_text(clipboard);
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got, "fixed");
  g_free(got);
}

TEST_F(ClipboardTest, PasteReplacesTheSelectionWhicheverWayItWasMade) {
  struct {
    const char* name;
    int insert, bound;
  } cases[] = {{"left to right", 2, 7}, {"right to left", 7, 2}};
  for (const auto& c : cases) {
    gtk_clipboard_set_text(clipboard, "NEW", -1);
    Load("0123456789");
    Select(c.insert, c.bound);
    EXPECT_TRUE(Paste()) << c.name;
    EXPECT_EQ(Save(), "01NEW789") << c.name;
    EXPECT_EQ(buffer->get_insert()->get_iter().get_offset(), 5) << c.name;
    EXPECT_FALSE(buffer->get_has_selection()) << c.name;
    // The paste is one step: undo gives the selected text back.
    buffer->undo();
    EXPECT_EQ(Save(), "0123456789") << c.name;
  }
}

TEST_F(ClipboardTest, PastedImagesAreStoredByTheDigestOfTheirPixels) {
  Load("x");
  buffer->place_cursor(buffer->end());
  GdkPixbuf* image = Image(200);
  gtk_clipboard_set_image(clipboard, image);
  ASSERT_TRUE(Paste());
  std::string text = Save();
  ASSERT_EQ(text.size(), std::string("x![](.images/0123456789abcdef.png) ").size()) << text;
  EXPECT_EQ(text.substr(0, 13), "x![](.images/");
  const std::string name = text.substr(13, 16);
  EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), std::string::npos) << name;
  EXPECT_EQ(text.substr(29), ".png) ");
  EXPECT_EQ(Files(dir / ".images"), std::vector<std::string>{name + ".png"});
  GdkPixbuf* stored = gdk_pixbuf_new_from_file((dir / ".images/" + name + ".png").c_str(), nullptr);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_width(stored), 5);
  g_object_unref(stored);

  // The same picture again: the same name and still one file.
  ASSERT_TRUE(Paste());
  EXPECT_EQ(Save(), "x![](.images/" + name + ".png) ![](.images/" + name + ".png) ");
  EXPECT_EQ(Files(dir / ".images").size(), 1u);

  // Only the right edge differs: another name.
  GdkPixbuf* other = Image(201);
  gtk_clipboard_set_image(clipboard, other);
  ASSERT_TRUE(Paste());
  EXPECT_EQ(Files(dir / ".images").size(), 2u);
  g_object_unref(image);
  g_object_unref(other);
}

TEST_F(ClipboardTest, ImageNamesDigestThePixelsNotTheRowPadding) {
  GdkPixbuf* a = Image(200, 0);
  GdkPixbuf* padded = Image(200, 0x77);
  GdkPixbuf* edge = Image(201, 0);
  ASSERT_GT(gdk_pixbuf_get_rowstride(a), 5 * 3);  // the fixture has padding to ignore
  EXPECT_EQ(PastedImageName(a), PastedImageName(padded));
  EXPECT_NE(PastedImageName(a), PastedImageName(edge));
  EXPECT_EQ(PastedImageName(a).size(), 20u);
  for (GdkPixbuf* image : {a, padded, edge}) g_object_unref(image);
}

TEST_F(ClipboardTest, WithNoNoteOpenAPastedImageWritesNothing) {
  TempDir cwd;
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(cwd.path().c_str()), 0);
  notebook.SetDocumentDirectory("");
  Load("( Nothing opened. )");
  Select(0, 3);
  GdkPixbuf* image = Image(1);
  gtk_clipboard_set_image(clipboard, image);
  EXPECT_FALSE(Paste(1000));
  EXPECT_EQ(Save(), "( Nothing opened. )");
  EXPECT_FALSE(PathExists(cwd / ".images"));
  EXPECT_FALSE(PathExists("/.images"));
  g_object_unref(image);
  ASSERT_EQ(chdir(previous), 0);
}

TEST_F(ClipboardTest, DroppedFilesBecomeImagesAndNoteLinks) {
  ASSERT_EQ(system(("mkdir -p '" + dir.path() + "/Work/Sub' '" + dir.path() + "/Other'").c_str()), 0);
  notebook.SetDocumentDirectory(dir / "Work");
  GdkPixbuf* image = Image(50);
  ASSERT_TRUE(gdk_pixbuf_save(image, (dir / "Other/photo.jpg.png").c_str(), "png", nullptr, nullptr));
  const std::string name = PastedImageName(image);
  g_object_unref(image);
  WriteFileText(dir / "Other/readme.txt", "not a picture");
  auto uri = [&](const std::string& path) {
    gchar* u = g_filename_to_uri((dir / path).c_str(), nullptr, nullptr);
    std::string s = u;
    g_free(u);
    return s;
  };
  struct {
    const char* file;
    std::string inserted;
  } cases[] = {
      {"Work/Sibling.md", "[Sibling](Sibling.md) "},
      {"Work/Sub/Deep note.md", "[Deep note](Sub/Deep%20note.md) "},
      {"Other/Plan (v2).md", "[Plan (v2)](../Other/Plan%20%28v2%29.md) "},
      {"Other/photo.jpg.png", "![](.images/" + name + ") "},
      {"Other/readme.txt", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DroppedFilesText(notebook, {uri(c.file)}), c.inserted) << c.file;
  EXPECT_TRUE(PathExists(dir / ("Work/.images/" + name)));
  // Several at once, in order; nothing without an open note.
  EXPECT_EQ(DroppedFilesText(notebook, {uri("Work/Sibling.md"), uri("Other/photo.jpg.png")}),
            "[Sibling](Sibling.md) ![](.images/" + name + ") ");
  notebook.SetDocumentDirectory("");
  EXPECT_EQ(DroppedFilesText(notebook, {uri("Work/Sibling.md")}), "");
}

void SetUris(GtkClipboard*, GtkSelectionData* data, guint, gpointer uris) {
  gtk_selection_data_set_uris(data, static_cast<gchar**>(uris));
}

// A drop as the toolkit hands it to the view: uri-list data at a point.
TEST_F(ClipboardTest, ADropOfFilesInsertsAtThePointer) {
  ASSERT_EQ(system(("mkdir -p '" + dir.path() + "/Other'").c_str()), 0);
  WriteFileText(dir / "Other/Plan.md", "# Plan\n");
  Load("first line\nsecond line\n");
  gchar* uri = g_filename_to_uri((dir / "Other/Plan.md").c_str(), nullptr, nullptr);
  gchar* uris[] = {uri, nullptr};

  GtkWidget* view = GTK_WIDGET(notebook.gobj());
  GdkAtom uriList = gdk_atom_intern_static_string("text/uri-list");
  guint info = 0;
  ASSERT_TRUE(gtk_target_list_find(gtk_drag_dest_get_target_list(view), uriList, &info));
  // The toolkit's selection data, fetched through a selection of our own.
  GtkClipboard* carrier = gtk_clipboard_get(gdk_atom_intern_static_string("QL_TEST_DROP"));
  GtkTargetEntry target = {const_cast<gchar*>("text/uri-list"), 0, 0};
  ASSERT_TRUE(gtk_clipboard_set_with_data(carrier, &target, 1, SetUris, nullptr, uris));
  GtkSelectionData* data = gtk_clipboard_wait_for_contents(carrier, uriList);
  ASSERT_NE(data, nullptr);

  // The pointer at the start of the second line.
  GdkRectangle at;
  Gtk::TextIter second = buffer->get_iter_at_line(1);
  gtk_text_view_get_iter_location(GTK_TEXT_VIEW(view), second.gobj(), &at);
  int x = 0, y = 0;
  gtk_text_view_buffer_to_window_coords(GTK_TEXT_VIEW(view), GTK_TEXT_WINDOW_WIDGET, at.x + 1, at.y + 1, &x, &y);
  GtkTargetList* list = gtk_target_list_new(&target, 1);
  GdkDragContext* context = gtk_drag_begin_with_coordinates(view, list, GDK_ACTION_COPY, 1, nullptr, x, y);
  gtk_target_list_unref(list);
  ASSERT_NE(context, nullptr);
  g_signal_emit_by_name(view, "drag-data-received", context, x, y, data, info, guint(GDK_CURRENT_TIME));
  RunUntilIdle();
  EXPECT_EQ(Save(), "first line\n[Plan](Other/Plan.md) second line\n");
  gtk_drag_cancel(context);
  gtk_selection_data_free(data);
  gtk_clipboard_clear(carrier);
  g_free(uri);
}

TEST(RelativePathTest, ClimbsOnlyAsFarAsNeeded) {
  struct {
    const char *from, *to, *relative;
  } cases[] = {
      {"/n", "/n/a.md", "a.md"},
      {"/n/A", "/n/B/b.md", "../B/b.md"},
      {"/n/A/B", "/n/c.md", "../../c.md"},
      {"/n/AB", "/n/A/x.md", "../A/x.md"},
      {"/n/", "/n/A/x.md", "A/x.md"},
      {"/", "/x.md", "x.md"},
  };
  for (const auto& c : cases) EXPECT_EQ(RelativePath(c.from, c.to), c.relative) << c.from << " " << c.to;
}

}  // namespace
