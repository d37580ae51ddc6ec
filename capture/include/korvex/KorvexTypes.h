#pragma once
// Plain records shared by the capture window, its devices and the control's host.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>
#include <vector>

namespace korvex {

// One video format a device delivers. Sizes are plain ints: 4K and 8K frames are ordinary.
struct VideoFormat {
  int width = 0;
  int height = 0;
  int fpsNum = 30;
  int fpsDen = 1;
  // FOURCC-like name: "BGRx", "I420", "YUY2", "NV12" ... for raw video, "MJPG" for motion JPEG.
  QString pixelFormat = QStringLiteral("BGRx");

  bool IsValid() const {
    return width > 0 && height > 0 && fpsNum > 0 && fpsDen > 0 && !pixelFormat.isEmpty();
  }
  QString ToCapsString() const;
  QString Describe() const;
  friend bool operator==(const VideoFormat&, const VideoFormat&) = default;
};

// Which side of a wanted format must be met: the whole format, or the width or height set alone.
enum class FitSide { Whole, Width, Height };

// PCM audio recorded beside the video.
struct AudioFormat {
  int rate = 48000;
  int channels = 1;
  int bits = 16;
  friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// The sequence setup a streaming capture uses.
struct CaptureParams {
  int64_t microSecPerFrame = 66666;  // 1 000 000 / 15; 0: the device's own rate
  bool makeUserHitOKToCapture = false;
  bool captureAudio = true;
  bool limitEnabled = false;
  int64_t timeLimit = 0;  // seconds
  bool abortLeftMouse = true;
  bool abortRightMouse = true;
  bool abortEscape = true;
  int64_t frameLimit = 0;  // 0: no limit; ends a capture after this many frames
};

struct CaptureStatus {
  int imageWidth = 0;
  int imageHeight = 0;
  int64_t currentVideoFrame = 0;
  int64_t framesDropped = 0;
  int64_t captureTimeMs = 0;
  bool capturingNow = false;
};

struct DriverCaps {
  bool hasOverlay = false;
  bool hasDlgVideoSource = false;
  bool hasDlgVideoFormat = false;
  bool hasDlgVideoDisplay = false;
  bool captureInitialized = false;
};

// One adjustable setting of a device (brightness, exposure, test pattern ...).
struct DeviceControl {
  enum class Kind { Integer, Boolean, Menu };
  QString id;     // key in devices.ini and the device's own name for it
  QString label;  // shown in the source dialog
  Kind kind = Kind::Integer;
  int minimum = 0;
  int maximum = 0;
  int step = 1;
  int defaultValue = 0;
  int value = 0;
  QStringList menuItems;    // Menu: the items the device supports
  QList<int> menuValues;    // Menu: the value of each item; empty when item i has value minimum + i
  bool inactive = false;    // not applicable now (its automatic mode is on): shown but not editable
  bool writeOnly = false;   // an action such as a relative move: it has no value to read, keep or replay
  bool isVolatile = false;  // changes by itself (the device's automatic mode sets it): never kept
  bool autoMode = false;    // an automatic mode that decides whether manual controls take a value

  int MenuValue(int item) const { return item < menuValues.size() ? menuValues[item] : minimum + item; }
  // Whether a value set once should be kept and set again when the device comes back.
  bool Keepable() const { return !writeOnly && !isVolatile; }
};

// Status message ids reported to the status window (500 and above) and the end-of-capture notice.
enum StatusId : int {
  kStatusEndCapture = 301,
  kStatusInfo = 500,
  kStatusCaptureStarting = 501,
  kStatusCaptureEnded = 502,
  kStatusDeviceLost = 503,
  kStatusDeviceError = 504,
  kStatusFileSaved = 505,
  kStatusDeviceBusy = 506,  // another program holds the device
};

// |value| without the overflow of the most negative int.
inline int AbsoluteValue(int value) {
  if (value == std::numeric_limits<int>::min()) return std::numeric_limits<int>::max();
  return value < 0 ? -value : value;
}

// Message the capture window sends its owner, with kStatusEndCapture as its code.
inline constexpr unsigned kOwnerMessage = 1024;

}  // namespace korvex
