#pragma once
// A GStreamer device provider for tests, registered as a static plugin: it publishes the fake V4L2 nodes
// (FakeV4l2.h) as devices the way the system's providers do, with the V4L2 provider's properties
// (device.path, v4l2.device.*, udev's USB ids and ID_SERIAL) or PipeWire's (object.path, api.v4l2.path,
// api.v4l2.cap.*, node.description "USB_Camera (V4L2)"), and adds or removes them on demand, so a device
// monitor sees cameras come and go.

#include <string>

namespace fakeprovider {

enum class Style { V4l2, PipeWire };

// Registers the provider once, and takes the system's V4L2 provider out of the monitors' view so that
// only published devices are seen.
void Register();
// Publishes the fake node plugged in at `path` as one more device in that style (a second time too: a
// monitor may report a camera twice). False when no node is plugged in there.
bool Publish(Style style, const std::string& path);
// Removes the devices published for `path` in that style.
void Withdraw(Style style, const std::string& path);
void WithdrawAll();

}  // namespace fakeprovider
