#include "FaultyCaptureDevice.h"

#include <gst/gst.h>

namespace korvex::test {
namespace {

void PostUnplugError(GstElement* element) {
  GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "device unplugged");
  gst_element_post_message(element, gst_message_new_error(GST_OBJECT(element), error, "test unplug"));
  g_error_free(error);
}

}  // namespace

GstElement* FaultyDevice::CreateSource(QString* error) {
  ++asked_;
  if (unplugged_) {
    if (error) *error = QStringLiteral("unplugged");
    return nullptr;
  }
  GstElement* pattern = TestPatternDevice::CreateSource(error);
  GstElement* valve = gst_element_factory_make("valve", "valve");
  GstElement* bin = gst_bin_new(nullptr);
  gst_bin_add_many(GST_BIN(bin), pattern, valve, nullptr);
  gst_element_link(pattern, valve);
  PadPtr src(gst_element_get_static_pad(valve, "src"));
  gst_element_add_pad(bin, gst_ghost_pad_new("src", src.get()));
  g_object_set(valve, "drop", stalled_ ? TRUE : FALSE, nullptr);
  // A camera unplugged while it rested fails as soon as it is started again, like a gone device node.
  PadPtr sink(gst_element_get_static_pad(valve, "sink"));
  gst_pad_add_probe(
      sink.get(), GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad* pad, GstPadProbeInfo*, gpointer self) -> GstPadProbeReturn {
        if (!static_cast<FaultyDevice*>(self)->unplugged_) return GST_PAD_PROBE_OK;
        ElementPtr owner(gst_pad_get_parent_element(pad));
        if (owner) PostUnplugError(owner.get());
        return GST_PAD_PROBE_DROP;
      },
      this, nullptr);
  bin_.reset(GST_ELEMENT(gst_object_ref(bin)));
  ++made_;
  return bin;
}

void FaultyDevice::Stall(bool stalled) {
  stalled_ = stalled;
  if (!bin_) return;
  ElementPtr valve(gst_bin_get_by_name(GST_BIN(bin_.get()), "valve"));
  g_object_set(valve.get(), "drop", stalled ? TRUE : FALSE, nullptr);
}

void FaultyDevice::Unplug() {
  unplugged_ = true;
  if (bin_) PostUnplugError(bin_.get());
}

std::shared_ptr<DeviceSource> SourceOf(std::vector<std::shared_ptr<CaptureDevice>> devices) {
  return std::make_shared<FixedDeviceSource>(std::move(devices));
}

}  // namespace korvex::test
