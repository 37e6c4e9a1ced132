// Images shown for image links, and where they are looked for.
#include "editor/document_format.h"
#include "markup_fixture.h"

namespace {

void WritePng(const std::string& path, int width, int height) {
  auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, width, height);
  pixbuf->fill(0x3366ccff);
  pixbuf->save(path, "png");
}

}  // namespace

using EmbeddedWidgetsTest = MarkupTest;

TEST_F(EmbeddedWidgetsTest, ImagesLoadBesideTheNoteAndFitTheView) {
  TempDir dir;
  WritePng(dir / "my pic.png", 40, 30);
  WritePng(dir / "wide.png", 3000, 300);
  WritePng(dir / "absolute.png", 10, 10);
  notebook.SetDocumentDirectory(dir.path());
  Load("![a](my%20pic.png)\n![b](wide.png)\n![c](missing.png)\n![d](" + dir / "absolute.png" +
       ")\n![e]()\n\nend");

  std::vector<Gtk::Image*> images;
  for (int line = 0; line < 5; ++line) {
    auto* image = WidgetAt<Gtk::Image>(Buffer()->get_iter_at_line(line).get_offset());
    ASSERT_TRUE(image) << line;
    images.push_back(image);
  }
  ASSERT_EQ(images[0]->get_storage_type(), Gtk::IMAGE_PIXBUF);
  EXPECT_EQ(images[0]->get_pixbuf()->get_width(), 40);

  Gdk::Rectangle visible;
  notebook.get_visible_rect(visible);
  ASSERT_EQ(images[1]->get_storage_type(), Gtk::IMAGE_PIXBUF);
  auto wide = images[1]->get_pixbuf();
  EXPECT_LT(wide->get_width(), visible.get_width());
  EXPECT_GT(wide->get_width(), visible.get_width() / 2);
  EXPECT_NEAR(double(wide->get_height()) / wide->get_width(), 0.1, 0.01);

  // A narrower window fits the image again; the small one stays. The
  // window scrolls its editor, as the application's does.
  window.remove();
  Gtk::ScrolledWindow scrolled;
  scrolled.add(notebook);
  window.add(scrolled);
  window.show_all();
  window.resize(320, 400);
  ASSERT_TRUE(RunUntil([&] {
    Settle();
    auto* image = WidgetAt<Gtk::Image>(Buffer()->get_iter_at_line(1).get_offset());
    return image && image->get_pixbuf()->get_width() < 320;
  }));
  EXPECT_EQ(WidgetAt<Gtk::Image>(0), images[0]);
  images[1] = WidgetAt<Gtk::Image>(Buffer()->get_iter_at_line(1).get_offset());
  EXPECT_NEAR(double(images[1]->get_pixbuf()->get_height()) / images[1]->get_pixbuf()->get_width(), 0.1, 0.01);

  ASSERT_EQ(images[2]->get_storage_type(), Gtk::IMAGE_ICON_NAME);
  EXPECT_EQ(images[2]->property_icon_name().get_value(), "image-missing");
  ASSERT_EQ(images[3]->get_storage_type(), Gtk::IMAGE_PIXBUF);
  EXPECT_EQ(images[3]->get_pixbuf()->get_width(), 10);
  // An empty target names the note's directory, which is no image.
  EXPECT_EQ(images[4]->get_storage_type(), Gtk::IMAGE_ICON_NAME);
  window.remove();
}

TEST_F(EmbeddedWidgetsTest, WidgetsComeAndGoAsTheViewScrolls) {
  window.remove();
  Gtk::ScrolledWindow scrolled;
  scrolled.add(notebook);
  window.add(scrolled);
  window.show_all();
  std::string note = "- [ ] near\n";
  for (int line = 0; line < 400; ++line) note += "filler\n";
  Load(note + "- [x] far\n", 200);
  auto farWidget = [this] { return WidgetAt<Gtk::CheckButton>(Buffer()->get_iter_at_line(401).get_offset() + 2); };

  ASSERT_TRUE(WidgetAt<Gtk::CheckButton>(2));
  EXPECT_FALSE(farWidget());
  // Without its widget yet, the far region still hides its markup.
  EXPECT_EQ(VisibleText().find("[x]"), std::string::npos);

  auto adjustment = scrolled.get_vadjustment();
  adjustment->set_value(adjustment->get_upper() - adjustment->get_page_size());
  Settle();
  auto* button = farWidget();
  ASSERT_TRUE(button);
  EXPECT_TRUE(button->get_active());
  // The first one is far now: its widget goes, its anchor stays hidden.
  EXPECT_FALSE(WidgetAt<Gtk::CheckButton>(2));
  EXPECT_TRUE(At(2).get_child_anchor());
  EXPECT_EQ(VisibleText().find("[ ]"), std::string::npos);

  adjustment->set_value(0);
  Settle();
  ASSERT_TRUE(WidgetAt<Gtk::CheckButton>(2));
  EXPECT_FALSE(WidgetAt<Gtk::CheckButton>(2)->get_active());
  EXPECT_EQ(SerializeNote(Buffer(), Buffer()->begin(), Buffer()->end()), note + "- [x] far\n");
  window.remove();
}
