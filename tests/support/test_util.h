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
