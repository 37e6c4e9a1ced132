// The generated code-block language covers only the languages that fences
// in the buffer name: compiling every installed language costs a start
// about a second. A fence naming another one brings in a fuller listing.
#include "editor/code_block_language.h"
#include "editor/fence_languages.h"
#include "editor/notebook.h"

Glib::RefPtr<Gsv::LanguageManager> CNotebook::CreateLanguageManager(const std::string& listingDirectory) {
  // A manager's search path is fixed once it has loaded a language, so each
  // listing gets a manager of its own.
  auto manager = Gsv::LanguageManager::create();
  std::vector<std::string> path = manager->get_search_path();
  path.insert(path.begin(), resource_path + "/sourceview/");
  if (!listingDirectory.empty()) path.insert(path.begin(), listingDirectory);
  manager->set_search_path(path);
  return manager;
}

// Lines from `start` to `end` changed. A whole text put in (a note loaded,
// a paste) switches before the next frame; a fence being typed waits for a
// pause, so that "r" on the way to "rust" compiles nothing.
void CNotebook::NoteFences(Gtk::TextIter start, Gtk::TextIter end, bool typed) {
  if (!use_highlight_proxy) return;
  start.set_line_offset(0);
  if (!end.ends_line()) end.forward_to_line_end();
  bool fresh = false;
  for (const auto& name : FenceLanguages(source_buffer->get_slice(start, end, true).raw()))
    if (!seen_languages.count(name)) fresh = pending_languages.insert(name).second || fresh;
  if (!fresh) return;
  if (typed) {
    listing_switch.disconnect();
    listing_switch = Glib::signal_timeout().connect(sigc::mem_fun(*this, &CNotebook::SwitchListing), 500);
  } else {
    listing_switch.disconnect();
    listing_switch = Glib::signal_idle().connect(sigc::mem_fun(*this, &CNotebook::SwitchListing), Glib::PRIORITY_DEFAULT);
  }
}

void CNotebook::CoverFenceLanguages(const std::string& text) {
  if (!use_highlight_proxy) return;
  for (const auto& name : FenceLanguages(text))
    if (!seen_languages.count(name)) pending_languages.insert(name);
  listing_switch.disconnect();
  SwitchListing();
}

bool CNotebook::SwitchListing() {
  // Names that are no installed language are not looked at again.
  std::set<std::string> add = LanguagesToAdd(pending_languages, listing_languages, InstalledLanguages());
  seen_languages.insert(pending_languages.begin(), pending_languages.end());
  pending_languages.clear();
  if (add.empty()) return false;
  std::set<std::string> ids = listing_languages;
  ids.insert(add.begin(), add.end());
  std::string directory = GenerateCodeBlockLanguage(ids, listing_root);
  if (directory.empty()) return false;
  // The buffer's language belongs to the old manager until it is replaced.
  auto previous = language_manager;
  language_manager = CreateLanguageManager(directory);
  listing_languages = ids;
  source_buffer->set_language(language_manager->get_language(full_rendering ? "markdown" : "markdown-basic"));
  return false;
}
