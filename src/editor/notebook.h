#pragma once

#include <gtkmm.h>
#include <gtksourceviewmm.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "drawing/pen_state.h"
#include "editor/undo_history.h"

class CPenInput;
class IPenEditor;

// The editor: a source view over the open note, with drawings, check
// buttons and images anchored in the text.
class CNotebook : public Gsv::View, public SPenState {
public:
  CNotebook();
  ~CNotebook() override;

  void Initialise(const std::string& resourcePath, bool useHighlightProxy);
  void SetDocumentDirectory(const std::string& directory) { document_directory = directory; }
  const std::string& DocumentDirectory() const { return document_directory; }
  void SetTextCursor(const Glib::RefPtr<Gdk::Cursor>& cursor);

  // Markup hiding switches.
  void EnableFullRendering();
  void DisableFullRendering();
  bool FullRendering() const { return full_rendering; }
  // Searches text from the cursor; selects and shows the match.
  bool Find(const Glib::ustring& text, bool forward, bool skipCurrent);
  // Target of the link at a point in buffer coordinates, or "".
  Glib::ustring LinkAt(int x, int y);

  // Markup hiding (notebook_render.cpp).
  void RenderPass(Gtk::TextIter start, Gtk::TextIter end);
  void Prune(Gtk::TextIter& start, Gtk::TextIter& end);
  void HideRegion(const Gtk::TextIter& start, const Gtk::TextIter& end);
  void ShowRegion(const Gtk::TextIter& start, const Gtk::TextIter& end);
  void RemoveWidgets(const Gtk::TextIter& position);
  bool TagRange(const Gtk::TextIter& position, const Glib::RefPtr<Gtk::TextTag>& tag, Gtk::TextIter& start,
                Gtk::TextIter& end) const;
  void ScheduleCursorMove();
  void CursorMovePass();
  // The mark stack: positions that must survive a buffer edit.
  void Push(const Gtk::TextIter& position);
  Gtk::TextIter Pop();

  // Embedded widgets (notebook_widgets.cpp).
  void PlaceWidget(const std::string& contextClass, const Gtk::TextIter& start, const Gtk::TextIter& end);
  Glib::RefPtr<Gtk::TextTag> RiseTag(int key);
  // Widest an image may be shown without pushing the text sideways; 0
  // while the view has no size.
  int ImageWidthLimit();
  // True when a drawing sits at the position (never a widget region's anchor).
  static bool HoldsDrawing(Gtk::TextIter position);
  // Lines within `screens` screens of the visible part of the view; false
  // while it has no size.
  bool NearRange(Gtk::TextIter& start, Gtk::TextIter& end, int screens = 1);
  // Paints rules and code-block frames under the text (widget coordinates).
  void PaintLayer(cairo_t* cr);

  // Code-block languages (notebook_listing.cpp): the generated language
  // covers the languages that fences in the buffer have named. Makes it
  // cover those the text names, at once.
  void CoverFenceLanguages(const std::string& text);
  const std::set<std::string>& ListingLanguages() const { return listing_languages; }
  std::string listing_root = "/tmp/quillon.gsv";

  // Undo (notebook_undo.cpp): what a range holds, and putting it back.
  SUndoContent CaptureContent(const GtkTextIter& start, const GtkTextIter& end);
  // Puts content back at the offset; the characters it took.
  int InsertContent(int offset, const SUndoContent& content);
  // Runs a paste whose drawings undo takes away with its text.
  void RecordPaste(const std::function<void()>& edit);

  sigc::signal<void, Glib::ustring>& signal_link_activated() { return link_activated; }
  Glib::RefPtr<Gio::SimpleActionGroup> ActionGroup() { return actions; }
  Glib::RefPtr<Gsv::Buffer> SourceBuffer() { return source_buffer; }
  Glib::RefPtr<Gsv::LanguageManager> LanguageManager() { return language_manager; }

  // Pen input over the text (notebook_hooks.cpp).
  CPenInput& Pen() { return *pen_input; }
  Gtk::DrawingArea& Overlay() { return overlay; }

  Glib::RefPtr<Gio::SimpleActionGroup> actions;
  int margin = 0;
  Glib::RefPtr<Gdk::Cursor> default_cursor, pointer_cursor;

