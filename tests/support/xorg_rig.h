#pragma once

#include <memory>
#include <string>

// A real X server (Xorg on a dummy screen) whose input devices are fed by
// the tests through Xorg's "inputtest" driver: a tablet pen with pressure,
// its eraser end, a mouse and a keyboard, seen by clients as real XI2
// devices. The server and its files go when the rig goes.
class CXorgRig {
public:
  // One emulated device, fed through its socket.
  class CDevice {
  public:
    explicit CDevice(const std::string& socket);
    ~CDevice();
    bool Connected() const { return fd >= 0; }
    // Screen pixels; pressure 0 to 1 where the device has the axis.
    void Move(double x, double y, double pressure = -1);
    void Button(int button, bool press, double x, double y, double pressure = -1);
    void Proximity(bool in, double x, double y);
    void Key(int keycode, bool press);
    // Returns once the server has handled everything sent so far.
    void Sync();

  private:
    friend class CXorgRig;
    void Send(const void* event, size_t size);
    int fd = -1;
    double screen_w = 1, screen_h = 1;
  };

  CXorgRig();
  ~CXorgRig();
  bool Running() const { return server > 0 && !display.empty(); }
  // ":N", for DISPLAY.
  const std::string& Display() const { return display; }
  const std::string& Log() const { return log_text; }
  CDevice& Pen() { return *pen; }
  CDevice& Eraser() { return *eraser; }
  CDevice& Mouse() { return *mouse; }
  CDevice& Keyboard() { return *keyboard; }
  int Width() const { return 1280; }
  int Height() const { return 800; }

private:
  std::string dir, display, log_text;
  int server = -1;
  std::unique_ptr<CDevice> pen, eraser, mouse, keyboard;
};
