#pragma once

#include <functional>
#include <optional>
#include <string>

// The three directories the application works with.
struct SPaths {
  std::string config;    // holds config.json
  std::string notes;     // default notes base
  std::string resource;  // data/ and sourceview/
};

// The environment and file system as directory detection sees them;
// tests swap in their own functions.
class CPathProbe {
public:
  std::function<std::optional<std::string>(const std::string&)> getenv;
  std::function<bool(const std::string&)> exists;
  std::function<bool(const std::string&)> ensure_directory;
  std::function<void(const std::string&)> warn;

  // The process environment, the real file system and standard error.
  static CPathProbe System();

  SPaths Detect() const;
};

// Creates the directory and every missing parent; true when it exists afterwards.
bool EnsureDirectory(const std::string& path);
