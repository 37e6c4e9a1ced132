#include "editor/code_block_language.h"

#include <gtksourceviewmm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "editor/fence_languages.h"

namespace {

bool EnsureShared(const std::string& directory) {
  mode_t mask = umask(0);
  int made = mkdir(directory.c_str(), 0777);
  umask(mask);
  return made == 0 || errno == EEXIST;
}

}  // namespace

const std::set<std::string>& InstalledLanguages() {
  static const std::set<std::string> installed = [] {
    std::set<std::string> ids;
    auto manager = Gsv::LanguageManager::get_default();
    for (const auto& id : manager->get_language_ids()) {
      auto language = manager->get_language(id);
      if (language && !language->get_hidden()) ids.insert(id);
    }
    return ids;
  }();
  return installed;
}

std::string GenerateCodeBlockLanguage(const std::set<std::string>& wanted, const std::string& root) {
  // Each set has a directory of its own: the toolkit finds a language by
  // the id inside its file, so two listings cannot share one directory.
  const std::string directory = root + "/" + ListingDirectoryName(wanted);
  if (!EnsureShared(root) || !EnsureShared(directory)) {
    std::printf("Failed to create a temporary directory for syntax highlighting data.\n");
    return "";
  }
  const std::string file = directory + "/markdownlisting.lang";
  if (access(file.c_str(), R_OK) == 0) return directory;

  // Written beside the file and renamed over it once complete: a file cut
  // short (a full disk, two starts at once) would be reused by every later
  // start, and the name is never opened, so a link planted there in the
  // shared directory is replaced rather than followed.
  std::string temporary = file + ".XXXXXX";
  int fd = mkstemp(&temporary[0]);
  FILE* out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (!out) {
    if (fd >= 0) {
      close(fd);
      unlink(temporary.c_str());
    }
    std::printf("Failed to create a language definition for syntax highlighting data.\n");
    return "";
  }
  fchmod(fd, 0644);  // later starts of other users read it too
  // In the toolkit's order, as a file of all languages would list them.
  std::vector<std::string> ids;
  auto manager = Gsv::LanguageManager::get_default();
  for (const auto& id : manager->get_language_ids())
    if (wanted.count(id) && InstalledLanguages().count(id)) ids.push_back(id);

  std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n", out);
  std::fputs("<language id=\"markdownlisting\" name=\"Markdown Code Listing\" version=\"2.0\" hidden=\"true\">\n"
             " <definitions>\n",
             out);
  for (const auto& id : ids) {
    const char* s = id.c_str();
    std::fprintf(out, "  <context id=\"proxy-%s\" class=\"no-spell-check mono\">\n", s);
    std::fprintf(out, "   <start>^(```\\s*)(%s(\\s.*)?)$</start>\n", s);
    std::fputs("   <end>^(```)$</end>\n", out);
    std::fprintf(out, "   <include>\n    <context id=\"proxy-%s-contents\" extend-parent=\"false\">\n", s);
    std::fputs("    <start></start>\n", out);
    std::fprintf(out, "    <include>\n     <context ref=\"%s:%s\" />\n    </include>\n", s, s);
    std::fputs("    </context>\n"
               "    <context sub-pattern=\"1\" where=\"start\" style-ref=\"markdown:tag\" class=\"cbstart invis\" />\n"
               "    <context sub-pattern=\"2\" where=\"start\" style-ref=\"markdown:known-lang\" class=\"cbtag\" />\n"
               "    <context sub-pattern=\"1\" where=\"end\" style-ref=\"markdown:tag\" class=\"cbend invis\" />\n"
               "   </include>\n  </context>\n",
               out);
  }
  std::fputs("  <context id=\"proxy-fallback\" class=\"no-spell-check mono\" style-ref=\"markdown:code\">\n"
             "   <start>^(```\\s*)(.*)$</start>\n"
             "   <end>^(```)$</end>\n"
             "   <include>\n"
             "     <context sub-pattern=\"1\" where=\"start\" style-ref=\"markdown:tag\" class=\"cbstart invis\" />\n"
             "     <context sub-pattern=\"2\" where=\"start\" style-ref=\"markdown:unknown-lang\" class=\"cbtag\" />\n"
             "     <context sub-pattern=\"1\" where=\"end\" style-ref=\"markdown:tag\" class=\"cbend invis\" />\n"
             "   </include>\n  </context>\n",
             out);
  std::fputs("  <context id=\"markdownlisting\">\n   <include>\n", out);
  for (const auto& id : ids) std::fprintf(out, "    <context ref=\"proxy-%s\"/>\n", id.c_str());
  std::fputs("    <context ref=\"proxy-fallback\"/>\n", out);
  std::fputs("   </include>\n  </context>", out);
  std::fputs(" </definitions>\n</language>\n", out);
  bool written = !std::ferror(out) && std::fflush(out) == 0;
  written = std::fclose(out) == 0 && written;
  if (!written || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
    std::printf("Failed to create a language definition for syntax highlighting data.\n");
    return "";
  }
  return directory;
}
