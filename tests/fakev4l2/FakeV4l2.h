#pragma once
// A fake V4L2 camera layer for tests. Linked into a test program (or preloaded with LD_PRELOAD into any
// program, reading the script named by FAKE_V4L2_SCRIPT) it answers stat64, open, ioctl, dup, mmap and
// close for the /dev/video* nodes a script describes, and streams a picture from them, so GStreamer's
// real v4l2src runs against it. Every other path and descriptor goes to the C library unchanged.
// v4l2src calls these C library functions itself unless GST_V4L2_USE_LIBV4L2=1, when libv4l2's raw
// system calls would pass the fake by.
//
// Script, one statement a line ("#" starts a comment, "double quotes" keep spaces):
//
//   camera /dev/video0                      a capture node; the lines below describe it
//     card "USB Camera"                     QUERYCAP card (default "Fake Camera")
//     bus usb-0000:00:14.0-1                QUERYCAP bus_info
//     driver uvcvideo 6.1.0                 QUERYCAP driver and version
//     usb 046d:0825                         vendor:product and serial, for device providers
//     serial 8A1B2C3D
//     start 300                             milliseconds from STREAMON to the first frame
//     frames 2                              delivers this many frames after each STREAMON, then stalls
//     busy                                  held by another program: S_FMT, REQBUFS, STREAMON fail EBUSY
//     format YUYV 640x480 320x240 @30 @15   pixel format, discrete sizes, frame rates (YUYV or MJPG)
//     format YUYV 48x32-1920x1080/16x8      stepwise sizes; no "@": frame intervals not enumerable
//     control focus_auto bool "Focus, Automatic Continuous" 0 1 1 1
//     control focus_absolute int "Focus, Absolute" 0 1023 1 68 inactive-when focus_auto=1
//     control exposure_auto menu "Auto Exposure" 0 3 1 3 1="Manual Mode" 3="Aperture Priority Mode"
//     control pan_relative int "Pan, Relative" -4320 4320 3600 0 write-only
//                      name or hex id, type, label, min, max, step, default, then any of:
//                      inactive-when C=V (flagged inactive and refused with EBUSY while C is V),
//                      write-only, volatile, refuses (every set fails with EIO), N="menu item N"
//   metadata /dev/video1 of /dev/video0     a metadata node of that camera (no capture capability)
//
// The picture: the lower three quarters are four bars (red, green, blue, white); the top-left quarter
// is grey at FrameGrey(sequence), so a test can tell which frame it got.

#include <map>
#include <string>
#include <vector>

namespace fakev4l2 {

struct Format {
  unsigned fourcc = 0;
  std::vector<std::pair<int, int>> sizes;  // discrete sizes
  bool stepwise = false;
  int minW = 0, minH = 0, maxW = 0, maxH = 0, stepW = 1, stepH = 1;
  std::vector<int> fps;  // empty: VIDIOC_ENUM_FRAMEINTERVALS fails
};

struct Control {
  unsigned id = 0;
  unsigned type = 0;  // V4L2_CTRL_TYPE_INTEGER, _BOOLEAN or _MENU
  std::string label;
  int minimum = 0, maximum = 0, step = 1, defaultValue = 0;
  std::map<int, std::string> items;  // menu items the camera supports
  unsigned inactiveWhenId = 0;       // 0: always active
  int inactiveWhenValue = 0;
  bool writeOnly = false, isVolatile = false, refuses = false;
};

struct Node {
  std::string path;  // where the script puts it; Plug() may put it elsewhere
  bool metadata = false;
  std::string card = "Fake Camera", driver = "uvcvideo", bus = "usb-0000:00:14.0-1";
  unsigned version = (6u << 16) | (1u << 8);
  std::string usb, serial;
  int startMs = 0;
  long frames = -1;  // -1: no limit
  bool busy = false;
  std::vector<Format> formats;
  std::vector<Control> controls;
};

// Parses a script; the nodes in order, or an empty list and `error` naming the line.
std::vector<Node> Parse(const std::string& script, std::string* error);
// A control's V4L2 id from its script name ("focus_auto") or number.
unsigned ControlId(const std::string& nameOrId);

// Replaces every fake node by those of `script` (all plugged in at their paths); false on a bad script.
bool Load(const std::string& script, std::string* error = nullptr);
// The node at `path` goes away: open and stat fail with ENOENT, open descriptors with ENODEV.
void Unplug(const std::string& path);
// The node the script describes at `described` is plugged in afresh (controls at their defaults) at `at`,
// or at its own path.
void Plug(const std::string& described, const std::string& at = {});
void SetBusy(const std::string& path, bool busy);
// A control of the node at `path` by script name or id: its value, and how many sets it accepted.
int Value(const std::string& path, const std::string& control);
int Writes(const std::string& path, const std::string& control);
// The nodes plugged in now, each with the path it is at.
std::vector<Node> Plugged();

// Grey level of the top-left quarter in the frame with this V4L2 sequence number.
inline int FrameGrey(unsigned sequence) {
  return 40 + 40 * static_cast<int>(sequence % 5);
}

}  // namespace fakev4l2
