#include "app/note_link.h"

#include <glib.h>

#include <vector>

namespace note_link {

std::string Scheme(const std::string& target) {
  gchar* scheme = g_uri_parse_scheme(target.c_str());
  if (!scheme) return "";
  std::string result = scheme;
  g_free(scheme);
  return result;
}

std::string Resolve(const std::string& openNotePath, const std::string& target) {
  std::vector<std::string> parts;
  auto push = [&parts](const std::string& path, bool dropLast) {
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      segments.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    if (dropLast && !segments.empty()) segments.pop_back();
    for (const auto& s : segments) {
      if (s.empty() || s == ".") continue;
      if (s == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(s);
    }
  };
  if (target.empty() || target[0] != '/') push(openNotePath, true);
  push(target, false);
  std::string result;
  for (const auto& p : parts) result += "/" + p;
  return result.empty() ? "/" : result;
}

}  // namespace note_link
