// Starts a program and reports, in milliseconds from its start, when its
// first top-level window was mapped and when it went idle: the end of the
// last sample in which any of its threads used the processor, followed by
// a quiet spell. Both programs of a comparison are measured by this alike.
//   startup-probe [--quiet MS] [--limit MS] -- command [arguments...]
// Prints "shown idle" (either is -1 when it never happened) on stdout; the
// program's own output goes to /dev/null, its errors stay on stderr.
#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

double Now() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor time of every thread of the process, in nanoseconds.
long long CpuTime(pid_t pid) {
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return -1;
  long long total = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(tasks + "/" + entry->d_name + "/schedstat");
    long long ns = 0;
    if (in >> ns) total += ns;
  }
  closedir(dir);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  double quiet = 1000, limit = 60000;
  int first = 1;
  for (; first < argc; ++first) {
    std::string arg = argv[first];
    if (arg == "--") {
      ++first;
      break;
    }
    if (arg == "--quiet" && first + 1 < argc) quiet = std::atof(argv[++first]);
    else if (arg == "--limit" && first + 1 < argc) limit = std::atof(argv[++first]);
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: startup-probe [--quiet MS] [--limit MS] -- command [arguments...]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "startup-probe: no display\n");
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  double start = Now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    execvp(argv[first], argv + first);
    _exit(127);
  }
  double shown = -1, busy = start, sampled = start;
  long long cpu = 0;
  pollfd watch = {ConnectionNumber(display), POLLIN, 0};
  for (;;) {
    poll(&watch, 1, 5);
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && !event.xmap.override_redirect && shown < 0) shown = Now() - start;
    }
    double now = Now();
    if (now - sampled >= 10) {
      long long used = CpuTime(pid);
      if (used < 0) break;  // gone
      // Half a millisecond per sample: the toolkit's own threads wake
      // now and then for next to nothing.
      if (used - cpu > 500000) busy = now;
      cpu = used;
      sampled = now;
    }
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid = -1;
      break;
    }
    if (shown >= 0 && now - busy >= quiet) break;
    if (now - start > limit) {
      busy = start - 1;
      break;
    }
  }
  double idle = busy >= start ? busy - start : -1;
  if (pid > 0) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 200 && waitpid(pid, nullptr, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  XCloseDisplay(display);
  std::printf("%.0f %.0f\n", shown, shown >= 0 ? idle : -1);
  return 0;
}
