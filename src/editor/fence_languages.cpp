#include "editor/fence_languages.h"

#include <glib.h>

#include <algorithm>

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Toolkit language ids are short words of these characters; anything else
// would also end up unescaped in the generated definition.
bool IdCharacter(char c) {
  return g_ascii_isalnum(c) || c == '-' || c == '_' || c == '+' || c == '#' || c == '.';
}

}  // namespace

std::set<std::string> FenceLanguages(const std::string& text) {
  std::set<std::string> names;
  const size_t n = text.size();
  for (size_t line = 0; line < n;) {
    size_t next = text.find('\n', line);
    if (next == std::string::npos) next = n;
    if (next - line > 3 && text.compare(line, 3, "```") == 0) {
      size_t i = line + 3;
      while (i < next && Blank(text[i])) ++i;
      size_t word = i;
      while (i < next && !Blank(text[i])) ++i;
      std::string name = text.substr(word, i - word);
      if (!name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), IdCharacter))
        names.insert(name);
    }
    line = next + 1;
  }
  return names;
}

std::set<std::string> LanguagesToAdd(const std::set<std::string>& named, const std::set<std::string>& covered,
                                     const std::set<std::string>& installed) {
  std::set<std::string> add;
  for (const auto& name : named)
    if (!covered.count(name) && installed.count(name)) add.insert(name);
  return add;
}

std::string ListingDirectoryName(const std::set<std::string>& ids) {
  std::string joined;
  // Length first, so no two sets join alike; a set iterates sorted.
  for (const auto& id : ids) joined += std::to_string(id.size()) + ":" + id;
  gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_SHA1, joined.c_str(), gssize(joined.size()));
  std::string name = "listing-" + std::string(digest).substr(0, 16);
  g_free(digest);
  return name;
}
