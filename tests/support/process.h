#pragma once

#include <map>
#include <string>

// The quillon binary started with an environment of the test's choosing;
// its output is collected when it ends.
class CProcessUnderTest {
public:
  CProcessUnderTest(const std::map<std::string, std::string>& env);
  ~CProcessUnderTest();
  int pid() const { return child; }
  // Waits up to `seconds`; returns the exit status, or -1 on timeout.
  int Wait(int seconds);
  const std::string& Stdout() const { return out; }
  const std::string& Stderr() const { return err; }

private:
  void Drain();
  int child = -1;
  int out_fd = -1, err_fd = -1;
  std::string out, err;
};

// Asks the process's top-level window to close, as a window manager does
// (WM_DELETE_WINDOW). Waits up to `seconds` for the window to appear.
bool CloseWindowOf(int pid, int seconds);
// Whether the process has mapped a top-level window within `seconds`.
bool HasWindow(int pid, int seconds);
// The screen position and size of the process's top-level window.
bool WindowGeometry(int pid, int seconds, int& x, int& y, int& width, int& height);
// The colour of a screen pixel of the default display, as 0xRRGGBB.
unsigned long ScreenPixel(int x, int y);
// How many top-level windows the process shows now.
int WindowCount(int pid);
