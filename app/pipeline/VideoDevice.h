#pragma once
// The video capture device as the acquisition and the device choice use it: the members of the capture
// control they call. The program hands over the capture control on the preview window; tests can wrap it
// to inject faults.

#include <QString>

#include <cstdint>

namespace quorvin {

class VideoDevice {
 public:
  virtual ~VideoDevice() = default;
  virtual int VideoWidth() const = 0;
  virtual int VideoHeight() const = 0;
  // Paints the next frame at (0, 0) onto the drawing surface `dc` (see ImagingControl::GetImageDC);
  // false when no frame came.
  virtual bool CopyDIB(intptr_t dc) = 0;
  // Connects a device that was lost (it reports no video size meanwhile) again; fails at once, without
  // waiting, while it is still gone, and does nothing while it works. A device that cannot be lost has
  // nothing to do.
  virtual void Reconnect() {}
  virtual void SetDeviceIndex(int index) = 0;
  virtual void SetPreview(bool on) = 0;
  virtual bool VideoOverlay() const = 0;  // the driver offers overlay display
  virtual void SetUseVideoOverlay(bool on) = 0;
  // The selected device as the operator knows it, for the reasons of the error log.
  virtual QString DeviceName() const { return {}; }
};

}  // namespace quorvin
