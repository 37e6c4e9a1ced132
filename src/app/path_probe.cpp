#include "app/path_probe.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Formatted(const char* format, const std::string& value) {
  int size = std::snprintf(nullptr, 0, format, value.c_str());
  std::string out(size_t(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, value.c_str());
  out.resize(size_t(size));
  return out;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool EnsureDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (IsDirectory(path)) return true;
  // Walk the components left to right, creating what is missing.
  for (size_t pos = path.find('/', 1); ; pos = path.find('/', pos + 1)) {
    std::string part = path.substr(0, pos);
    if (!part.empty() && part.back() != '/' && !IsDirectory(part)) {
      if (mkdir(part.c_str(), 0755) != 0 && !(errno == EEXIST && IsDirectory(part))) return false;
    }
    if (pos == std::string::npos) break;
  }
  return IsDirectory(path);
}

CPathProbe CPathProbe::System() {
  CPathProbe probe;
  probe.getenv = [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
  };
  probe.exists = [](const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
  };
  probe.ensure_directory = EnsureDirectory;
  probe.warn = [](const std::string& line) { std::fputs(line.c_str(), stderr); };
  return probe;
}

SPaths CPathProbe::Detect() const {
  SPaths paths;
  auto nonEmpty = [this](const char* name) -> std::optional<std::string> {
    auto value = getenv(name);
    if (value && !value->empty()) return value;
    return std::nullopt;
  };

  if (auto devel = getenv("QL_DEVEL")) {
    warn(Formatted("INFO: Debug mode set! Will operate in %s.\n", *devel));
    paths.resource = *devel;
    paths.config = *devel + "/notesbase";
    paths.notes = *devel + "/notesbase";
    return paths;
  }

  auto home = nonEmpty("HOME");
  if (!home) {
    warn("WARNING: Could not determine user's home directory! Will operate in current working directory.\n");
    paths.config = "notesbase";
    paths.notes = "notesbase";
    paths.resource = ".";
    return paths;
  }

  // An XDG directory (or its default under home) with "quillon" appended,
  // created if missing; "notesbase" with a warning when it cannot be.
  auto ensured = [&](const char* variable, const char* underHome, const char* warning) {
    auto xdg = nonEmpty(variable);
    std::string path = xdg ? *xdg + "/quillon" : *home + underHome;
    if (ensure_directory(path)) return path;
    warn(Formatted(warning, path));
    return std::string("notesbase");
  };
  paths.config = ensured("XDG_CONFIG_HOME", "/.config/quillon",
                         "WARNING: Could not create config path '%s'. Falling back to current working directory.\n");
  paths.notes = ensured("XDG_DATA_HOME", "/.local/share/quillon",
                        "WARNING: Could not create default base path '%s'. Falling back to current working "
                        "directory.\n");

  std::string dirs = nonEmpty("XDG_DATA_DIRS").value_or("/usr/local/share:/usr/share");
  paths.resource = ".";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) {
      std::string candidate = dirs.substr(start, end - start) + "/quillon";
      if (exists(candidate)) {
        paths.resource = candidate;
        break;
      }
    }
    start = end + 1;
  }
  return paths;
}
