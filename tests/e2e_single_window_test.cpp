#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "support/process.h"
#include "support/test_util.h"

namespace {

// A session bus of the test's own, through which a second start finds the
// first one, as on a desktop.
class SessionBus {
public:
  SessionBus() {
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (!out) return;
    char line[1024];
    if (fgets(line, sizeof line, out)) address = Trimmed(line);
    if (fgets(line, sizeof line, out)) pid = std::atoi(line);
    pclose(out);
  }
  ~SessionBus() {
    if (pid > 0) kill(pid, SIGTERM);
  }
  std::string address;

private:
  static std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }
  int pid = 0;
};

// A second start hands its activation to the running instance, which shows
// its one window again rather than a second editor on the same notes.
TEST(EndToEnd, ASecondStartShowsTheSameWindow) {
  SessionBus bus;
  ASSERT_FALSE(bus.address.empty()) << "dbus-daemon did not start";
  TempDir dir;
  ASSERT_EQ(system(("ln -s '" QL_SOURCE_DIR "/data' '" + dir / "data" + "' && ln -s '" QL_SOURCE_DIR
                    "/sourceview' '" + dir / "sourceview" + "' && mkdir -p '" + dir / "notesbase" + "'")
                       .c_str()),
            0);
  WriteFileText(dir / "notesbase/config.json", R"({"active_document": "/n.md"})");
  WriteFileText(dir / "notesbase/n.md", "note");
  const std::map<std::string, std::string> env = {{"QL_DEVEL", dir.path()},
                                                  {"DBUS_SESSION_BUS_ADDRESS", bus.address}};
  CProcessUnderTest first(env);
  ASSERT_TRUE(HasWindow(first.pid(), 30)) << first.Stderr();

  CProcessUnderTest second(env);
  EXPECT_EQ(second.Wait(30), 0) << second.Stderr();
  EXPECT_EQ(second.Stdout().find("Detected paths"), std::string::npos) << second.Stdout();
  EXPECT_FALSE(HasWindow(second.pid(), 0));
  // Time for a window that would be built and mapped.
  usleep(1500 * 1000);
  EXPECT_EQ(WindowCount(first.pid()), 1);

  ASSERT_TRUE(CloseWindowOf(first.pid(), 10));
  EXPECT_EQ(first.Wait(30), 0) << first.Stderr();
  // The one window read the configuration once and built its editor once.
  const std::string& printed = first.Stdout();
  EXPECT_EQ(printed.find("Detected paths"), printed.rfind("Detected paths")) << printed;
}

}  // namespace