  guint last_key_state = 0;
  guint last_key = 0;
  gint64 last_change_time = 0;
  Glib::RefPtr<Gtk::TextTag> spacing_tag, quote_tag, background_ink_tag, label_background_tag,
      hidden_tag, monospace_tag, anchor_tag;
  std::map<int, Glib::RefPtr<Gtk::TextTag>> rise_tags;
  Glib::RefPtr<Gtk::TextTag> proximity_tag;
  Glib::RefPtr<Gtk::TextMark> last_position;
  std::deque<Glib::RefPtr<Gtk::TextMark>> mark_stack;

protected:
  bool on_event(GdkEvent* event) override;
  bool on_key_press_event(GdkEventKey* event) override;

private:
  void OnAction(const std::string& name, int kind, int value);
  void PatchClass();
  void CreateTags();
  void ConnectSignals();
  void OnSizeAllocate(Gtk::Allocation& allocation);
  bool OnOverlayDraw(const Cairo::RefPtr<Cairo::Context>& cr);
  bool OnButtonPress(GdkEventButton* event);
  bool OnButtonRelease(GdkEventButton* event);
  bool OnMotion(GdkEventMotion* event);
  bool OnPenKey(GdkEventKey* event);
  void ConnectPen();
  // Undoes or redoes a pen gesture's change of a drawing.
  void ApplyDrawingEdit(int offset, const SObjectEdit& edit, bool undo);
  void OnInsertText(const Gtk::TextIter& pos, const Glib::ustring& text, int bytes);
  void OnHighlightUpdated(Gtk::TextIter& start, Gtk::TextIter& end);
  bool OnCursorMoveIdle();
  bool CreateAnchor(Glib::RefPtr<Gtk::TextMark> mark);
  void WatchAdjustment();
  void ScheduleWidgetScan();
  bool PlaceNearWidgets();
  void RemoveFarWidgets();
  void OnWidthChanged(int width);
  void RefitImages();
  void EraseAnchorLater(const Gtk::TextIter& position);
  // Toggle searches of the passes; from one sweep while a rendering pass runs.
  GtkTextTag* ClassTag(const char* contextClass) const;
  bool ForwardToggle(Gtk::TextIter& at, GtkTextTag* tag) const;
  bool BackwardToggle(Gtk::TextIter& at, GtkTextTag* tag) const;
  static bool HasTag(const Gtk::TextIter& at, GtkTextTag* tag);
  template <class Act>
  void Walk(GtkTextTag* tag, Gtk::TextIter i, const Gtk::TextIter& end, Act act);
  void SetTag(const Glib::RefPtr<Gtk::TextTag>& tag, const Gtk::TextIter& i, const Gtk::TextIter& j, bool on);
  // Applies or removes a tag, telling the pass's index.
  void ChangeTag(const Glib::RefPtr<Gtk::TextTag>& tag, const Gtk::TextIter& i, const Gtk::TextIter& j, bool on);
  bool EraseStaleAnchor(Glib::RefPtr<Gtk::TextMark> mark);
  Glib::RefPtr<Gsv::LanguageManager> CreateLanguageManager(const std::string& listingDirectory);
  void NoteFences(Gtk::TextIter start, Gtk::TextIter end, bool typed);
  bool SwitchListing();

  sigc::signal<void, Glib::ustring> link_activated;
  Glib::RefPtr<Gsv::Buffer> source_buffer;
  Glib::RefPtr<Gsv::LanguageManager> language_manager;
  Gtk::DrawingArea overlay;
  std::unique_ptr<IPenEditor> pen_editor;
  std::unique_ptr<CPenInput> pen_input;
  bool pen_editing = false;  // a stroke commit changes the text
  std::string document_directory;
  bool full_rendering = true;
  class CToggleIndex* toggle_index = nullptr;
  std::unique_ptr<class CUndoManager> undo_manager;
  std::vector<Glib::RefPtr<Gtk::TextChildAnchor>> placed_anchors;  // with a region's widget
  int fitted_width = 0;
  std::string resource_path;
  bool use_highlight_proxy = false;
  // Covered by the generated language; named and waiting; looked at already.
  std::set<std::string> listing_languages, pending_languages, seen_languages;
  sigc::connection listing_switch;
  sigc::connection refit_timer, widget_scan, scroll_watch, extent_watch, adjustment_watch, allocation_watch;

  friend struct CNotebookClassPatch;
  friend class CNotebookPenEditor;
};
