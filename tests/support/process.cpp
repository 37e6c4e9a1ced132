#include "support/process.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

CProcessUnderTest::CProcessUnderTest(const std::map<std::string, std::string>& env) {
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) abort();
  child = fork();
  if (child == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    execl(QL_BINARY, QL_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  out_fd = outPipe[0];
  err_fd = errPipe[0];
  fcntl(out_fd, F_SETFL, O_NONBLOCK);
  fcntl(err_fd, F_SETFL, O_NONBLOCK);
}

CProcessUnderTest::~CProcessUnderTest() {
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  if (out_fd >= 0) close(out_fd);
  if (err_fd >= 0) close(err_fd);
}

void CProcessUnderTest::Drain() {
  char chunk[4096];
  for (auto [fd, text] : {std::pair{out_fd, &out}, std::pair{err_fd, &err}}) {
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0) text->append(chunk, size_t(got));
  }
}

int CProcessUnderTest::Wait(int seconds) {
  time_t end = time(nullptr) + seconds;
  while (time(nullptr) <= end) {
    Drain();
    int status;
    if (waitpid(child, &status, WNOHANG) == child) {
      child = -1;
      Drain();
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    usleep(20000);
  }
  return -1;
}

namespace {

// The first shown top-level window of the process, counting all in `count`.
Window FindWindow(Display* display, int pid, int* shown = nullptr) {
  if (shown) *shown = 0;
  Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
  if (pidAtom == None) return 0;
  Window root = DefaultRootWindow(display), parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && (!found || shown); ++i) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
      XWindowAttributes attributes;
      if (items == 1 && int(*reinterpret_cast<unsigned long*>(data)) == pid &&
          XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
        if (!found) found = children[i];
        if (shown) ++*shown;
      }
      XFree(data);
    }
  }
  if (children) XFree(children);
  return found;
}

Window WaitForWindow(Display* display, int pid, int seconds) {
  time_t end = time(nullptr) + seconds;
  while (time(nullptr) <= end) {
    if (Window window = FindWindow(display, pid)) return window;
    usleep(50000);
  }
  return 0;
}

}  // namespace

bool HasWindow(int pid, int seconds) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  bool found = WaitForWindow(display, pid, seconds) != 0;
  XCloseDisplay(display);
  return found;
}

int WindowCount(int pid) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return -1;
  int shown = 0;
  FindWindow(display, pid, &shown);
  XCloseDisplay(display);
  return shown;
}

bool CloseWindowOf(int pid, int seconds) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  Window window = WaitForWindow(display, pid, seconds);
  if (window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
  }
  XCloseDisplay(display);
  return window != 0;
}

bool WindowGeometry(int pid, int seconds, int& x, int& y, int& width, int& height) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  Window window = WaitForWindow(display, pid, seconds);
  XWindowAttributes attributes;
  Window child;
  bool found = window && XGetWindowAttributes(display, window, &attributes) &&
               XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  if (found) {
    width = attributes.width;
    height = attributes.height;
  }
  XCloseDisplay(display);
  return found;
}

unsigned long ScreenPixel(int x, int y) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  unsigned long pixel = image ? XGetPixel(image, 0, 0) & 0xffffff : 0;
  if (image) XDestroyImage(image);
  XCloseDisplay(display);
  return pixel;
}
