#include "support/test_util.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
  gchar* made = g_dir_make_tmp("quillon-test-XXXXXX", nullptr);
  if (!made) throw std::runtime_error("cannot create a temporary directory");
  dir = made;
  g_free(made);
}

TempDir::~TempDir() {
  std::string command = "rm -rf '" + dir + "'";
  if (system(command.c_str()) != 0) {
    // Leaving a stray temporary directory is harmless.
  }
}

bool ReadFileText(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

std::string ReadFileText(const std::string& path) {
  std::string text;
  ReadFileText(path, text);
  return text;
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

const std::string& UseScratchHome() {
  static TempDir home;
  static const std::string data = [] {
    const std::string path = home / "data";
    g_mkdir_with_parents(path.c_str(), 0700);
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", path.c_str(), 1);
    return path;
  }();
  return data;
}
