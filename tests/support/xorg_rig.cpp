#include "support/xorg_rig.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/test_util.h"

namespace {

// The wire format of Xorg's inputtest driver, protocol 1.1 (its
// xf86-input-inputtest-protocol.h; the server ships no header for it).
enum { kClientVersion, kWaitForSync, kMotion, kProximity, kButton, kKey };
const int kMaxValuators = 64;

struct Header {
  uint32_t length;
  int32_t type;
};
struct Valuators {
  uint32_t has_unaccelerated;
  uint8_t mask[(kMaxValuators + 7) / 8];
  double valuators[kMaxValuators];
  double unaccelerated[kMaxValuators];
};
struct ClientVersion {
  Header header;
  uint16_t major, minor;
};
struct WaitForSync {
  Header header;
};
struct Motion {
  Header header;
  uint32_t is_absolute;
  Valuators valuators;
};
struct Proximity {
  Header header;
  uint32_t is_prox_in;
  Valuators valuators;
};
struct Button {
  Header header;
  int32_t is_absolute;
  int32_t button;
  uint32_t is_press;
  Valuators valuators;
};
struct Key {
  Header header;
  int32_t key_code;
  uint32_t is_press;
};
struct Response {
  Header header;
  uint16_t major, minor;
};

const double kAxisMax = 0xffff;  // absolute x and y
const double kPressureMax = 1000;

void Set(Valuators& v, int axis, double value) {
  v.mask[axis / 8] = uint8_t(v.mask[axis / 8] | (1 << (axis % 8)));
  v.valuators[axis] = value;
}

bool ReadFully(int fd, void* data, size_t size, int milliseconds) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, milliseconds) <= 0) return false;
    ssize_t got = read(fd, bytes, size);
    if (got <= 0) return false;
    bytes += got;
    size -= size_t(got);
  }
  return true;
}

const char kConfig[] = R"(Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoAddGPU" "false"
  Option "BlankTime" "0"
  Option "StandbyTime" "0"
  Option "SuspendTime" "0"
  Option "OffTime" "0"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1280x800" 83.50 1280 1352 1480 1680 800 803 809 831 -hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1280x800"
    Virtual 1280 800
  EndSubSection
EndSection
Section "InputDevice"
  Identifier "Quillon Pen stylus"
  Driver "inputtest"
  Option "SocketPath" "@DIR@/pen.socket"
  Option "DeviceType" "PointerAbsoluteProximity"
  Option "PointerHasPressure" "on"
EndSection
Section "InputDevice"
  Identifier "Quillon Pen eraser"
  Driver "inputtest"
  Option "SocketPath" "@DIR@/eraser.socket"
  Option "DeviceType" "PointerAbsoluteProximity"
  Option "PointerHasPressure" "on"
EndSection
Section "InputDevice"
  Identifier "Quillon Mouse"
  Driver "inputtest"
  Option "SocketPath" "@DIR@/mouse.socket"
  Option "DeviceType" "PointerAbsolute"
EndSection
Section "InputDevice"
  Identifier "Quillon Keyboard"
  Driver "inputtest"
  Option "SocketPath" "@DIR@/keyboard.socket"
  Option "DeviceType" "Keyboard"
EndSection
Section "ServerLayout"
  Identifier "layout"
  Screen "screen"
  InputDevice "Quillon Pen stylus"
  InputDevice "Quillon Pen eraser"
  InputDevice "Quillon Mouse" "CorePointer"
  InputDevice "Quillon Keyboard" "CoreKeyboard"
EndSection
)";

}  // namespace

CXorgRig::CDevice::CDevice(const std::string& socketPath) {
  // The driver makes its socket while the server starts up.
  for (int attempt = 0; attempt < 200 && fd < 0; ++attempt) {
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      fd = s;
      break;
    }
    close(s);
    usleep(50000);
  }
  if (fd < 0) return;
  ClientVersion hello{{sizeof(ClientVersion), kClientVersion}, 1, 1};
  Send(&hello, sizeof hello);
  Response response{};
  if (!ReadFully(fd, &response, sizeof(Header) + 4, 5000)) {
    close(fd);
    fd = -1;
  }
}

CXorgRig::CDevice::~CDevice() {
  if (fd >= 0) close(fd);
}

void CXorgRig::CDevice::Send(const void* event, size_t size) {
  if (fd < 0) return;
  const char* bytes = static_cast<const char*>(event);
  while (size > 0) {
    ssize_t put = write(fd, bytes, size);
    if (put <= 0) return;
    bytes += put;
    size -= size_t(put);
  }
}

