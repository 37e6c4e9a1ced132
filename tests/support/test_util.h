#pragma once

#include <string>

// A fresh directory under TMPDIR, removed with everything in it.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return dir; }
  std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
  std::string dir;
};

bool ReadFileText(const std::string& path, std::string& out);
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
bool PathExists(const std::string& path);

// Points HOME and XDG_DATA_HOME into a scratch folder for the rest of the
// process and returns that data folder. GLib reads both once, so this must
// run before anything asks. The desktop's trash is then <data>/Trash, on
// the file system of the temporary folders, and the user's own stays
// untouched.
const std::string& UseScratchHome();