void CXorgRig::CDevice::Move(double x, double y, double pressure) {
  Motion m{};
  m.header = {sizeof m, kMotion};
  m.is_absolute = 1;
  Set(m.valuators, 0, x / (screen_w - 1) * kAxisMax);
  Set(m.valuators, 1, y / (screen_h - 1) * kAxisMax);
  if (pressure >= 0) Set(m.valuators, 4, pressure * kPressureMax);
  Send(&m, sizeof m);
}

void CXorgRig::CDevice::Button(int button, bool press, double x, double y, double pressure) {
  struct Button b{};
  b.header = {sizeof b, kButton};
  b.is_absolute = 1;
  b.button = button;
  b.is_press = press;
  Set(b.valuators, 0, x / (screen_w - 1) * kAxisMax);
  Set(b.valuators, 1, y / (screen_h - 1) * kAxisMax);
  if (pressure >= 0) Set(b.valuators, 4, pressure * kPressureMax);
  Send(&b, sizeof b);
}

void CXorgRig::CDevice::Proximity(bool in, double x, double y) {
  struct Proximity p{};
  p.header = {sizeof p, kProximity};
  p.is_prox_in = in;
  Set(p.valuators, 0, x / (screen_w - 1) * kAxisMax);
  Set(p.valuators, 1, y / (screen_h - 1) * kAxisMax);
  Send(&p, sizeof p);
}

void CXorgRig::CDevice::Key(int keycode, bool press) {
  struct Key k{};
  k.header = {sizeof k, kKey};
  k.key_code = keycode;
  k.is_press = press;
  Send(&k, sizeof k);
}

void CXorgRig::CDevice::Sync() {
  WaitForSync w{{sizeof w, kWaitForSync}};
  Send(&w, sizeof w);
  Header done{};
  ReadFully(fd, &done, sizeof done, 5000);
}

CXorgRig::CXorgRig() {
  char pattern[] = "/tmp/quillon-xorg-XXXXXX";
  if (!mkdtemp(pattern)) return;
  dir = pattern;
  std::string config = kConfig;
  for (size_t at; (at = config.find("@DIR@")) != std::string::npos;) config.replace(at, 5, dir);
  WriteFileText(dir + "/xorg.conf", config);
  mkdir((dir + "/conf.d").c_str(), 0700);

  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  server = fork();
  if (server == 0) {
    dup2(pipeFds[1], 3);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    setsid();
    execlp("Xorg", "Xorg", "-config", (dir + "/xorg.conf").c_str(), "-configdir", (dir + "/conf.d").c_str(),
           "-logfile", (dir + "/xorg.log").c_str(), "-displayfd", "3", "-nolisten", "tcp", "-noreset", "-novtswitch",
           "-sharevts", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  char number[32] = {};
  size_t got = 0;
  while (got < sizeof number - 1) {
    pollfd p{pipeFds[0], POLLIN, 0};
    if (poll(&p, 1, 20000) <= 0) break;
    ssize_t n = read(pipeFds[0], number + got, 1);
    if (n <= 0 || number[got] == '\n') break;
    ++got;
  }
  close(pipeFds[0]);
  ReadFileText(dir + "/xorg.log", log_text);
  if (got == 0) return;
  number[got] = 0;
  display = ":" + std::string(number);
  pen = std::make_unique<CDevice>(dir + "/pen.socket");
  eraser = std::make_unique<CDevice>(dir + "/eraser.socket");
  mouse = std::make_unique<CDevice>(dir + "/mouse.socket");
  keyboard = std::make_unique<CDevice>(dir + "/keyboard.socket");
  for (CDevice* d : {pen.get(), eraser.get(), mouse.get(), keyboard.get()}) {
    d->screen_w = Width();
    d->screen_h = Height();
    if (!d->Connected()) display.clear();
  }
}

CXorgRig::~CXorgRig() {
  pen.reset();
  eraser.reset();
  mouse.reset();
  keyboard.reset();
  if (server > 0) {
    kill(server, SIGTERM);
    for (int i = 0; i < 100 && waitpid(server, nullptr, WNOHANG) == 0; ++i) usleep(50000);
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
  }
  if (!dir.empty()) {
    std::string command = "rm -rf '" + dir + "'";
    if (system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.c_str());
  }
}
